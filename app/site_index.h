// The browsable site of a run over a folder: the index page (the tree as
// nested lists, linking every page), the bar at the top of each page, and
// the rules both add to the one stylesheet the pages share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tintext {

// The name of the index page and of the shared stylesheet in DEST.
inline constexpr const char* kIndexPage = "index.html";
inline constexpr const char* kSiteStylesheet = "tintext.css";

struct IndexEntry {
    std::string relative;  // the file's path in the tree
    uint64_t size = 0;
    std::string language;
    size_t lines = 0;
};

// A path in the tree as a link: each byte other than letters, digits and
// - . _ ~ / written %XX, so that blanks, line breaks and bytes that are no
// UTF-8 survive in an href.
std::string HrefOf(const std::string& relative);

// The id of a folder's list in the index ("d-" and its link form; "d-" for
// the root), which the bars of the pages link to.
std::string FolderAnchor(const std::string& folder);

// The whole index page; `title` names the tree. Entries in any order.
std::string SiteIndexHtml(const std::string& title, std::vector<IndexEntry> entries);

// The bar of the page of `relative`: each folder of the path linking to the
// index at that folder, then the file's name, and a link to the index.
std::string PageBarHtml(const std::string& relative);

// "../" once for each folder of `relative`: from its page back to DEST.
std::string UpToRoot(const std::string& relative);

// The rules of the bar and the index, added to the theme's stylesheet.
std::string SiteStylesheetRules();

// A name as the reader sees it: HTML-escaped, a byte that is no UTF-8
// shown as \xNN, a control character (a line break in a name) as \n or \xNN.
std::string ShownName(const std::string& name);

}  // namespace tintext
