// Links between the pages of a site: in the HTML of a page, the paths of
// server-side includes (<!--#include file="..."--> from the including file's
// folder, virtual="..." from the tree's root) and the relative src and href
// of <script>, <link> and <a> become links to the pages of those files when
// they are files of the tree. Anything else stays as it was.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tintext {

// `relative`: the page's file in the tree; `inTree`: whether a path in the
// tree (normalised, "/"-separated) is a file with a page.
std::string LinkPages(std::string_view html, const std::string& relative,
                      const std::function<bool(const std::string&)>& inTree);

}  // namespace tintext
