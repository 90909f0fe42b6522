#include "support/program_info.h"

#include <unistd.h>

#include <climits>

namespace tintext {

namespace {

std::string programFolderOverride;

std::string ExecutableFolder() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string VersionText() {
    return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
           std::to_string(kVersionRevision);
}

std::string ApplicationTitle() { return std::string(kProgramTitle) + " (" + VersionText() + ")"; }

std::string ProgramFolder() {
    if (!programFolderOverride.empty()) return programFolderOverride;
    static const std::string folder = ExecutableFolder();
    return folder;
}

void SetProgramFolder(const std::string& folder) { programFolderOverride = folder; }

}  // namespace tintext
