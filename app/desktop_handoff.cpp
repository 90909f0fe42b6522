#include "app/desktop_handoff.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "support/program_info.h"

namespace tintext {

std::string DesktopProgramPath() { return ProgramFolder() + "/" + kDesktopProgramName; }

int ExecDesktopProgram(char** argv) {
    std::fflush(nullptr);  // nothing buffered may be lost or written twice
    execv(DesktopProgramPath().c_str(), argv);
    return errno;
}

}  // namespace tintext
