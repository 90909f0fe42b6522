// Start-up and shut-down shared by the terminal front end and the dialogs:
// the settings are read, the command line is read, one batch run, check,
// list or interactive session happens, and the settings are written back.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "engine/job.h"
#include "support/dictionary.h"

namespace tintext {

class ConsoleEnvironment;
class JobEnvironment;

// Opens the main dialog for interactive use. Given the settings read at
// start-up; leaves in them what the dialog holds when it closes (they are
// saved afterwards). Returns the exit status. The dialogs install it.
using InteractiveRun = int (*)(DialogSettings& settings);
void SetInteractiveRun(InteractiveRun run);

// --help or --version anywhere among the arguments (any letter case, also
// /help, -h, -? and /?): prints the usage or the title on stdout and gives
// the exit status 0; nullopt for any other run.
std::optional<int> AnswerInformationOption(int argc, char** argv);

// One run from start-up to shut-down, given the arguments as the shell split
// them; returns the exit status: 0 written (or a definition without
// problems, or the list printed), 1 not written (or problems found), 2 a
// usage error, 3 cancelled with the part done written. environment: the
// one the run reports through; console: the same when it is the terminal's,
// to take --quiet and --verbose; nullptr under dialogs.
int RunProgram(const std::vector<std::string>& args, JobEnvironment& environment,
               ConsoleEnvironment* console = nullptr);

int ExitStatus(JobOutcome outcome);

// Whether the options ask for notes about the run (--verbose).
bool WantsNotes(const Dictionary& parameters);

// The terminal's usage text (--help).
std::string UsageText();

}  // namespace tintext
