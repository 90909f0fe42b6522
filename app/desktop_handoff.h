// The terminal program hands runs that need dialogs to the desktop program,
// which lies beside it (in the build tree and in an install alike), so that
// a run in the terminal never loads the window toolkit.
#pragma once

#include <string>

namespace tintext {

inline constexpr const char* kDesktopProgramName = "tintext-desktop";

// The desktop program in the folder of the running executable.
std::string DesktopProgramPath();

// Replaces this process by the desktop program with the same arguments.
// Returns only when it cannot be started, with the error number.
int ExecDesktopProgram(char** argv);

}  // namespace tintext
