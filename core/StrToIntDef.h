#pragma once
// Text to a signed 32-bit integer with a fallback, as the maintenance command
// reads the picture id that the user typed.

#include <cstdint>
#include <string_view>

namespace dwindle {

// Reads text as a signed 32-bit integer; returns defaultValue when it does not
// read as one. Accepted forms, after any number of leading blanks (' '):
//   - decimal digits, optionally preceded by one '+' or '-': " -17", "+7";
//   - hexadecimal digits (either letter case) after "$", "x", "X", "0x" or
//     "0X": "$1F", "x1f", "0X1F".
// A sign before a hexadecimal prefix ("-$1F") is not accepted, and a
// hexadecimal value must fit the signed range as well (at most $7FFFFFFF), so
// hexadecimal text never reads as a negative number. Anything else gives the
// default: empty text, a lone sign or prefix, any character after the number
// (a trailing blank included), or a value outside -2147483648..2147483647.
std::int32_t StrToIntDef(std::string_view text, std::int32_t defaultValue);

} // namespace dwindle
