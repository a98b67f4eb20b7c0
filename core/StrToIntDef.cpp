#include "StrToIntDef.h"

namespace dwindle {

namespace {

int digitValue(char c, int base) noexcept
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

} // namespace

std::int32_t StrToIntDef(std::string_view text, std::int32_t defaultValue)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;

    bool negative = false;
    int base = 10;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    } else if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }

    if (i == text.size())
        return defaultValue; // nothing, a lone sign or a lone prefix

    // Accumulated as a magnitude in 64 bits; the limit is checked after each
    // digit, so no amount of leading zeros or digits can overflow it.
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = digitValue(text[i], base);
        if (digit < 0)
            return defaultValue;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return defaultValue;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

} // namespace dwindle
