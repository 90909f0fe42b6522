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
// and each ENTER line whose value names no section.
std::vector<DefinitionProblem> CheckDefinition(const std::string& fileName);
// The same for a definition's text in hand (an editor's), named fileName in messages.
std::vector<DefinitionProblem> CheckDefinitionText(const std::string& text, const std::string& fileName);

// "file:line: message", or "file: message" when there is no line.
std::string FormatProblem(const std::string& fileName, const DefinitionProblem& problem);

}  // namespace tintext
