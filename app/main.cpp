// tintext: converts one file from the options of the command line (or checks
// a syntax definition), reporting on stderr; without an input file it opens
// the main dialog.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/console_environment.h"
#include "app/dialogs/desktop.h"
#include "app/startup.h"
#include "support/command_line_grammar.h"
#include "support/environment.h"

namespace {

bool IsAny(const char* argument, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (std::strcmp(argument, name) == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (IsAny(argv[i], {"--help", "-h", "-?", "/?"})) {
            std::fputs(tintext::UsageText().c_str(), stdout);
            return 0;
        }
        if (IsAny(argv[i], {"--version"})) {
            std::printf("%s\n", tintext::ApplicationTitle().c_str());
            return 0;
        }
    }
    // The main dialog when there is no input file; the dialogs also serve a
    // batch run that has no terminal to report to (a desktop launcher).
    tintext::DesktopSession desktop(argc, argv);
    tintext::ConsoleEnvironment console;
    if (!desktop.DialogsForBatch()) {
        tintext::SetEnv(&console);
        tintext::InstallInterruptHandler(console);
    }
    const int status = tintext::RunProgram(tintext::JoinArguments(std::vector<std::string>(argv + 1, argv + argc)));
    tintext::SetEnv(nullptr);
    return status;
}
