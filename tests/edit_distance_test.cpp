#include "support/edit_distance.h"

#include <gtest/gtest.h>

using namespace tintext;

TEST(EditDistance, CountsInsertionsDeletionsAndChangesEitherWay) {
    const struct {
        const char *a, *b;
        size_t distance;
    } cases[] = {
        {"", "", 0}, {"", "abc", 3}, {"overwrite", "overwrite", 0}, {"ovewrite", "overwrite", 1},
        {"oberwrite", "overwrite", 1}, {"hdl", "hld", 2}, {"kitten", "sitting", 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EditDistance(c.a, c.b), c.distance) << c.a << " / " << c.b;
        EXPECT_EQ(EditDistance(c.b, c.a), c.distance) << c.b << " / " << c.a;
    }
}

TEST(NearestWords, TypingMistakesOnlyNearestFirst) {
    const std::vector<std::string> options = {"in", "out", "hld", "hldfolder", "overwrite", "dostext", "showoutput"};
    using Words = std::vector<std::string>;
    EXPECT_EQ(NearestWords("OVEWRITE", options, 3, true), Words{"overwrite"});
    EXPECT_EQ(NearestWords("hdl", options, 3, true), Words{});  // two away from a short name
    EXPECT_EQ(NearestWords("hldfoldr", options, 3, true), Words{"hldfolder"});
    EXPECT_EQ(NearestWords("ot", options, 3, true), Words{"out"});  // "in" is two away
}

TEST(NearestWords, WithoutTheLimitAlwaysGivesTheNearest) {
    const std::vector<std::string> names = {"Python", "C", "Perl", "Python", "PHP"};
    EXPECT_EQ(NearestWords("pyton", names, 3, false), (std::vector<std::string>{"Python", "Perl", "PHP"}));
    EXPECT_EQ(NearestWords("x", names, 10, false).size(), 4u);  // each once
}
