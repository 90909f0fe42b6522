#include "support/html_escape.h"

#include <gtest/gtest.h>

using namespace tintext;

TEST(EncodeHtml, EscapesAmpersandAnglesAndBlanksOnly) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {"a  b", "a&nbsp;&nbsp;b"},
        {"\t\r\n\"'", "\t\r\n\"'"},
        {"&amp;", "&amp;amp;"},  // an entity already there is escaped again
        {"<b>", "&lt;b&gt;"},
        {"x < y && z", "x&nbsp;&lt;&nbsp;y&nbsp;&amp;&amp;&nbsp;z"},
        {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9&nbsp;\xE2\x82\xAC"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) EXPECT_EQ(EncodeHtml(c.in), c.out) << c.in;
}

TEST(EncodeHtml, AppendKeepsWhatIsThere) {
    std::string out = "<p>";
    AppendEncodedHtml(out, "1 < 2");
    AppendEncodedHtml(out, "");
    EXPECT_EQ(out, "<p>1&nbsp;&lt;&nbsp;2");
}
