#include "IBDatabase.h"
#include "TextLines.h"

#include "Exceptions.h"
#include "FbStatus.h"
#include "IBInternal.h"

#include <signal.h>

#include <algorithm>

namespace dwindle {

namespace {

// The client library puts its own SIGINT and SIGTERM handlers in place when it
// attaches; they would shut its connections down behind the program's back
// (and end the transaction without its commit). The program keeps whatever
// handling the process had before the attach.
class KeepTerminationHandlers {
public:
    KeepTerminationHandlers() noexcept
    {
        sigaction(SIGINT, nullptr, &interrupt_);
        sigaction(SIGTERM, nullptr, &terminate_);
    }
    ~KeepTerminationHandlers()
    {
        sigaction(SIGINT, &interrupt_, nullptr);
        sigaction(SIGTERM, &terminate_, nullptr);
    }
    KeepTerminationHandlers(const KeepTerminationHandlers&) = delete;
    KeepTerminationHandlers& operator=(const KeepTerminationHandlers&) = delete;

private:
    struct sigaction interrupt_ {};
    struct sigaction terminate_ {};
};


std::string lowered(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The attach parameters: the version item, then one item per parameter line.
// Only the user name and the password are known; nothing else is ever sent.
std::string buildDpb(const std::vector<std::string>& params)
{
    std::string dpb(1, static_cast<char>(isc_dpb_version1));
    for (const std::string& line : params) {
        if (trimmed(line).empty())
            continue;
        const auto eq = line.find('=');
        std::string key = lowered(trimmed(line.substr(0, eq)));
        const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        if (key.rfind("isc_dpb_", 0) == 0)
            key.erase(0, 8);
        char item;
        if (key == "user_name")
            item = static_cast<char>(isc_dpb_user_name);
        else if (key == "password")
            item = static_cast<char>(isc_dpb_password);
        else
            throw EIBClientError("DPB Constant (isc_dpb_" + key + ") is unknown");
        if (value.size() > 255)
            throw EIBClientError("DPB value of isc_dpb_" + key + " is longer than 255 characters");
        dpb += item;
        dpb += static_cast<char>(value.size());
        dpb += value;
    }
    return dpb;
}

} // namespace

std::int64_t infoInteger(const char* p, int length) noexcept
{
    std::uint64_t value = 0;
    for (int i = 0; i < length && i < 8; ++i)
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    if (length > 0 && length < 8 && (static_cast<unsigned char>(p[length - 1]) & 0x80))
        value |= ~std::uint64_t{0} << (8 * length); // sign-extend
    return static_cast<std::int64_t>(value);
}

void TIBDatabase::Impl::requireOpen() const
{
    if (!connected())
        throw EIBClientError("Cannot perform operation -- DB is not open");
}

void TIBDatabase::Impl::close(bool report)
{
    if (!connected())
        return;
    // Statements and transactions end while the attachment still exists.
    std::exception_ptr failure;
    for (TIBTransaction::Impl* t : transactions) {
        if (t->active()) {
            auto f = t->endQuietly();
            if (!failure)
                failure = f;
        }
        t->releaseStatements();
    }
    for (TIBQuery::Impl* q : queries)
        q->releaseStatement();

    ISC_STATUS_ARRAY status{};
    client->isc_detach_database(status, attachment.get());
    if (failed(status)) {
        // A connection that is already gone cannot be detached again; the
        // handle is given up either way.
        attachment.forget();
        if (report && !failure)
            raiseStatus(*client, status);
    }
    attachment.forget();
    if (report && failure)
        std::rethrow_exception(failure);
}

TIBDatabase::TIBDatabase(std::string name, std::string clientLibrary) : impl_(std::make_unique<Impl>())
{
    impl_->owner = this;
    impl_->name = std::move(name);
    impl_->client = &loadFbClient(clientLibrary);
    impl_->attachment.setClient(*impl_->client);
}

TIBDatabase::~TIBDatabase()
{
    try {
        impl_->close(false);
    } catch (...) {
        // Closing at release reports nothing.
    }
    for (TIBTransaction::Impl* t : impl_->transactions)
        t->database = nullptr;
    for (TIBQuery::Impl* q : impl_->queries)
        q->database = nullptr;
}

const std::string& TIBDatabase::Name() const noexcept { return impl_->name; }
bool TIBDatabase::Connected() const noexcept { return impl_->connected(); }
const std::string& TIBDatabase::DatabaseName() const noexcept { return impl_->databaseName; }
const std::vector<std::string>& TIBDatabase::Params() const noexcept { return impl_->params; }
int TIBDatabase::SQLDialect() const noexcept { return impl_->sqlDialect; }
TIBTransaction* TIBDatabase::DefaultTransaction() const noexcept { return impl_->defaultTransaction; }
void TIBDatabase::SetDefaultTransaction(TIBTransaction* transaction) noexcept { impl_->defaultTransaction = transaction; }

void TIBDatabase::SetDatabaseName(const std::string& name)
{
    if (impl_->connected())
        throw EIBClientError("Cannot perform operation -- DB is currently open");
    impl_->databaseName = name;
}

void TIBDatabase::SetParams(const std::vector<std::string>& params)
{
    if (impl_->connected())
        throw EIBClientError("Cannot perform operation -- DB is currently open");
    impl_->params = params;
}

void TIBDatabase::SetConnected(bool value)
{
    Impl& d = *impl_;
    if (!value) {
        d.close(true);
        return;
    }
    if (d.connected())
        return;
    if (d.databaseName.empty())
        throw EIBClientError("Database name is missing");

    const std::string dpb = buildDpb(d.params);
    const FbClient& fb = *d.client;
    ISC_STATUS_ARRAY status{};
    {
        const KeepTerminationHandlers keep;
        fb.isc_attach_database(status, 0, d.databaseName.c_str(), d.attachment.get(),
                               static_cast<short>(dpb.size()), dpb.data());
    }
    if (failed(status)) {
        d.attachment.forget(); // a failed attach leaves no handle
        raiseStatus(fb, status);
    }

    // The database's own dialect; one that gives no answer is dialect 1. A
    // failure here leaves the attachment open, to be closed by the next
    // SetConnected(false).
    const char items[] = {static_cast<char>(isc_info_db_sql_dialect), static_cast<char>(isc_info_end)};
    char answer[64] = {};
    fb.isc_database_info(status, d.attachment.get(), sizeof items, items, sizeof answer, answer);
    check(fb, status);
    int dialect = 1;
    if (static_cast<unsigned char>(answer[0]) == isc_info_db_sql_dialect) {
        const int length = static_cast<int>(infoInteger(answer + 1, 2));
        if (length > 0 && length <= static_cast<int>(sizeof answer) - 3)
            dialect = static_cast<int>(infoInteger(answer + 3, length));
    }
    if (dialect < d.sqlDialect)
        d.sqlDialect = dialect;
}

} // namespace dwindle
