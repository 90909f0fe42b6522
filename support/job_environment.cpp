#include "support/job_environment.h"

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
int32_t showOutputPreference = 1;

}  // namespace

JobEnvironment& Env() { return current ? *current : DefaultEnvironment(); }
void SetEnv(JobEnvironment* environment) { current = environment; }

int32_t ShowOutputPreference() { return showOutputPreference; }
void SetShowOutputPreference(int32_t state) { showOutputPreference = state; }

}  // namespace tintext
