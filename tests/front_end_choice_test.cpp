#include "app/front_end_choice.h"

#include "test_prelude.h"

#include "support/system.h"

namespace {

TEST(FrontEndChoice, TableOfRunsAndSurroundings) {
    for (const tintext::testing::Row& row : tintext::testing::ReadRows("app_front_ends.tsv")) {
        const FrontEnd chosen = ChooseFrontEnd(*System().ParseCommandline(row[0]), {row[1] == "1", row[2] == "1"});
        const char* const names[] = {"terminal", "main dialog", "batch dialogs"};
        EXPECT_EQ(names[static_cast<int>(chosen)], row[3]) << row.where;
    }
}

}  // namespace
