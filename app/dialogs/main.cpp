// tintext-desktop: the program with the dialogs. Without an input file it
// opens the main dialog; a batch run with no terminal to report to shows its
// progress and messages in dialogs; otherwise it runs as tintext does.
// tintext starts it for the runs that need dialogs. --edit=FILE.hld
// [--sample=FILE] opens the definition workbench instead.
#include <string>
#include <vector>

#include "app/console_environment.h"
#include "app/dialogs/desktop.h"
#include "app/startup.h"
#include "support/job_environment.h"
#include "support/temporary_files.h"

int main(int argc, char** argv) {
    if (std::optional<int> status = tintext::AnswerInformationOption(argc, argv)) return *status;
    tintext::InstallTerminationCleanup();
    if (std::optional<int> status = tintext::RunWorkbenchIfAsked(argc, argv)) return *status;
    tintext::DesktopSession desktop(argc, argv);
    tintext::ConsoleEnvironment console;
    if (!desktop.DialogsForBatch()) {
        tintext::SetEnv(&console);
        tintext::InstallInterruptHandler(console);
    }
    // Under the dialogs the session has installed their environment.
    const int status = tintext::RunProgram(std::vector<std::string>(argv + 1, argv + argc), tintext::Env(),
                                           desktop.DialogsForBatch() ? nullptr : &console);
    tintext::SetEnv(nullptr);
    return status;
}
