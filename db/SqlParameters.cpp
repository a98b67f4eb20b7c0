#include "SqlParameters.h"

namespace dwindle {

namespace {
bool nameStart(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool namePart(char c) noexcept
{
    return nameStart(c) || (c >= '0' && c <= '9') || c == '$';
}
char lower(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

bool sameName(const std::string& a, const std::string& b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

RewrittenSql rewriteParameters(const std::string& sql)
{
    RewrittenSql out;
    out.text.reserve(sql.size());
    const std::size_t n = sql.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            // A quoted string or name runs to the next lone quote; a doubled
            // quote inside stands for one.
            std::size_t j = i + 1;
            while (j < n) {
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            out.text.append(sql, i, j - i);
            i = j;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            std::size_t j = sql.find('\n', i);
            j = (j == std::string::npos) ? n : j;
            out.text.append(sql, i, j - i);
            i = j;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            std::size_t j = sql.find("*/", i + 2);
            j = (j == std::string::npos) ? n : j + 2;
            out.text.append(sql, i, j - i);
            i = j;
        } else if (c == ':' && i + 1 < n && nameStart(sql[i + 1])) {
            std::size_t j = i + 1;
            while (j < n && namePart(sql[j]))
                ++j;
            out.names.push_back(sql.substr(i + 1, j - i - 1));
            out.text += '?';
            i = j;
        } else {
            out.text += c;
            ++i;
        }
    }
    return out;
}

} // namespace dwindle
