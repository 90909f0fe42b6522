#include "support/edit_distance.h"

#include <gtest/gtest.h>

#include "case_file.h"

using namespace tintext;

TEST(EditDistance, CountsInsertionsDeletionsAndChangesEitherWay) {
    for (const auto& row : tintext::testing::ReadRows("lib_edit_distance.tsv")) {
        EXPECT_EQ(EditDistance(row[0], row[1]), std::stoul(row[2])) << row.where;
        EXPECT_EQ(EditDistance(row[1], row[0]), std::stoul(row[2])) << row.where;
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
