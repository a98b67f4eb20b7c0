#include "StrToIntDef.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using dwindle::StrToIntDef;

namespace {

struct Case {
    std::string text;
    std::int32_t expected; // with the default 0
};

void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class StrToIntDefTable : public ::testing::TestWithParam<Case> {};

TEST_P(StrToIntDefTable, ReadsTextWithDefaultZero)
{
    EXPECT_EQ(StrToIntDef(GetParam().text, 0), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, StrToIntDefTable,
    ::testing::Values(
        // Decimal, with leading blanks and a sign.
        Case{"7", 7}, Case{" 7", 7}, Case{"   7", 7}, Case{"+7", 7}, Case{"-7", -7}, Case{"007", 7},
        Case{"0", 0}, Case{"-0", 0}, Case{"2147483647", 2147483647},
        Case{"-2147483648", INT32_MIN}, Case{"000000000000000000000000042", 42},
        // Hexadecimal after "$", "x" or "0x", digits in either case.
        Case{"$1F", 31}, Case{"$1f", 31}, Case{"0x1f", 31}, Case{"0X1F", 31}, Case{"X1F", 31},
        Case{"x1f", 31}, Case{" $10", 16}, Case{"$7FFFFFFF", 2147483647},
        // Everything else gives the default.
        Case{"", 0}, Case{" ", 0}, Case{"7 ", 0}, Case{"7x", 0}, Case{"abc", 0}, Case{"1e3", 0},
        Case{"2147483648", 0}, Case{"-2147483649", 0}, Case{"99999999999999999999", 0},
        Case{"+", 0}, Case{"-", 0}, Case{"$", 0}, Case{"x", 0}, Case{"0x", 0}, Case{"- 7", 0},
        Case{"--7", 0}, Case{"+-7", 0}, Case{"\t7", 0}, Case{"7\n", 0}, Case{"$1G", 0},
        Case{"0x 1", 0}, Case{"$80000000", 0}, Case{"$FFFFFFFF", 0}, Case{"$100000000", 0},
        // A sign before a hexadecimal prefix is not accepted.
        Case{"-$1F", 0}, Case{"+$1F", 0}, Case{"-0x1f", 0}, Case{"-x1f", 0}));

TEST(StrToIntDef, ReturnsTheGivenDefault)
{
    EXPECT_EQ(StrToIntDef("abc", -5), -5);
    EXPECT_EQ(StrToIntDef("", 12), 12);
    EXPECT_EQ(StrToIntDef("7", -5), 7);
    EXPECT_EQ(StrToIntDef(std::string("7\0" "1", 3), 9), 9); // an embedded NUL is not a digit
}

} // namespace
