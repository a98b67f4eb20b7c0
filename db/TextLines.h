#pragma once
// Small helpers for the name=value lines of the settings file and of the
// connection parameters.

#include <string>

namespace dwindle {

// The text without the blanks and tabs around it.
inline std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

} // namespace dwindle
