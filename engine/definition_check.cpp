#include "engine/definition_check.h"

#include <algorithm>

#include "engine/hld_loader.h"
#include "engine/regexp.h"
#include "support/ascii_text.h"
#include "support/error.h"
#include "support/system.h"

namespace tintext {

namespace {

// One problem per output line: the engine's and the loader's texts may hold line breaks.
std::string OneLine(const std::string& text) {
    std::string flat = ReplaceAll(ReplaceAll(text, "\r\n", " "), "\n", " ");
    std::string squeezed;
    for (char c : flat) {
        if (c == ' ' && !squeezed.empty() && squeezed.back() == ' ') continue;
        squeezed.push_back(c);
    }
    return TrimBlanks(squeezed);
}

std::string ErrorText(const Error& e) { return "Error " + std::to_string(e.Number()) + ". " + OneLine(e.Description()); }

// The lines of the text as the loader splits them.
std::vector<std::string> Lines(const std::string& fileText) {
    const std::string text = ReplaceAll(fileText, "\r\n", "\n");
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    for (size_t start = 0;;) {
        size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

void CheckPatterns(const HldTree& hld, std::vector<DefinitionProblem>& problems) {
    for (const auto& [name, section] : hld.sections) {
        for (const HldRule& rule : section.rules) {
            for (const HldPattern& pattern : rule.patterns) {
                try {
                    // Compiled as the formatter compiles it: a loaded section never runs MultiLine.
                    CompiledRegex compiled(pattern.pattern, section.ignoreCase, false);
                } catch (const Error& e) {
                    problems.push_back({pattern.line + 1, "invalid pattern \"" + pattern.pattern + "\": " + ErrorText(e)});
                }
            }
        }
    }
}

// ENTER values are compared with the section names exactly, as the formatter does.
void CheckEnterLines(const std::string& text, const HldTree& hld, std::vector<DefinitionProblem>& problems) {
    const std::vector<std::string> lines = Lines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string line = TrimBlanks(lines[i]);
        if (!StartsWithIgnoreCase(line, "ENTER")) continue;
        const std::string target = GetValuePart(line);
        if (!hld.sections.Find(target)) {
            problems.push_back({static_cast<int32_t>(i + 1), "ENTER names no section: \"" + target + "\""});
        }
    }
}

DefinitionProblem LoadProblem(const Error& e) {
    if (e.Number() == err::FileNotFound || e.Number() == err::PathNotFound) {
        return {0, "the file or its folder was not found"};
    }
    return {0, "cannot be loaded: " + ErrorText(e)};
}

}  // namespace

std::vector<DefinitionProblem> CheckDefinition(const std::string& fileName) {
    std::string text;
    try {
        text = System().ReadFileToString(fileName);
    } catch (const Error& e) {
        return {LoadProblem(e)};
    }
    return CheckDefinitionText(text, fileName);
}

std::vector<DefinitionProblem> CheckDefinitionText(const std::string& text, const std::string& fileName) {
    std::vector<DefinitionProblem> problems;
    HldTree hld;
    try {
        hld = LoadHldText(text, fileName);
    } catch (const Error& e) {
        problems.push_back(LoadProblem(e));
        return problems;
    }
    if (hld.sections.empty()) {
        problems.push_back({0, "no sections: a conversion stops at \"Initialize progress bar\""});
    }
    CheckPatterns(hld, problems);
    CheckEnterLines(text, hld, problems);
    std::stable_sort(problems.begin(), problems.end(),
                     [](const DefinitionProblem& a, const DefinitionProblem& b) { return a.line < b.line; });
    return problems;
}

std::string FormatProblem(const std::string& fileName, const DefinitionProblem& problem) {
    if (problem.line <= 0) return fileName + ": " + problem.message;
    return fileName + ":" + std::to_string(problem.line) + ": " + problem.message;
}

}  // namespace tintext
