// What the program says about itself: its title and version, the maker's
// name, and the folder it runs from.
#pragma once

#include <string>

namespace tintext {

inline constexpr const char* kProgramTitle = "Tintext";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 47;
// The maker's name, the company part of the settings path.
inline constexpr const char* kCompanyName = "Tintext Project";

// "Tintext (1.0.47)".
std::string ApplicationTitle();
// "1.0.47".
std::string VersionText();
// The folder holding the program's executable, without a trailing separator.
std::string ProgramFolder();
// For tests and relocated installs.
void SetProgramFolder(const std::string& folder);

}  // namespace tintext
