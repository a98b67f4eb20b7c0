#pragma once
// The Firebird client library, opened with dlopen and reached only through one
// table of entry points. The library is never linked: a machine without it
// still starts the program far enough to say what is missing.

#include <ibase.h>

#include <string>

namespace dwindle {

// Every client entry point this program calls, typed after <ibase.h>.
struct FbClient {
    std::string fileName; // the file name given to dlopen

#define DWINDLE_FB_ENTRY(fn) decltype(&::fn) fn = nullptr;
#define DWINDLE_FB_ENTRIES(X)                                                  \
    X(isc_attach_database)                                                     \
    X(isc_detach_database)                                                     \
    X(isc_database_info)                                                       \
    X(isc_drop_database)                                                       \
    X(fb_interpret)                                                            \
    X(isc_sqlcode)                                                             \
    X(isc_start_multiple)                                                      \
    X(isc_commit_transaction)                                                  \
    X(isc_rollback_transaction)                                                \
    X(isc_dsql_alloc_statement2)                                               \
    X(isc_dsql_prepare)                                                        \
    X(isc_dsql_sql_info)                                                       \
    X(isc_dsql_describe)                                                       \
    X(isc_dsql_describe_bind)                                                  \
    X(isc_dsql_execute)                                                        \
    X(isc_dsql_execute2)                                                       \
    X(isc_dsql_execute_immediate)                                              \
    X(isc_dsql_set_cursor_name)                                                \
    X(isc_dsql_fetch)                                                          \
    X(isc_dsql_free_statement)                                                 \
    X(isc_create_blob2)                                                        \
    X(isc_put_segment)                                                         \
    X(isc_open_blob2)                                                          \
    X(isc_blob_info)                                                           \
    X(isc_get_segment)                                                         \
    X(isc_close_blob)                                                          \
    X(isc_cancel_blob)
    DWINDLE_FB_ENTRIES(DWINDLE_FB_ENTRY)
#undef DWINDLE_FB_ENTRY
};

// The file name the program loads unless told otherwise (libfbclient.so.2).
const std::string& defaultClientLibrary();

// The table for the library of that file name. The first call for a name
// opens the library and resolves every entry point; later calls return the
// same table, and the library stays loaded until the process ends.
// Fails with EIBClientError when the library cannot be loaded, and with
// EOSError when it lacks an entry point.
const FbClient& loadFbClient(const std::string& fileName);

} // namespace dwindle
