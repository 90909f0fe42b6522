#include "support/conversions.h"

#include "test_prelude.h"

#include <charconv>

#include "typed_value.h"

namespace {

std::string Shortest(double number) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, number).ptr);
}

}  // namespace

TEST(Conversions, GiveTheTabledResults) {
    for (const auto& row : tintext::testing::ReadRows("lib_conversions.tsv")) {
        const Value in = tintext::testing::Typed(row[1]);
        const std::string result = row[0] == "SafeCStr"        ? SafeCStr(in)
                                   : row[0] == "SafeCLng"      ? std::to_string(SafeCLng(in))
                                   : row[0] == "SafeCBool"     ? (SafeCBool(in) ? "true" : "false")
                                   : row[0] == "RoundHalfEven" ? Shortest(RoundHalfEven(in.AsDouble()))
                                                               : "no such function";
        EXPECT_EQ(result, row[2]) << row.where;
    }
}
