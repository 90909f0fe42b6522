// The check of a syntax definition for people who write them: loads it,
// compiles every pattern, and lists what would go wrong in a conversion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tintext {

struct DefinitionProblem {
    int32_t line = 0;  // counted from 1; 0 when the problem belongs to no line
    std::string message;
};

// The problems in file order: a definition that cannot be loaded, one without
// sections, each pattern that does not compile (with the engine's message),
// each ENTER line whose value names no section, the first byte that is not
// UTF-8, each keyword line indented with a tab (which the loader passes
// over), each HTML key in another letter case (FORMAT-html), lines that end
// in CR alone, and each section where a character can find no rule (no
// catch-all), which the formatter would drop.
std::vector<DefinitionProblem> CheckDefinition(const std::string& fileName);
// The same for a definition's text in hand (an editor's), named fileName in
// messages; the text is UTF-8 already.
std::vector<DefinitionProblem> CheckDefinitionText(const std::string& text, const std::string& fileName);

// "file:line: message", or "file: message" when there is no line.
std::string FormatProblem(const std::string& fileName, const DefinitionProblem& problem);

}  // namespace tintext
