#include "support/html_escape.h"

#include "test_prelude.h"

TEST(EncodeHtml, EscapesAmpersandAnglesAndBlanksOnly) {
    for (const auto& row : tintext::testing::ReadRows("html_escape_cases.txt"))
        EXPECT_EQ(EncodeHtml(row.fields[0]), row.fields[1]) << row.where;
}

TEST(EncodeHtml, AppendKeepsWhatIsThere) {
    std::string out = "<p>";
    AppendEncodedHtml(out, "1 < 2");
    EXPECT_EQ(out, "<p>1&nbsp;&lt;&nbsp;2");
}
