#include "Exceptions.h"
#include "FbStatus.h"
#include "IBInternal.h"
#include "SqlParameters.h"

#include <cstring>

namespace dwindle {

namespace {

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i)
            text += '\n';
        text += lines[i];
    }
    return text;
}

// Cursor names are unique within the process, so within every attachment.
std::string nextCursorName()
{
    static unsigned counter = 0;
    return "DWINDLE_CURSOR_" + std::to_string(++counter);
}

int statementTypeOf(const FbClient& fb, isc_stmt_handle* statement)
{
    ISC_STATUS_ARRAY status{};
    const char item = isc_info_sql_stmt_type;
    char answer[16] = {};
    fb.isc_dsql_sql_info(status, statement, 1, &item, sizeof answer, answer);
    check(fb, status);
    if (answer[0] != item)
        return 0;
    const int length = static_cast<int>(infoInteger(answer + 1, 2));
    return static_cast<int>(infoInteger(answer + 3, length));
}

using DescribeFn = decltype(&isc_dsql_describe);

// Describes columns or parameters, growing the descriptor when the first
// guess was too small.
void describe(const FbClient& fb, DescribeFn fn, isc_stmt_handle* statement, Sqlda& sqlda)
{
    ISC_STATUS_ARRAY status{};
    sqlda.resize(1);
    fn(status, statement, SQLDA_VERSION1, sqlda.get());
    check(fb, status);
    if (sqlda.count() > sqlda.capacity()) {
        const int needed = sqlda.count();
        sqlda.resize(needed);
        fn(status, statement, SQLDA_VERSION1, sqlda.get());
        check(fb, status);
    }
    sqlda.allocateBuffers();
}

bool isSelect(int type) noexcept
{
    return type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd;
}

} // namespace

TIBQuery::Impl::Impl() = default;
TIBQuery::Impl::~Impl() = default;

void TIBQuery::Impl::fail(const std::string& what) const
{
    throw EDatabaseError(name + ": " + what);
}

TIBDatabase::Impl& TIBQuery::Impl::effectiveDatabase()
{
    if (database)
        return *database;
    if (transaction && transaction->database)
        return *transaction->database;
    throw EIBClientError(name + ": Database not assigned");
}

TIBTransaction::Impl& TIBQuery::Impl::effectiveTransaction()
{
    if (transaction)
        return *transaction;
    TIBDatabase::Impl& db = effectiveDatabase();
    if (db.defaultTransaction)
        return db.defaultTransaction->impl();
    throw EIBClientError(name + ": Transaction not assigned");
}

void TIBQuery::Impl::ready()
{
    TIBDatabase::Impl& db = effectiveDatabase();
    db.requireOpen();
    TIBTransaction::Impl& tr = effectiveTransaction();
    if (!tr.active())
        tr.start(); // the first statement after Connect starts the transaction
    if (preparedIn != &tr) {
        releaseStatement();
        prepare(tr);
    }
}

void TIBQuery::Impl::prepare(TIBTransaction::Impl& tr)
{
    TIBDatabase::Impl& db = effectiveDatabase();
    const FbClient& fb = *db.client;
    client = &fb;
    statement.setClient(fb);
    try {
        ISC_STATUS_ARRAY status{};
        fb.isc_dsql_alloc_statement2(status, db.attachment.get(), statement.get());
        if (failed(status)) {
            statement.forget();
            raiseStatus(fb, status);
        }
        fb.isc_dsql_prepare(status, tr.handle.get(), statement.get(), 0, sqlText.c_str(),
                            static_cast<unsigned short>(db.sqlDialect), nullptr);
        check(fb, status);
        statementType = statementTypeOf(fb, statement.get());
        describe(fb, fb.isc_dsql_describe, statement.get(), out);
        describe(fb, fb.isc_dsql_describe_bind, statement.get(), in);
        if (static_cast<std::size_t>(in.count()) != markerNames.size())
            fail("The statement has " + std::to_string(in.count()) + " parameters, its text names " +
                 std::to_string(markerNames.size()));
        fields.clear();
        for (int i = 0; i < out.count(); ++i) {
            const XSQLVAR& v = out.var(i);
            const auto length = static_cast<std::size_t>(std::max<ISC_SHORT>(v.aliasname_length, 0));
            fields.push_back(std::make_unique<IBField>(*this, i, std::string(v.aliasname, length)));
        }
    } catch (...) {
        // A statement that failed to prepare is dropped again at once.
        fields.clear();
        statement.reset();
        statementType = 0;
        throw;
    }
    preparedIn = &tr;
    tr.prepared.push_back(this);
}

