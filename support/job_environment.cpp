#include "support/job_environment.h"

#include <cstdio>

namespace tintext {

namespace {

StderrEnvironment& DefaultEnvironment() {
    static StderrEnvironment env;
    return env;
}

JobEnvironment* current = nullptr;

}  // namespace

JobEnvironment& Env() { return current ? *current : DefaultEnvironment(); }
void SetEnv(JobEnvironment* environment) { current = environment; }

MsgResult StderrEnvironment::MessageBox(const std::string& text, MsgButtons buttons, MsgIcon,
                                        const std::string& title) {
    std::fprintf(stderr, "%s%s%s\n", title.c_str(), title.empty() ? "" : ": ", text.c_str());
    return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
}

}  // namespace tintext
