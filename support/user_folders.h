// The user's own folders: the home folder and the per-user configuration and data folders.
#pragma once

#include <string>

namespace tintext {

// $HOME, else the home folder of the user's account entry, else "/".
std::string HomeFolder();
// $XDG_CONFIG_HOME when it is an absolute path, else HomeFolder() + "/.config".
std::string ConfigFolder();
// $XDG_DATA_HOME when it is an absolute path, else HomeFolder() + "/.local/share".
std::string DataFolder();

}  // namespace tintext