void TIBQuery::Impl::bindParameters()
{
    TIBDatabase::Impl& db = effectiveDatabase();
    for (std::size_t i = 0; i < markerNames.size(); ++i) {
        const auto it = std::find_if(params.begin(), params.end(),
                                     [&](const auto& p) { return sameName(p->Name(), markerNames[i]); });
        const IBParam& p = **it;
        const int index = static_cast<int>(i);
        XSQLVAR& v = in.var(index);
        switch (p.kind()) {
        case IBParam::Kind::Null:
            *v.sqlind = -1;
            break;
        case IBParam::Kind::Integer: {
            v.sqltype = SQL_LONG | 1;
            v.sqlscale = 0;
            v.sqlsubtype = 0;
            v.sqllen = sizeof(ISC_LONG);
            in.allocateBuffer(index);
            const ISC_LONG value = p.integer();
            std::memcpy(v.sqldata, &value, sizeof value);
            *v.sqlind = 0;
            break;
        }
        case IBParam::Kind::Text: {
            if (p.bytes().size() > 32765)
                fail("Parameter '" + p.Name() + "' is longer than 32765 bytes");
            v.sqltype = SQL_TEXT | 1;
            v.sqlscale = 0;
            v.sqlsubtype = 0; // the attachment's character set
            v.sqllen = static_cast<ISC_SHORT>(p.bytes().size());
            in.allocateBuffer(index);
            if (!p.bytes().empty())
                std::memcpy(v.sqldata, p.bytes().data(), p.bytes().size());
            *v.sqlind = 0;
            break;
        }
        case IBParam::Kind::Blob: {
            // A new blob in this transaction for every execution; the one the
            // row held before is left to the server.
            const ISC_QUAD id = writeBlob(*db.client, db.attachment.get(), preparedIn->handle.get(), p.bytes().data(),
                                          p.bytes().size());
            v.sqltype = SQL_BLOB | 1;
            v.sqlscale = 0;
            v.sqllen = sizeof(ISC_QUAD);
            in.allocateBuffer(index);
            std::memcpy(v.sqldata, &id, sizeof id);
            *v.sqlind = 0;
            break;
        }
        }
    }
}

void TIBQuery::Impl::fetch()
{
    forgetPictures();
    ISC_STATUS_ARRAY status{};
    const ISC_STATUS result = client->isc_dsql_fetch(status, statement.get(), SQLDA_VERSION1, out.get());
    check(*client, status);
    if (result == 100) {
        eof = true;
        hasRow = false;
    } else {
        hasRow = true;
    }
}

void TIBQuery::Impl::forgetPictures() noexcept
{
    for (auto& f : fields)
        f->forgetPicture();
}

void TIBQuery::Impl::closeCursor() noexcept
{
    if (cursorOpen && statement) {
        ISC_STATUS_ARRAY status{};
        client->isc_dsql_free_statement(status, statement.get(), DSQL_close);
    }
    cursorOpen = false;
    active = false;
    eof = true;
    hasRow = false;
    forgetPictures();
}

void TIBQuery::Impl::releaseStatement() noexcept
{
    cursorOpen = false; // dropping the statement closes its cursor
    closeCursor();
    fields.clear();
    statement.reset();
    cursorNamed = false;
    statementType = 0;
    out.resize(1);
    in.resize(1);
    if (preparedIn) {
        eraseFrom(preparedIn->prepared, this);
        preparedIn = nullptr;
    }
}

TIBQuery::TIBQuery(std::string name, TIBDatabase* database, TIBTransaction* transaction, std::vector<std::string> sql)
    : impl_(std::make_unique<Impl>())
{
    Impl& q = *impl_;
    q.owner = this;
    q.name = std::move(name);
    q.sql = std::move(sql);
    RewrittenSql rewritten = rewriteParameters(joinLines(q.sql));
    q.sqlText = std::move(rewritten.text);
    q.markerNames = std::move(rewritten.names);
    for (const std::string& marker : q.markerNames) {
        const bool known = std::any_of(q.params.begin(), q.params.end(),
                                       [&](const auto& p) { return sameName(p->Name(), marker); });
        if (!known)
            q.params.push_back(std::make_unique<IBParam>(marker));
    }
    q.client = database      ? database->impl().client
               : transaction ? transaction->impl().client
                             : &loadFbClient(defaultClientLibrary());
    q.statement.setClient(*q.client);
    SetDatabase(database);
    SetTransaction(transaction);
}

