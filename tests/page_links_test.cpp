// Links between the pages of a site: which paths in a page's HTML become
// links to other pages, and that everything else stays byte for byte.
#include "app/page_links.h"

#include <gtest/gtest.h>

#include <set>

using namespace tintext;

namespace {

const std::set<std::string> kTree = {"inc/db.asp", "inc/util.inc", "top.asp", "js/app.js", "my page.asp", "style.css"};

bool InTree(const std::string& path) { return kTree.count(path) > 0; }

struct LinkCase {
    const char* page;      // the page's file in the tree
    const char* html;      // the formatted HTML
    const char* expected;  // the same with the links
};

TEST(LinkPages, IncludesAndReferencesToFilesOfTheTreeBecomeLinks) {
    const LinkCase cases[] = {
        // file= is relative to the including file's folder
        {"top.asp", "&lt;!--#include file=&quot;inc/db.asp&quot;--&gt;",
         "&lt;!--#include file=&quot;<a href=\"inc/db.asp.htm\">inc/db.asp</a>&quot;--&gt;"},
        {"inc/db.asp", "&lt;!-- #include file=&quot;util.inc&quot; --&gt;",
         "&lt;!-- #include file=&quot;<a href=\"../inc/util.inc.htm\">util.inc</a>&quot; --&gt;"},
        {"inc/db.asp", "&lt;!--#include file=&quot;../top.asp&quot;--&gt;",
         "&lt;!--#include file=&quot;<a href=\"../top.asp.htm\">../top.asp</a>&quot;--&gt;"},
        // virtual= is relative to the root, with or without a leading slash
        {"inc/db.asp", "&lt;!--#include virtual=&quot;/top.asp&quot;--&gt;",
         "&lt;!--#include virtual=&quot;<a href=\"../top.asp.htm\">/top.asp</a>&quot;--&gt;"},
        {"inc/db.asp", "&lt;!--#INCLUDE VIRTUAL=&quot;inc/util.inc&quot;--&gt;",
         "&lt;!--#INCLUDE VIRTUAL=&quot;<a href=\"../inc/util.inc.htm\">inc/util.inc</a>&quot;--&gt;"},
        // inside the spans a definition writes
        {"top.asp", "<span class=\"sd\">&lt;!--#include file=</span><span class=\"av\">&quot;inc/db.asp&quot;</span>--&gt;",
         "<span class=\"sd\">&lt;!--#include file=</span><span class=\"av\">&quot;<a href=\"inc/db.asp.htm\">inc/db.asp</a>&quot;</span>--&gt;"},
        // script src, link href, a href; a blank in the name is written %20
        {"top.asp", "&lt;script src=&quot;js/app.js&quot;&gt;",
         "&lt;script src=&quot;<a href=\"js/app.js.htm\">js/app.js</a>&quot;&gt;"},
        {"top.asp", "&lt;link rel=&quot;stylesheet&quot; href=&#39;style.css?v=2&#39;&gt;",
         "&lt;link rel=&quot;stylesheet&quot; href=&#39;<a href=\"style.css.htm\">style.css?v=2</a>&#39;&gt;"},
        {"inc/db.asp", "&lt;a href=&quot;../my page.asp#top&quot;&gt;",
         "&lt;a href=&quot;<a href=\"../my%20page.asp.htm\">../my page.asp#top</a>&quot;&gt;"},
    };
    for (const LinkCase& c : cases) EXPECT_EQ(LinkPages(c.html, c.page, InTree), c.expected) << c.html;
}

TEST(LinkPages, WhatIsNotAFileOfTheTreeStaysAsItWas) {
    const LinkCase cases[] = {
        {"top.asp", "&lt;!--#include file=&quot;missing.asp&quot;--&gt;", ""},
        {"top.asp", "&lt;!--#include file=&quot;../outside/top.asp&quot;--&gt;", ""},  // leaves the tree
        {"top.asp", "&lt;a href=&quot;https://example.com/top.asp&quot;&gt;", ""},
        {"top.asp", "&lt;a href=&quot;/top.asp&quot;&gt;", ""},  // a site's root is not the tree's
        {"top.asp", "&lt;img src=&quot;top.asp&quot;&gt;", ""},  // only script, link and a
        {"top.asp", "x = &quot;inc/db.asp&quot; ' a string, no include", ""},
        {"top.asp", "&lt;!--#include file=&quot;inc/<b>db</b>.asp&quot;--&gt;", ""},  // split by tags
        {"top.asp", "&lt;!--#include file=&quot;inc/db.asp", ""},  // not closed
    };
    for (const LinkCase& c : cases) EXPECT_EQ(LinkPages(c.html, c.page, InTree), c.html) << c.html;
}

}  // namespace
