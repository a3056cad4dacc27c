#include "transport/parse_decimal.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseDecimalTest, ReadsNumbersAsRepliesCarryThem) {
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {" 42", 42},          {"-7", -7},        {"+3", 3},           {"12abc", 12},
        {"abc", 0},           {"", 0},           {"-", 0},            {"- 5", 0},
        {"\t\t15", 15},       {"0", 0},          {"007", 7},          {"+-5", 0},
        {"2147483647", 2147483647},             {"-2147483648", -2147483647 - 1},
        {"2147483648", -2147483647 - 1},         {"4294967296", 0},   {"7x", 7},
        {" -12", -12},        {"1 2", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, ParseDecimal(c.text)) << '"' << c.text << '"';
}

}  // namespace
