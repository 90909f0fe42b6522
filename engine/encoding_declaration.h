// The code page a page names for itself: the ASP directive, Session or
// Response.CodePage assignments, a meta charset, a Content-Type meta, or the
// XML declaration.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tintext {

struct EncodingDeclaration {
    std::string value;  // as written: "936", "gb2312", "UTF-8"
    std::string where;  // "the page's CODEPAGE directive"
    bool isNumber;      // a Windows code page number (ASP), not a charset name
};

// Every declaration in the bytes, in file order. Only ASCII is read, so any
// ASCII-compatible page can be scanned before it is known.
std::vector<EncodingDeclaration> FindEncodingDeclarations(std::string_view bytes);

}  // namespace tintext
