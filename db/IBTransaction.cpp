#include "Exceptions.h"
#include "FbStatus.h"
#include "IBInternal.h"

#include <algorithm>

namespace dwindle {

namespace {

// Read-write, one snapshot for the whole transaction, waiting on rows that
// other transactions hold: the server's defaults, asked for explicitly.
const char transactionParameters[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency, isc_tpb_wait};

// isc_start_multiple's description of one attachment (the client's TEB).
struct TransactionElement {
    isc_db_handle* database;
    int parametersLength;
    const char* parameters;
};

} // namespace

void TIBTransaction::Impl::start()
{
    if (active())
        throw EIBClientError("Transaction is active");
    if (!database)
        throw EIBClientError("Database not assigned");
    database->requireOpen();
    TransactionElement element{database->attachment.get(), static_cast<int>(sizeof transactionParameters),
                               transactionParameters};
    ISC_STATUS_ARRAY status{};
    client->isc_start_multiple(status, handle.get(), 1, &element);
    if (failed(status)) {
        handle.forget(); // a failed start leaves no handle
        raiseStatus(*client, status);
    }
}

void TIBTransaction::Impl::releaseStatements() noexcept
{
    // Each statement takes itself out of the list as it is released.
    while (!prepared.empty())
        prepared.back()->releaseStatement();
}

void TIBTransaction::Impl::end(TransactionEnd how)
{
    if (!active())
        throw EIBClientError("Transaction is not active");
    releaseStatements();
    ISC_STATUS_ARRAY status{};
    if (how == TransactionEnd::Commit)
        client->isc_commit_transaction(status, handle.get());
    else
        client->isc_rollback_transaction(status, handle.get());
    check(*client, status);
    handle.forget(); // the client has released it
}

std::exception_ptr TIBTransaction::Impl::endQuietly() noexcept
{
    if (!active())
        return {};
    std::exception_ptr failure;
    try {
        end(TransactionEnd::Commit);
        return {};
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        end(TransactionEnd::Rollback);
    } catch (...) {
    }
    handle.reset();
    return failure;
}

TIBTransaction::TIBTransaction(TIBDatabase* defaultDatabase, std::string name) : impl_(std::make_unique<Impl>())
{
    impl_->owner = this;
    impl_->name = std::move(name);
    impl_->client = defaultDatabase ? defaultDatabase->impl().client : &loadFbClient(defaultClientLibrary());
    impl_->handle.setClient(*impl_->client);
    SetDefaultDatabase(defaultDatabase);
}

TIBTransaction::~TIBTransaction()
{
    Impl& t = *impl_;
    t.endQuietly(); // releasing an active transaction commits it, reporting nothing
    t.releaseStatements();
    for (TIBQuery::Impl* q : t.users)
        q->transaction = nullptr;
    if (t.database) {
        eraseFrom(t.database->transactions, &t);
        if (t.database->defaultTransaction == this)
            t.database->defaultTransaction = nullptr;
    }
}

const std::string& TIBTransaction::Name() const noexcept { return impl_->name; }
bool TIBTransaction::Active() const noexcept { return impl_->active(); }
void TIBTransaction::StartTransaction() { impl_->start(); }
void TIBTransaction::Commit() { impl_->end(TransactionEnd::Commit); }
void TIBTransaction::Rollback() { impl_->end(TransactionEnd::Rollback); }
TIBDatabase* TIBTransaction::DefaultDatabase() const noexcept
{
    return impl_->database ? impl_->database->owner : nullptr;
}

void TIBTransaction::SetDefaultDatabase(TIBDatabase* database)
{
    Impl& t = *impl_;
    TIBDatabase::Impl* next = database ? &database->impl() : nullptr;
    if (next == t.database)
        return;
    if (t.active())
        throw EIBClientError("Transaction is active");
    if (t.database)
        eraseFrom(t.database->transactions, &t);
    t.database = next;
    if (next) {
        next->transactions.push_back(&t);
        t.client = next->client;
        t.handle.setClient(*t.client);
    }
}

} // namespace dwindle
