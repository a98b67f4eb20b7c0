#include "DatabaseAdmin.h"

#include "Exceptions.h"
#include "FbHandles.h"
#include "FbStatus.h"
#include "IBDatabase.h"
#include "Stream.h"

#include <cerrno>

#include <fstream>

namespace dwindle {

std::string readSysdbaPassword(const std::string& fileName)
{
    std::ifstream file(fileName);
    if (!file)
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + systemErrorText(errno));
    // Lines of the form ISC_PASSWORD="secret" (the quotes may be missing).
    std::string text;
    while (std::getline(file, text)) {
        const auto start = text.find_first_not_of(" \t");
        if (start == std::string::npos || text.compare(start, 12, "ISC_PASSWORD") != 0)
            continue;
        const auto eq = text.find('=', start + 12);
        if (eq == std::string::npos)
            continue;
        std::string value = text.substr(eq + 1);
        const auto first = value.find_first_not_of(" \t\r\"");
        const auto last = value.find_last_not_of(" \t\r\"");
        if (first != std::string::npos)
            return value.substr(first, last - first + 1);
    }
    throw EDatabaseError("No SYSDBA password in " + fileName);
}

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

} // namespace

struct DatabaseAdmin::Impl {
    std::string connectionString;
    std::string password;
    const FbClient* fb = nullptr;
    AttachmentHandle attachment;

    std::string dpb(bool forcedWritesOff) const
    {
        std::string d(1, static_cast<char>(isc_dpb_version1));
        auto add = [&](char item, const std::string& value) {
            d += item;
            d += static_cast<char>(value.size());
            d += value;
        };
        add(isc_dpb_user_name, "SYSDBA");
        add(isc_dpb_password, password);
        if (forcedWritesOff) {
            d += static_cast<char>(isc_dpb_force_write);
            d += static_cast<char>(1);
            d += static_cast<char>(0);
        }
        return d;
    }

    void attach(bool forcedWritesOff)
    {
        const std::string parameters = dpb(forcedWritesOff);
        ISC_STATUS_ARRAY status{};
        fb->isc_attach_database(status, 0, connectionString.c_str(), attachment.get(),
                                static_cast<short>(parameters.size()), parameters.data());
        if (failed(status)) {
            attachment.forget();
            raiseStatus(*fb, status);
        }
    }

    void executeImmediate(isc_tr_handle* tr, const std::string& sql)
    {
        ISC_STATUS_ARRAY status{};
        fb->isc_dsql_execute_immediate(status, attachment.get(), tr, 0, sql.c_str(), 3, nullptr);
        check(*fb, status);
    }
};

DatabaseAdmin::DatabaseAdmin(std::string connectionString, std::string password) : impl_(std::make_unique<Impl>())
{
    impl_->connectionString = std::move(connectionString);
    impl_->password = std::move(password);
    impl_->fb = &loadFbClient(defaultClientLibrary());
    impl_->attachment.setClient(*impl_->fb);
}

DatabaseAdmin::~DatabaseAdmin() { detach(); }

const std::string& DatabaseAdmin::connectionString() const noexcept { return impl_->connectionString; }
bool DatabaseAdmin::attached() const noexcept { return static_cast<bool>(impl_->attachment); }
void DatabaseAdmin::detach() noexcept { impl_->attachment.reset(); }

void DatabaseAdmin::create(int pageSize, int dialect)
{
    Impl& a = *impl_;
    detach();
    std::string sql = "CREATE DATABASE " + quoted(a.connectionString) + " USER 'SYSDBA' PASSWORD " + quoted(a.password);
    if (pageSize > 0)
        sql += " PAGE_SIZE " + std::to_string(pageSize);
    ISC_STATUS_ARRAY status{};
    isc_tr_handle noTransaction = 0;
    a.fb->isc_dsql_execute_immediate(status, a.attachment.get(), &noTransaction, 0, sql.c_str(),
                                     static_cast<unsigned short>(dialect), nullptr);
    if (failed(status)) {
        a.attachment.forget();
        raiseStatus(*a.fb, status);
    }
    a.attachment.reset();
    // Forced writes off: test and demo databases need speed, not durability
    // against a power cut.
    a.attach(true);
}

void DatabaseAdmin::attach()
{
    detach();
    impl_->attach(false);
}

void DatabaseAdmin::execute(const std::string& sql)
{
    Impl& a = *impl_;
    if (!a.attachment)
        throw EIBClientError("Cannot perform operation -- DB is not open");
    const char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency, isc_tpb_wait};
    struct {
        isc_db_handle* db;
        int length;
        const char* tpb;
    } element{a.attachment.get(), static_cast<int>(sizeof tpb), tpb};
    ISC_STATUS_ARRAY status{};
    TransactionHandle tr(*a.fb);
    a.fb->isc_start_multiple(status, tr.get(), 1, &element);
    if (failed(status)) {
        tr.forget();
        raiseStatus(*a.fb, status);
    }
    a.executeImmediate(tr.get(), sql); // a failure rolls back as tr is released
    a.fb->isc_commit_transaction(status, tr.get());
    check(*a.fb, status);
    tr.forget();
}

void DatabaseAdmin::closeOtherAttachments()
{
    if (!impl_->attachment)
        attach();
    execute("delete from mon$attachments where mon$attachment_id <> current_connection and mon$system_flag = 0");
}

void DatabaseAdmin::drop()
{
    Impl& a = *impl_;
    closeOtherAttachments();
    ISC_STATUS_ARRAY status{};
    a.fb->isc_drop_database(status, a.attachment.get());
    check(*a.fb, status);
    a.attachment.forget(); // dropping detaches
}

} // namespace dwindle
