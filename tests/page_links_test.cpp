// Links between the pages of a site: which paths in a page's HTML become
// links to other pages, and that everything else stays byte for byte.
#include "app/page_links.h"

#include "test_prelude.h"

#include <set>

namespace {

TEST(LinkPages, TableOfPagesAndTheirLinks) {
    const std::set<std::string> tree = {"inc/db.asp", "inc/util.inc", "top.asp", "js/app.js", "my page.asp", "style.css"};
    const auto inTree = [&](const std::string& path) { return tree.count(path) > 0; };
    for (const tintext::testing::Row& row : tintext::testing::ReadRows("app_page_links.tsv"))
        EXPECT_EQ(LinkPages(row[1], row[0], inTree), row.fields.size() > 2 ? row[2] : row[1]) << row.where;
}

}  // namespace
