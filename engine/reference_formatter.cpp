#include "engine/reference_formatter.h"

#include <vector>

#include "engine/formatter.h"
#include "engine/language_table.h"
#include "engine/regexp.h"
#include "support/ascii_text.h"
#include "support/error.h"
#include "support/html_escape.h"
#include "support/utf8.h"

namespace tintext {

namespace {

[[noreturn]] void RaiseForPattern(const Error& e, const HldPattern& p) {
    std::string text = "Error searching for pattern: " + p.pattern + "\r\n";
    if (e.Number() == regexp_err::UnexpectedQuantifier)
        text += "The pattern is invalid.\r\nThe pattern is defined on line " + std::to_string(p.line) + " in " + p.file + ".";
    else
        text += "Error " + std::to_string(e.Number()) + ". " + e.Description();
    if (e.Number() == regexp_err::TooMuchBacktracking)
        text += " (line " + std::to_string(p.line) + " in " + p.file + ")";
    throw e.WithDescription(text);
}

void Run(const HldTree& hld, const HldSection& section, std::string_view inp, std::string& out, size_t& ptr,
         JobEnvironment& env, ReferenceCounts& counts, const std::string& language);

// The definition that `language` names, when the section takes it in, runs
// on the text up to the first non-empty match of a returning rule's pattern.
void RunIncluded(const HldTree& hld, const HldSection& section, std::string_view inp, std::string& out,
                 size_t& ptr, JobEnvironment& env, ReferenceCounts& counts, const std::string& language) {
    const std::string* first = section.includes.Find(FoldLanguageName(language));
    const HldSection* included = first ? hld.sections.Find(*first) : nullptr;
    if (!included) return;
    RegExp re;
    re.SetIgnoreCase(section.ignoreCase);
    re.SetGlobal(true);
    size_t end = inp.size();
    for (const HldRule& rule : section.rules) {
        if (!rule.returns) continue;
        for (const HldPattern& p : rule.patterns) {
            re.SetPattern(p.pattern);
            try {
                for (const RegExpMatch& match : re.Execute(inp.substr(ptr))) {
                    if (match.Length == 0) continue;
                    end = std::min(end, ptr + match.FirstIndex);
                    break;
                }
            } catch (const Error& e) {
                RaiseForPattern(e, p);
            }
        }
    }
    Run(hld, *included, inp.substr(0, end), out, ptr, env, counts, {});
}

void Run(const HldTree& hld, const HldSection& section, std::string_view inp, std::string& out, size_t& ptr,
         JobEnvironment& env, ReferenceCounts& counts, const std::string& language) {
    RegExp re;
    re.SetIgnoreCase(section.ignoreCase);
    re.SetMultiLine(false);
    re.SetGlobal(true);
    auto appendTexts = [&](const OrderedMap<std::vector<std::string>>& texts) {
        if (auto* list = texts.Find(kHtmlFormatKey))
            for (const std::string& t : *list) out += t;
    };
    appendTexts(section.header);
    if (!section.includes.empty())
        RunIncluded(hld, section, inp, out, ptr, env, counts, language);

    bool rebuild = true;
    size_t base = 0;
    std::vector<std::vector<std::vector<RegExpMatch>>> matches;  // rule, pattern
    std::vector<std::vector<size_t>> pointers;
    while (ptr < inp.size() && !env.cancelRequested) {
        if (rebuild) {
            if (!matches.empty()) ++counts.rebuildsAfterReturn;
            base = ptr;
            matches.assign(section.rules.size(), {});
            pointers.assign(section.rules.size(), {});
            for (size_t r = 0; r < section.rules.size(); ++r) {
                for (const HldPattern& p : section.rules[r].patterns) {
                    re.SetPattern(p.pattern);
                    try {
                        matches[r].push_back(re.Execute(inp.substr(base)));
                    } catch (const Error& e) {
                        RaiseForPattern(e, p);
                    }
                    pointers[r].push_back(0);
                }
            }
            rebuild = false;
        }
        size_t rel = ptr - base;
        const RegExpMatch* best = nullptr;
        size_t bestRule = 0;
        for (size_t r = 0; r < matches.size(); ++r) {
            for (size_t p = 0; p < matches[r].size(); ++p) {
                const auto& list = matches[r][p];
                for (size_t i = pointers[r][p]; i < list.size(); ++i) {
                    if (list[i].FirstIndex == rel) {
                        if (!best || list[i].Length > best->Length) {
                            best = &list[i];
                            bestRule = r;
                        }
                        pointers[r][p] = i;
                    } else if (list[i].FirstIndex > rel) {
                        pointers[r][p] = i;
                        break;
                    }
                }
            }
        }
        if (!best || best->Length == 0) {
            ptr = NextCharBoundary(inp, ptr);
        } else {
            const HldRule& rule = section.rules[bestRule];
            const std::string* tmpl = rule.formats.Find(kHtmlFormatKey);
            std::string text = ReplaceAll(tmpl ? *tmpl : std::string(), "$$", EncodeHtml(best->Value));
            for (size_t n = 0; n < best->SubMatches.size(); ++n)
                text = ReplaceAll(text, "$" + std::to_string(n), EncodeHtml(best->SubMatches[n]));
            out += text;
            ptr += best->Length;
            if (rule.enter && !rule.enter->empty()) {
                const HldSection* nested = hld.sections.Find(*rule.enter);
                if (!nested) throw Error(err::ObjectRequired, "", "missing section");
                Run(hld, *nested, inp, out, ptr, env, counts,
                    best->SubMatches.empty() ? std::string() : best->SubMatches[0]);
                rebuild = true;
            }
            if (rule.returns) break;
        }
        env.SetProgressValue(static_cast<float>(ptr));
        env.DoEvents();
    }
    appendTexts(section.footer);
}

}  // namespace

void ReferenceFormat(const HldTree& hld, const HldSection& section, std::string_view inp, std::string& out,
                     size_t& ptr, JobEnvironment& env, ReferenceCounts& counts) {
    Run(hld, section, inp, out, ptr, env, counts, {});
}

}  // namespace tintext
