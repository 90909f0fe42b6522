// tintext: converts one file from the options of the command line (or checks
// a syntax definition), reporting on stderr. Runs that need dialogs (the main
// dialog, or a batch run started with no terminal to report to) are handed to
// tintext-desktop, so that a run in the terminal loads no window toolkit.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/console_environment.h"
#include "app/desktop_handoff.h"
#include "app/front_end_choice.h"
#include "app/startup.h"
#include "support/huge_pages.h"
#include "support/job_environment.h"
#include "support/temporary_files.h"

int main(int argc, char** argv) {
    tintext::PutHeapOnHugePages();
    if (std::optional<int> status = tintext::AnswerInformationOption(argc, argv)) return *status;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const tintext::CommandLine commandLine = tintext::ReadCommandLine(args);
    // A usage error is told on the terminal, or in a message box when there is none.
    const tintext::Surroundings around = tintext::CurrentSurroundings();
    const tintext::FrontEnd frontEnd =
        !commandLine.usageErrors.empty()
            ? (tintext::BatchNeedsDialogs(around) ? tintext::FrontEnd::BatchDialogs : tintext::FrontEnd::Terminal)
            : tintext::ChooseFrontEnd(*commandLine.options, around);
    if (frontEnd != tintext::FrontEnd::Terminal) {
        const int error = tintext::ExecDesktopProgram(argv);
        // A batch run can still report on standard error; the main dialog has no stand-in.
        if (frontEnd == tintext::FrontEnd::MainDialog) {
            std::fputs(tintext::UsageText().c_str(), stderr);
            std::fprintf(stderr, "\nThe main dialog is in the program %s, which cannot be started: %s.\n",
                         tintext::DesktopProgramPath().c_str(), std::strerror(error));
            return 2;
        }
    }
    tintext::ConsoleEnvironment console;
    tintext::SetEnv(&console);
    tintext::InstallInterruptHandler(console);
    tintext::InstallTerminationCleanup();
    const int status = tintext::RunProgram(args, console, &console);
    tintext::SetEnv(nullptr);
    return status;
}
