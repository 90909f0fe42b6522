#include "support/edit_distance.h"

#include <gtest/gtest.h>

using namespace tintext;

namespace {

TEST(EditDistance, CountsInsertionsDeletionsAndChanges) {
    const struct {
        const char *a, *b;
        size_t distance;
    } cases[] = {
        {"", "", 0},          {"", "abc", 3},            {"abc", "", 3},
        {"overwrite", "overwrite", 0},
        {"ovewrite", "overwrite", 1},   // one left out
        {"overwrrite", "overwrite", 1}, // one too many
        {"oberwrite", "overwrite", 1},  // one changed
        {"hdl", "hld", 2},              // two swapped count as two changes
        {"kitten", "sitting", 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EditDistance(c.a, c.b), c.distance) << c.a << " / " << c.b;
        EXPECT_EQ(EditDistance(c.b, c.a), c.distance) << c.b << " / " << c.a;
    }
}

TEST(NearestWords, TypingMistakesOnlyNearestFirst) {
    const std::vector<std::string> options = {"in", "out", "hld", "hldfolder", "overwrite", "dostext", "showoutput"};
    EXPECT_EQ(NearestWords("ovewrite", options, 3, true), std::vector<std::string>{"overwrite"});
    EXPECT_EQ(NearestWords("OVEWRITE", options, 3, true), std::vector<std::string>{"overwrite"});
    EXPECT_EQ(NearestWords("hdl", options, 3, true), std::vector<std::string>{});  // two away from a short name
    EXPECT_EQ(NearestWords("hldfoldr", options, 3, true), std::vector<std::string>{"hldfolder"});
    EXPECT_EQ(NearestWords("ot", options, 3, true), std::vector<std::string>{"out"});  // "in" is two away
    EXPECT_EQ(NearestWords("nonesuch", options, 3, true), std::vector<std::string>{});
}

TEST(NearestWords, WithoutTheLimitAlwaysGivesTheNearest) {
    const std::vector<std::string> names = {"Python", "C", "Perl", "Python", "PHP"};
    EXPECT_EQ(NearestWords("pyton", names, 3, false), (std::vector<std::string>{"Python", "Perl", "PHP"}));  // equals in given order
    EXPECT_EQ(NearestWords("nonesuch", names, 1, false).size(), 1u);
    EXPECT_EQ(NearestWords("x", names, 10, false).size(), 4u);  // each once
}

}  // namespace
