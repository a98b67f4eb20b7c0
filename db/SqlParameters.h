#pragma once
// Named parameters of a fixed SQL text (":IMAGE"), rewritten to the client's
// positional markers ("?"). Quoted strings, quoted names and comments are
// left alone.

#include <string>
#include <vector>

namespace dwindle {

struct RewrittenSql {
    std::string text;                // the statement with every ":NAME" replaced by "?"
    std::vector<std::string> names;  // one entry per marker, in statement order, as written
};

RewrittenSql rewriteParameters(const std::string& sql);

// Compares two names without regard to ASCII letter case.
bool sameName(const std::string& a, const std::string& b) noexcept;

} // namespace dwindle