TIBQuery::~TIBQuery()
{
    Impl& q = *impl_;
    q.releaseStatement();
    if (q.database)
        eraseFrom(q.database->queries, &q);
    if (q.transaction)
        eraseFrom(q.transaction->users, &q);
}

const std::string& TIBQuery::Name() const noexcept { return impl_->name; }
const std::vector<std::string>& TIBQuery::SQL() const noexcept { return impl_->sql; }
TIBDatabase* TIBQuery::Database() const noexcept { return impl_->database ? impl_->database->owner : nullptr; }
TIBTransaction* TIBQuery::Transaction() const noexcept
{
    return impl_->transaction ? impl_->transaction->owner : nullptr;
}

void TIBQuery::SetDatabase(TIBDatabase* database)
{
    Impl& q = *impl_;
    TIBDatabase::Impl* next = database ? &database->impl() : nullptr;
    if (next == q.database)
        return;
    q.releaseStatement();
    if (q.database)
        eraseFrom(q.database->queries, &q);
    q.database = next;
    if (next) {
        next->queries.push_back(&q);
        q.client = next->client;
        q.statement.setClient(*q.client);
    }
}

void TIBQuery::SetTransaction(TIBTransaction* transaction)
{
    Impl& q = *impl_;
    TIBTransaction::Impl* next = transaction ? &transaction->impl() : nullptr;
    if (next == q.transaction)
        return;
    q.releaseStatement();
    if (q.transaction)
        eraseFrom(q.transaction->users, &q);
    q.transaction = next;
    if (next)
        next->users.push_back(&q);
}

void TIBQuery::Open()
{
    Impl& q = *impl_;
    q.ready();
    if (!isSelect(q.statementType))
        q.fail("SQL statement is not a select statement");
    q.closeCursor();
    q.bindParameters();
    const FbClient& fb = *q.client;
    ISC_STATUS_ARRAY status{};
    fb.isc_dsql_execute2(status, q.preparedIn->handle.get(), q.statement.get(), SQLDA_VERSION1,
                         q.in.count() ? q.in.get() : nullptr, nullptr);
    check(fb, status);
    q.cursorOpen = true;
    try {
        if (!q.cursorNamed) { // a prepared statement keeps its cursor name
            const std::string cursor = nextCursorName();
            fb.isc_dsql_set_cursor_name(status, q.statement.get(), cursor.c_str(), 0);
            check(fb, status);
            q.cursorNamed = true;
        }
        q.active = true;
        q.eof = false;
        q.fetch();
    } catch (...) {
        q.closeCursor(); // an Open that fails leaves the statement closed
        throw;
    }
}

void TIBQuery::Close() noexcept { impl_->closeCursor(); }
bool TIBQuery::Active() const noexcept { return impl_->active; }
bool TIBQuery::Eof() const noexcept { return impl_->eof; }

void TIBQuery::Next()
{
    Impl& q = *impl_;
    if (!q.active)
        q.fail("Cannot perform this operation on a closed dataset");
    if (q.eof)
        return;
    q.fetch();
}

TField& TIBQuery::FieldByName(const std::string& name)
{
    for (auto& f : impl_->fields)
        if (sameName(f->FieldName(), name))
            return *f;
    impl_->fail("Field '" + name + "' not found");
}

TParam& TIBQuery::ParamByName(const std::string& name)
{
    for (auto& p : impl_->params)
        if (sameName(p->Name(), name))
            return *p;
    impl_->fail("Parameter '" + name + "' not found");
}

void TIBQuery::ExecSQL()
{
    Impl& q = *impl_;
    q.ready();
    q.closeCursor();
    q.bindParameters();
    const FbClient& fb = *q.client;
    ISC_STATUS_ARRAY status{};
    isc_tr_handle* tr = q.preparedIn->handle.get();
    const XSQLDA* in = q.in.count() ? q.in.get() : nullptr;
    if (q.statementType == isc_info_sql_stmt_exec_procedure) {
        fb.isc_dsql_execute2(status, tr, q.statement.get(), SQLDA_VERSION1, in, q.out.get());
        check(fb, status);
    } else {
        fb.isc_dsql_execute(status, tr, q.statement.get(), SQLDA_VERSION1, in);
        check(fb, status);
        if (isSelect(q.statementType)) {
            fb.isc_dsql_free_statement(status, q.statement.get(), DSQL_close);
            check(fb, status);
        }
    }
}

} // namespace dwindle
