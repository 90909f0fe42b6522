#include "engine/encoding_declaration.h"

#include <algorithm>
#include <cstring>

namespace tintext {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == ':';
}

// Where `needle` (lower case) stands in text at or after `from`, letter case
// ignored; npos when nowhere.
size_t FindNoCase(std::string_view text, std::string_view needle, size_t from) {
    const char first = needle[0];
    const char upper = first >= 'a' && first <= 'z' ? static_cast<char>(first - 32) : first;
    while (from + needle.size() <= text.size()) {
        const char* base = text.data() + from;
        const size_t left = text.size() - from - needle.size() + 1;
        const char* a = static_cast<const char*>(std::memchr(base, first, left));
        const char* b = upper == first ? nullptr : static_cast<const char*>(std::memchr(base, upper, a ? a - base : left));
        const char* hit = b ? b : a;
        if (!hit) return std::string_view::npos;
        const size_t at = static_cast<size_t>(hit - text.data());
        bool same = true;
        for (size_t k = 1; k < needle.size() && same; ++k) same = Lower(text[at + k]) == needle[k];
        if (same) return at;
        from = at + 1;
    }
    return std::string_view::npos;
}

size_t SkipBlanks(std::string_view text, size_t at) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    return at;
}

// After a name at `at`: blanks, "=", blanks, an optional quote, the value.
// Empty when no "=" follows.
std::string ValueAfter(std::string_view text, size_t at) {
    at = SkipBlanks(text, at);
    if (at >= text.size() || text[at] != '=') return {};
    at = SkipBlanks(text, at + 1);
    if (at < text.size() && (text[at] == '"' || text[at] == '\'')) ++at;
    size_t end = at;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    return std::string(text.substr(at, end - at));
}

struct Found {
    size_t at;
    EncodingDeclaration declaration;
};

// <%@ Language=VBScript CodePage=936 %>
void FindAspDirectives(std::string_view text, std::vector<Found>& found) {
    for (size_t at = 0; (at = text.find("<%@", at)) != std::string_view::npos; at += 3) {
        size_t end = text.find("%>", at);
        std::string_view directive = text.substr(at, end == std::string_view::npos ? text.size() - at : end - at);
        size_t name = FindNoCase(directive, "codepage", 0);
        if (name == std::string_view::npos) continue;
        std::string value = ValueAfter(directive, name + 8);
        if (!value.empty()) found.push_back({at + name, {value, "the page's CODEPAGE directive", true}});
    }
}

// Session.CodePage = 65001, Response.CodePage = 936
void FindCodePageAssignments(std::string_view text, std::vector<Found>& found) {
    for (size_t at = 0; (at = FindNoCase(text, ".codepage", at)) != std::string_view::npos; at += 9) {
        for (std::string_view object : {"session", "response"}) {
            if (at < object.size() || FindNoCase(text.substr(at - object.size(), object.size()), object, 0) != 0)
                continue;
            std::string value = ValueAfter(text, at + 9);
            if (value.empty() || !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
                continue;
            const std::string name = object == "session" ? "Session.CodePage" : "Response.CodePage";
            found.push_back({at, {value, "the page's " + name + " assignment", true}});
        }
    }
}

// <meta charset="gbk"> and <meta http-equiv="Content-Type" content="text/html; charset=gb2312">
void FindMetaCharsets(std::string_view text, std::vector<Found>& found) {
    for (size_t at = 0; (at = FindNoCase(text, "<meta", at)) != std::string_view::npos; at += 5) {
        size_t end = text.find('>', at);
        std::string_view tag = text.substr(at, end == std::string_view::npos ? text.size() - at : end - at);
        size_t name = FindNoCase(tag, "charset", 0);
        if (name == std::string_view::npos) continue;
        std::string value = ValueAfter(tag, name + 7);
        if (value.empty()) continue;
        const bool contentType = FindNoCase(tag, "http-equiv", 0) != std::string_view::npos;
        found.push_back({at, {value, contentType ? "the page's Content-Type meta" : "the page's meta charset", false}});
    }
}

// <?xml version="1.0" encoding="windows-1251"?>, only at the start.
void FindXmlDeclaration(std::string_view text, std::vector<Found>& found) {
    const size_t at = SkipBlanks(text, 0);
    if (text.substr(at, 5) != "<?xml") return;
    size_t end = text.find("?>", at);
    std::string_view declaration = text.substr(at, end == std::string_view::npos ? text.size() - at : end - at);
    size_t name = FindNoCase(declaration, "encoding", 0);
    if (name == std::string_view::npos) return;
    std::string value = ValueAfter(declaration, name + 8);
    if (!value.empty()) found.push_back({at, {value, "the page's XML declaration", false}});
}

}  // namespace

std::vector<EncodingDeclaration> FindEncodingDeclarations(std::string_view bytes) {
    std::vector<Found> found;
    FindAspDirectives(bytes, found);
    FindCodePageAssignments(bytes, found);
    FindMetaCharsets(bytes, found);
    FindXmlDeclaration(bytes, found);
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.at < b.at; });
    std::vector<EncodingDeclaration> declarations;
    for (Found& f : found) declarations.push_back(std::move(f.declaration));
    return declarations;
}

}  // namespace tintext
