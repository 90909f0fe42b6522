// The syntax definition loader (modHld): reads a .hld file into its rule tree.
#pragma once

#include <cstdint>
#include <string>

#include "engine/hld_tree.h"

namespace tintext {

// Reads the definition file whole and builds its rule tree. Raises the file
// errors of System::ReadFileToString (53/76 for a missing file or folder),
// 457 for a repeated section name, 5 for a section header "[" alone, and
// 91 (err::ObjectVariableNotSet) for a FORMAT, ENTER or RETURN line before
// the first PATTERN line, described as "FORMAT line before any PATTERN line in
// a.hld, line 3."; the loader's own errors name the file and the line (counted
// from 1). INCLUDE lines load the definitions they name into the same tree
// (sections "x.hld:Name"); 5 for one that cannot be found, closes a cycle or
// nests more than 16 deep, and any error of a definition taken in, naming
// that file. Keeps no state between calls.
HldTree LoadHld(const std::string& fileName);
// The same for a definition's text in hand (an editor's): fileName is only
// recorded in the tree and named in messages.
HldTree LoadHldText(const std::string& text, const std::string& fileName);

// Whether the loader reads a line (blanks trimmed) as a section header or a
// keyword line, rather than passing it over as blank, comment or other text.
bool IsDefinitionLine(const std::string& line);

// The text between the first "-" and the first "=" after it, trailing blanks removed.
std::string GetKeyPart(const std::string& line);
// Everything after the first "=", trimmed of blanks; empty without "=".
std::string GetValuePart(const std::string& line);

}  // namespace tintext
