// Escaping of matched text for HTML: "&" -> "&amp;", "<" -> "&lt;",
// ">" -> "&gt;", blank -> "&nbsp;". Nothing else changes: tabs, line breaks,
// quotation marks and non-ASCII characters pass through as they are.
#pragma once

#include <string>
#include <string_view>

namespace tintext {

std::string EncodeHtml(std::string_view text);

// The same, appended to `out` (the formatter's hot path: no temporary).
void AppendEncodedHtml(std::string& out, std::string_view text);

}  // namespace tintext
