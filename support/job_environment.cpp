#include "support/job_environment.h"

#include <unistd.h>

#include <climits>
#include <cstdio>

namespace tintext {

namespace {

// Until a real provider is installed: messages go to stderr, questions are
// answered No (nothing is overwritten without leave), the rest does nothing.
class StderrEnvironment final : public JobEnvironment {
public:
    void ShowProgress() override {}
    void HideProgress() override {}
    void SetProgressMax(float) override {}
    void SetProgressValue(float) override {}
    void DoEvents() override {}
    void SetBusyPointer(bool) override {}
    MsgResult MessageBox(const std::string& text, MsgButtons buttons, MsgIcon,
                         const std::string& title) override {
        std::fprintf(stderr, "%s%s%s\n", title.c_str(), title.empty() ? "" : ": ", text.c_str());
        return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
    bool OpenDocument(const std::string&) override { return false; }
};

StderrEnvironment& DefaultEnvironment() {
    static StderrEnvironment env;
    return env;
}

JobEnvironment* current = nullptr;
std::string programFolderOverride;
int32_t showOutputPreference = 1;

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

JobEnvironment& Env() { return current ? *current : DefaultEnvironment(); }
void SetEnv(JobEnvironment* environment) { current = environment; }

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

int32_t ShowOutputPreference() { return showOutputPreference; }
void SetShowOutputPreference(int32_t state) { showOutputPreference = state; }

}  // namespace tintext
