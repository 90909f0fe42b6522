#include "app/site_index.h"

#include <algorithm>
#include <cstdio>

#include "support/html_escape.h"
#include "support/utf8.h"

namespace tintext {

namespace {

std::string Hex(unsigned char byte) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

std::string SizeText(uint64_t bytes) {
    char text[32];
    if (bytes < 1024) return std::to_string(bytes) + " B";
    if (bytes < 1024 * 1024) {
        std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024.0);
    } else {
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    }
    return text;
}

std::string FolderOf(const std::string& relative) {
    const size_t slash = relative.rfind('/');
    return slash == std::string::npos ? "" : relative.substr(0, slash);
}

std::string NameOf(const std::string& relative) { return relative.substr(relative.rfind('/') + 1); }

std::vector<std::string> Parts(const std::string& folder) {
    std::vector<std::string> parts;
    for (size_t start = 0; !folder.empty();) {
        const size_t slash = folder.find('/', start);
        parts.push_back(folder.substr(start, slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return parts;
}

// Where an entry comes in the index: each folder's entries together, its
// files before its subfolders, each by name.
std::vector<std::string> IndexKey(const std::string& relative) {
    std::vector<std::string> key;
    for (const std::string& part : Parts(FolderOf(relative))) key.push_back("1" + part);
    key.push_back("0" + NameOf(relative));
    return key;
}

}  // namespace

std::string HrefOf(const std::string& relative) {
    std::string href;
    for (unsigned char c : relative) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        href += plain ? std::string(1, static_cast<char>(c)) : "%" + Hex(c);
    }
    return href;
}

std::string FolderAnchor(const std::string& folder) { return "d-" + HrefOf(folder); }

std::string ShownName(const std::string& name) {
    std::string shown;
    for (size_t pos = 0; pos < name.size();) {
        size_t next = pos;
        char32_t c = 0;
        if (!DecodeUtf8(name, next, c)) {
            shown += "\\x" + Hex(static_cast<unsigned char>(name[pos]));
            ++pos;
            continue;
        }
        if (c == '\n') {
            shown += "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            shown += "\\x" + Hex(static_cast<unsigned char>(c));
        } else {
            shown += EncodeHtml(name.substr(pos, next - pos), Blanks::Plain);
        }
        pos = next;
    }
    return shown;
}

std::string UpToRoot(const std::string& relative) {
    std::string up;
    for (char c : relative)
        if (c == '/') up += "../";
    return up;
}

std::string SiteIndexHtml(const std::string& title, std::vector<IndexEntry> entries) {
    std::sort(entries.begin(), entries.end(),
              [](const IndexEntry& a, const IndexEntry& b) { return IndexKey(a.relative) < IndexKey(b.relative); });
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<meta name=\"generator\" content=\"Tintext\">\n<title>" + ShownName(title) +
                       "</title>\n<link rel=\"stylesheet\" href=\"" + std::string(kSiteStylesheet) +
                       "\">\n</head>\n<body class=\"tintext-index\">\n<h1 id=\"" + FolderAnchor("") + "\">" +
                       ShownName(title) + "</h1>\n<ul>\n";
    std::vector<std::string> open;  // the folders whose lists are open
    for (const IndexEntry& entry : entries) {
        const std::vector<std::string> parts = Parts(FolderOf(entry.relative));
        size_t same = 0;
        while (same < open.size() && same < parts.size() && open[same] == parts[same]) ++same;
        for (size_t i = open.size(); i > same; --i) html += "</ul></li>\n";
        open.resize(same);
        for (size_t i = same; i < parts.size(); ++i) {
            open.push_back(parts[i]);
            std::string folder;
            for (const std::string& part : open) folder += (folder.empty() ? "" : "/") + part;
            html += "<li class=\"folder\" id=\"" + FolderAnchor(folder) + "\"><span>" + ShownName(parts[i]) +
                    "/</span>\n<ul>\n";
        }
        html += "<li><a href=\"" + HrefOf(entry.relative + ".htm") + "\">" + ShownName(NameOf(entry.relative)) +
                "</a> <span class=\"about\">" + SizeText(entry.size) + ", " + ShownName(entry.language) + ", " +
                std::to_string(entry.lines) + (entry.lines == 1 ? " line" : " lines") + "</span></li>\n";
    }
    for (size_t i = open.size(); i > 0; --i) html += "</ul></li>\n";
    return html + "</ul>\n</body></html>\n";
}

std::string PageBarHtml(const std::string& relative) {
    const std::string up = UpToRoot(relative);
    const std::string index = up + kIndexPage;
    std::string bar = "<nav class=\"tintext-bar\"><a href=\"" + index + "\">Index</a> ";
    std::string folder;
    for (const std::string& part : Parts(FolderOf(relative))) {
        folder += (folder.empty() ? "" : "/") + part;
        bar += "/ <a href=\"" + index + "#" + FolderAnchor(folder) + "\">" + ShownName(part) + "</a> ";
    }
    return bar + "/ <span>" + ShownName(NameOf(relative)) + "</span></nav>";
}

std::string SiteStylesheetRules() {
    return "\n/* The bar of each page and the index of the site. */\n"
           ".tintext-bar { font: 0.9em system-ui, sans-serif; padding: 0.4em 1em; "
           "border-bottom: 1px solid currentColor; opacity: 0.85; }\n"
           ".tintext-bar a { color: inherit; }\n"
           ".tintext-index { font: 1em system-ui, sans-serif; margin: 1em 2em; }\n"
           ".tintext-index ul { list-style: none; padding-left: 1.2em; }\n"
           ".tintext-index .folder > span { font-weight: bold; }\n"
           ".tintext-index .about { opacity: 0.7; font-size: 0.9em; }\n";
}

}  // namespace tintext
