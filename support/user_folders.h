// The user's own folders: the home folder and the per-user configuration folder.
#pragma once

#include <string>

namespace tintext {

// $HOME, else the home folder of the user's account entry, else "/".
std::string HomeFolder();
// $XDG_CONFIG_HOME when it is an absolute path, else HomeFolder() + "/.config".
std::string ConfigFolder();

}  // namespace tintext
