#include "app/page_links.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "app/site_index.h"

namespace tintext {

namespace {

// The text a reader sees in the page, each byte with the range of HTML it
// came from (an entity gives one byte; tags give none).
struct PageText {
    std::string text;
    std::vector<size_t> from, to;
};

char EntityChar(std::string_view entity) {
    if (entity == "&lt;") return '<';
    if (entity == "&gt;") return '>';
    if (entity == "&amp;") return '&';
    if (entity == "&quot;" || entity == "&#34;") return '"';
    if (entity == "&#39;" || entity == "&apos;") return '\'';
    if (entity == "&nbsp;" || entity == "&#160;") return ' ';
    return '\0';
}

PageText TextOf(std::string_view html) {
    PageText page;
    for (size_t i = 0; i < html.size();) {
        if (html[i] == '<') {
            const size_t end = html.find('>', i);
            i = end == std::string_view::npos ? html.size() : end + 1;
            continue;
        }
        size_t next = i + 1;
        char c = html[i];
        if (c == '&') {
            const size_t semicolon = html.find(';', i);
            if (semicolon != std::string_view::npos && semicolon - i <= 7) {
                if (const char decoded = EntityChar(html.substr(i, semicolon + 1 - i))) {
                    c = decoded;
                    next = semicolon + 1;
                }
            }
        }
        page.text += c;
        page.from.push_back(i);
        page.to.push_back(next);
        i = next;
    }
    return page;
}

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view word) {
    if (at + word.size() > text.size()) return false;
    for (size_t k = 0; k < word.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(text[at + k])) != word[k]) return false;
    return true;
}

size_t SkipBlanks(std::string_view text, size_t at) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    return at;
}

// A quoted value at `at` (after any blanks): its start and end, or false.
bool QuotedValue(std::string_view text, size_t at, size_t& start, size_t& end) {
    at = SkipBlanks(text, at);
    if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) return false;
    const size_t close = text.find(text[at], at + 1);
    if (close == std::string_view::npos || close - at > 1024) return false;
    start = at + 1;
    end = close;
    return true;
}

struct Target {
    size_t start, end;  // of the path, in the text
    std::string path;   // in the tree
};

// A path of the page's folder or of the root, made a path in the tree; empty
// when it leaves the tree or is no file path (a scheme, a query alone).
std::string InTreePath(std::string value, const std::string& folder, bool fromRoot) {
    value = value.substr(0, value.find_first_of("?#"));
    if (value.empty() || value.find(':') != std::string::npos || value.starts_with("//")) return {};
    if (value.starts_with("/")) {
        if (!fromRoot) return {};
        value.erase(0, 1);
    }
    std::replace(value.begin(), value.end(), '\\', '/');
    const std::filesystem::path joined = std::filesystem::path(fromRoot ? "" : folder) / value;
    const std::string normal = joined.lexically_normal().generic_string();
    if (normal.empty() || normal.starts_with("..") || normal.starts_with("/")) return {};
    return normal;
}

void FindIncludes(std::string_view text, const std::string& folder, std::vector<Target>& found) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (size_t at = lower.find("#include"); at != std::string::npos; at = lower.find("#include", at + 1)) {
        if (at < 4 || text.substr(at - 4, 4) != "<!--") {
            const size_t open = text.rfind("<!--", at);
            if (open == std::string_view::npos || text.substr(open + 4, at - open - 4).find_first_not_of(" \t") != std::string_view::npos)
                continue;
        }
        size_t p = SkipBlanks(text, at + 8);
        const bool virtualPath = StartsWithNoCase(text, p, "virtual");
        if (!virtualPath && !StartsWithNoCase(text, p, "file")) continue;
        p = SkipBlanks(text, p + (virtualPath ? 7 : 4));
        size_t start = 0, end = 0;
        if (p >= text.size() || text[p] != '=' || !QuotedValue(text, p + 1, start, end)) continue;
        const std::string path = InTreePath(std::string(text.substr(start, end - start)), folder, virtualPath);
        if (!path.empty()) found.push_back({start, end, path});
    }
}

void FindReferences(std::string_view text, const std::string& folder, std::vector<Target>& found) {
    for (size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1)) {
        size_t p = at + 1;
        bool known = false;
        for (std::string_view tag : {"script", "link", "a"}) {
            if (StartsWithNoCase(text, p, tag) && p + tag.size() < text.size() &&
                std::isspace(static_cast<unsigned char>(text[p + tag.size()]))) {
                known = true;
                p += tag.size();
                break;
            }
        }
        if (!known) continue;
        const size_t close = text.find('>', p);
        const size_t limit = close == std::string_view::npos ? text.size() : close;
        for (; p < limit; ++p) {
            const bool src = StartsWithNoCase(text, p, "src"), href = StartsWithNoCase(text, p, "href");
            if (!src && !href) continue;
            if (!std::isspace(static_cast<unsigned char>(text[p - 1]))) continue;
            const size_t equals = SkipBlanks(text, p + (src ? 3 : 4));
            size_t start = 0, end = 0;
            if (equals >= limit || text[equals] != '=' || !QuotedValue(text, equals + 1, start, end) || end > limit)
                continue;
            const std::string path = InTreePath(std::string(text.substr(start, end - start)), folder, false);
            if (!path.empty()) found.push_back({start, end, path});
            p = end;
        }
    }
}

}  // namespace

std::string LinkPages(std::string_view html, const std::string& relative,
                      const std::function<bool(const std::string&)>& inTree) {
    const PageText page = TextOf(html);
    const size_t slash = relative.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : relative.substr(0, slash);
    std::vector<Target> targets;
    FindIncludes(page.text, folder, targets);
    FindReferences(page.text, folder, targets);
    std::sort(targets.begin(), targets.end(), [](const Target& a, const Target& b) { return a.start < b.start; });
    std::string out;
    size_t copied = 0;
    for (const Target& target : targets) {
        if (target.end <= target.start || !inTree(target.path)) continue;
        const size_t from = page.from[target.start], to = page.to[target.end - 1];
        // Only a path written in one piece of text is wrapped, so that the
        // page's own tags stay balanced.
        if (from < copied || html.substr(from, to - from).find('<') != std::string_view::npos) continue;
        out.append(html.substr(copied, from - copied));
        out += "<a href=\"" + UpToRoot(relative) + HrefOf(target.path + ".htm") + "\">";
        out.append(html.substr(from, to - from));
        out += "</a>";
        copied = to;
    }
    out.append(html.substr(copied));
    return out;
}

}  // namespace tintext
