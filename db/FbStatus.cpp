#include "FbStatus.h"

#include "Exceptions.h"

namespace dwindle {

std::string statusMessage(const FbClient& client, const ISC_STATUS* status)
{
    std::string message;
    const ISC_STATUS* cursor = status;
    char line[1024];
    bool first = true;
    // fb_interpret is the bounded successor of isc_interprete: same lines,
    // but it is told the buffer's size.
    while (client.fb_interpret(line, sizeof line, &cursor) > 0) {
        if (!first && (message.empty() || message.back() != '\n'))
            message += "\r\n";
        message += line;
        first = false;
    }
    if (!message.empty() && message.back() == '.')
        message.pop_back();
    return message;
}

void raiseStatus(const FbClient& client, const ISC_STATUS* status)
{
    const long sqlCode = client.isc_sqlcode(status);
    const long engineCode = static_cast<long>(status[1]);
    std::string message = statusMessage(client, status);
    if (sqlCode == -551)
        throw EIBInterBaseRoleError(std::move(message), sqlCode, engineCode);
    throw EIBInterBaseError(std::move(message), sqlCode, engineCode);
}

} // namespace dwindle
