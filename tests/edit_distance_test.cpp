#include "support/edit_distance.h"

#include "test_prelude.h"

#include <sstream>

TEST(EditDistance, CountsInsertionsDeletionsAndChangesEitherWay) {
    for (const auto& row : tintext::testing::ReadRows("lib_edit_distance.tsv")) {
        EXPECT_EQ(EditDistance(row[0], row[1]), std::stoul(row[2])) << row.where;
        EXPECT_EQ(EditDistance(row[1], row[0]), std::stoul(row[2])) << row.where;
    }
}

TEST(NearestWords, GiveTheTabledWords) {
    const auto words = [](const std::string& text) {
        std::vector<std::string> list;
        std::istringstream in(text);
        for (std::string word; in >> word;) list.push_back(word);
        return list;
    };
    for (const auto& row : tintext::testing::ReadRows("lib_nearest_words.tsv"))
        EXPECT_EQ(NearestWords(row[0], words(row[1]), std::stoul(row[2]), row[3] == "typing"), words(row[4])) << row.where;
}
