// Test cases kept as data under tests/data, in two forms:
//
//   rows     one case a line, fields separated by tabs;
//   blocks   "== what the case shows", then its parts, separated by "--" lines.
//
// Lines starting with "#" and blank lines between cases are comments. In
// every field, {CR} {LF} {TAB} {NUL} and {xHH} stand for the byte they name,
// so that the files stay readable text. A block part is its lines joined by
// line feeds, without a final one.
//
// Plain C++, for the GTest and the Qt tests alike: a table that cannot be
// read, or holds no case, throws (either framework fails the test with it).
#pragma once

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/ascii_text.h"

namespace tintext::testing {

inline std::string DecodeField(const std::string& text) {
    static const std::pair<std::string, char> kNamed[] = {
        {"{CR}", '\r'}, {"{LF}", '\n'}, {"{TAB}", '\t'}, {"{NUL}", '\0'}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const auto named = std::find_if(std::begin(kNamed), std::end(kNamed),
                                        [&](const auto& n) { return text.compare(i, n.first.size(), n.first) == 0; });
        if (named != std::end(kNamed)) {
            out += named->second;
            i += named->first.size();
        } else if (text.compare(i, 2, "{x") == 0 && i + 4 < text.size() && text[i + 4] == '}' &&
                   isxdigit(static_cast<unsigned char>(text[i + 2])) &&
                   isxdigit(static_cast<unsigned char>(text[i + 3]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 5;
        } else {
            out += text[i++];
        }
    }
    return out;
}

// Whether `text` is `pattern`, where "..." in the pattern stands for any text.
inline bool Like(const std::string& text, const std::string& pattern) {
    size_t dots = pattern.find("...");
    if (dots == std::string::npos) return text == pattern;
    if (text.compare(0, dots, pattern, 0, dots) != 0) return false;
    const std::string rest = pattern.substr(dots + 3);
    for (size_t at = dots; at <= text.size(); ++at)
        if (Like(text.substr(at), rest)) return true;
    return false;
}

inline std::string DataPath(const std::string& name) { return std::string(TINTEXT_SOURCE_DIR) + "/tests/data/" + name; }

inline std::ifstream OpenData(const std::string& name) {
    std::ifstream in(DataPath(name), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + DataPath(name));
    return in;
}

// The i-th of `items`, or an empty text past their end (a field or part left out).
inline const std::string& NthOrEmpty(const std::vector<std::string>& items, size_t i) {
    static const std::string kMissing;
    return i < items.size() ? items[i] : kMissing;
}

struct Row {
    std::string where;  // "file:line", for failure messages
    std::vector<std::string> fields;
    const std::string& operator[](size_t i) const { return NthOrEmpty(fields, i); }
};

inline std::vector<Row> ReadRows(const std::string& name) {
    std::ifstream in = OpenData(name);
    std::vector<Row> rows;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        Row row{name + ":" + std::to_string(number), {}};
        for (size_t start = 0;;) {
            size_t tab = line.find('\t', start);
            row.fields.push_back(DecodeField(line.substr(start, tab - start)));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        rows.push_back(std::move(row));
    }
    if (rows.empty()) throw std::runtime_error("no rows in " + name);
    return rows;
}

struct Block {
    std::string title;
    std::string where;
    std::vector<std::string> parts;
    std::vector<std::string> rawParts;  // as written, for Steps
    const std::string& operator[](size_t i) const { return NthOrEmpty(parts, i); }
};

inline std::vector<Block> ReadBlocks(const std::string& name) {
    std::ifstream in = OpenData(name);
    std::vector<Block> blocks;
    std::vector<std::vector<std::string>> lines;  // of the current block's parts
    auto finish = [&] {
        if (blocks.empty()) return;
        for (auto& part : lines) {
            while (!part.empty() && part.back().empty()) part.pop_back();  // blank lines before the next case
            std::string raw;
            for (size_t i = 0; i < part.size(); ++i) raw += (i ? "\n" : "") + part[i];
            blocks.back().parts.push_back(DecodeField(raw));
            blocks.back().rawParts.push_back(raw);
        }
    };
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.rfind("== ", 0) == 0) {
            finish();
            blocks.push_back({line.substr(3), name + ":" + std::to_string(number), {}, {}});
            lines.assign(1, {});
        } else if (blocks.empty()) {
            continue;
        } else if (line == "--") {
            lines.emplace_back();
        } else {
            lines.back().push_back(line);
        }
    }
    finish();
    if (blocks.empty()) throw std::runtime_error("no cases in " + name);
    return blocks;
}

// A line of a case part that lists steps: "key: value", "key:" or "key".
struct Step {
    std::string line, key, value;  // the value decoded
};

// The steps of a block's part as written (its rawParts), comment lines left out.
inline std::vector<Step> Steps(const std::string& part) {
    std::vector<Step> steps;
    std::istringstream lines(part);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t colon = line.find(':');
        const std::string value = colon == std::string::npos || colon + 1 >= line.size() ? "" : line.substr(colon + 2);
        steps.push_back({line, line.substr(0, colon), DecodeField(value)});
    }
    return steps;
}

// `text` with each of the names standing for their values.
inline std::string Substituted(std::string text, const std::vector<std::pair<std::string, std::string>>& names) {
    for (const auto& [name, value] : names) text = ReplaceAll(text, name, value);
    return text;
}

}  // namespace tintext::testing
