#pragma once
// Turns a client status vector into the program's database exception. Every
// isc_* call is followed by check(), so no status vector travels further.

#include "FbClient.h"

#include <string>

namespace dwindle {

// The client's message lines for the status, in their order, each line after
// the first preceded by CR LF (none added after a line that already ends in a
// line feed), and one full stop at the very end removed.
std::string statusMessage(const FbClient& client, const ISC_STATUS* status);

// EIBInterBaseRoleError for SQL code -551 (no permission), EIBInterBaseError
// otherwise; both carry the SQL code and the first engine error code.
[[noreturn]] void raiseStatus(const FbClient& client, const ISC_STATUS* status);

inline bool failed(const ISC_STATUS* status) noexcept
{
    return status[0] == 1 && status[1] != 0;
}

inline void check(const FbClient& client, const ISC_STATUS* status)
{
    if (failed(status))
        raiseStatus(client, status);
}

} // namespace dwindle
