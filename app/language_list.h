// --list and /lang: the languages of a definitions folder for the user.
#pragma once

#include <string>
#include <vector>

#include "engine/language_table.h"

namespace tintext {

// One line per language: its name, its definition file and what it serves
// (".py .pyw", whole file names as written), in columns.
std::vector<std::string> LanguageListLines(const std::vector<Language>& table);

// Prints the list of the folder on stdout; 0, or 1 with a message when the
// folder holds no definition.
int PrintLanguageList(const std::string& folder);

// The definition /lang=NAME picks in the folder; when there is none, file
// is empty and problem names the nearest names.
struct LanguageChoice {
    std::string file;
    std::string problem;
};
LanguageChoice ChooseLanguage(const std::string& folder, const std::string& wanted);

}  // namespace tintext
