#pragma once
// Owners of the client's handles. A destructor only releases what is still
// held and never reports; committing, closing and detaching with a reported
// outcome are explicit calls made where the program's life says so.
//
// The owners are neither copied nor moved: the client remembers the address
// of some handle variables (isc_dsql_alloc_statement2 zeroes the caller's
// statement handle when the connection detaches), so a handle is created in
// the place where it lives, and stays there.

#include "FbClient.h"


namespace dwindle {

template <typename Handle, ISC_STATUS (*Release)(const FbClient&, Handle*)>
class FbHandle {
public:
    FbHandle() = default;
    explicit FbHandle(const FbClient& client) : client_(&client) {}
    ~FbHandle() { reset(); }
    FbHandle(const FbHandle&) = delete;
    FbHandle& operator=(const FbHandle&) = delete;
    FbHandle(FbHandle&&) = delete;
    FbHandle& operator=(FbHandle&&) = delete;

    explicit operator bool() const noexcept { return handle_ != Handle{}; }
    Handle* get() noexcept { return &handle_; }
    const FbClient& client() const noexcept { return *client_; }
    void setClient(const FbClient& client) noexcept { client_ = &client; }

    // Releases the handle without reporting anything.
    void reset() noexcept
    {
        if (handle_ != Handle{} && client_)
            Release(*client_, &handle_);
        handle_ = Handle{};
    }
    // Forgets the handle without releasing it (the client already did).
    void forget() noexcept { handle_ = Handle{}; }

private:
    const FbClient* client_ = nullptr;
    Handle handle_{};
};

namespace fbrelease {
inline ISC_STATUS detach(const FbClient& c, isc_db_handle* h)
{
    ISC_STATUS_ARRAY s{};
    return c.isc_detach_database(s, h);
}
inline ISC_STATUS rollback(const FbClient& c, isc_tr_handle* h)
{
    ISC_STATUS_ARRAY s{};
    return c.isc_rollback_transaction(s, h);
}
inline ISC_STATUS drop(const FbClient& c, isc_stmt_handle* h)
{
    ISC_STATUS_ARRAY s{};
    return c.isc_dsql_free_statement(s, h, DSQL_drop);
}
inline ISC_STATUS cancel(const FbClient& c, isc_blob_handle* h)
{
    ISC_STATUS_ARRAY s{};
    return c.isc_cancel_blob(s, h);
}
} // namespace fbrelease

// An attachment: released by detaching.
using AttachmentHandle = FbHandle<isc_db_handle, fbrelease::detach>;
// A transaction: released by rolling back; a commit is always explicit.
using TransactionHandle = FbHandle<isc_tr_handle, fbrelease::rollback>;
// A prepared statement: released by dropping it.
using StatementHandle = FbHandle<isc_stmt_handle, fbrelease::drop>;
// A blob: released by cancelling it (a blob being written is discarded; one
// being read is simply closed).
using BlobHandle = FbHandle<isc_blob_handle, fbrelease::cancel>;

} // namespace dwindle
