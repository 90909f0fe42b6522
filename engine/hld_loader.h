// The syntax definition loader (modHld): reads a .hld file into its rule tree.
#pragma once

#include <cstdint>
#include <string>

#include "engine/hld_tree.h"

namespace tintext {

// A FORMAT, ENTER or RETURN line before the first PATTERN line has no rule to
// change; the load fails with this number (the classic "object not set") and
// a description such as "FORMAT line before any PATTERN line in a.hld, line 3."
inline constexpr int32_t kNoCurrentRuleError = 91;

// Reads the definition file whole and builds its rule tree. Raises the file
// errors of System::ReadFileToString (53/76 for a missing file or folder),
// 457 for a repeated section name, 5 for a section header "[" alone, and
// kNoCurrentRuleError for a FORMAT, ENTER or RETURN line before the first
// PATTERN line; the loader's own errors name the file and the line (counted
// from 1). Keeps no state between calls.
HldTree LoadHld(const std::string& fileName);
// The same for a definition's text in hand (an editor's): fileName is only
// recorded in the tree and named in messages.
HldTree LoadHldText(const std::string& text, const std::string& fileName);

// The text between the first "-" and the first "=" after it, trailing blanks removed.
std::string GetKeyPart(const std::string& line);
// Everything after the first "=", trimmed of blanks; empty without "=".
std::string GetValuePart(const std::string& line);

}  // namespace tintext
