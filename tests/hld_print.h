// A syntax definition's tree as text: sections, their texts and rules, each
// pattern with its line; for comparing trees and for failure messages.
#pragma once

#include <string>
#include <vector>

#include "engine/hld_tree.h"

namespace tintext::testing {

inline std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

inline std::string Print(const HldTree& tree) {
    std::string out;
    if (tree.page || tree.plainBlanks || !tree.language.empty())
        out += std::string("page=") + (tree.page ? "themes" : "none") + " blanks=" +
               (tree.plainBlanks ? "plain" : "nbsp") + " language=" + tree.language + "\n";
    auto texts = [&](const char* what, const OrderedMap<std::vector<std::string>>& byKey) {
        for (const auto& [key, lines] : byKey) {
            out += std::string("  ") + what + " " + key + ":";
            for (const std::string& line : lines) out += Quoted(line) + (&line == &lines.back() ? "" : " ");
            out += "\n";
        }
    };
    for (const auto& [key, section] : tree.sections) {
        out += "[" + key + "]" + (section.name != key ? " name " + section.name : "") +
               (section.ignoreCase ? "" : " case") + (section.multiLine ? "" : " singleline") + "\n";
        texts("header", section.header);
        texts("footer", section.footer);
        if (!section.includes.empty()) {
            out += "  include";
            for (const auto& [key, first] : section.includes) out += " " + key + "=" + first;
            out += "\n";
        }
        for (const HldRule& rule : section.rules) {
            out += "  rule";
            for (const HldPattern& p : rule.patterns) out += " " + Quoted(p.pattern) + "@" + std::to_string(p.line);
            out += " =>";
            for (const auto& [formatKey, format] : rule.formats) out += " " + formatKey + ":" + Quoted(format);
            if (rule.enter) out += " enter " + *rule.enter;
            if (rule.returns) out += " return";
            out += "\n";
        }
    }
    if (!out.empty()) out.pop_back();
    return out;
}

}  // namespace tintext::testing
