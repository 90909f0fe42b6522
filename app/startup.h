// Start-up and shut-down shared by the terminal front end and the dialogs:
// the settings are read, the argument text is parsed, one batch run, check
// or interactive session happens, and the settings are written back.
#pragma once

#include <optional>
#include <string>

#include "app/settings.h"
#include "engine/job.h"
#include "support/dictionary.h"

namespace tintext {

// Opens the main dialog for interactive use. Given the settings read at
// start-up; leaves in them what the dialog holds when it closes (they are
// saved afterwards). Returns the exit status. The dialogs install it.
using InteractiveRun = int (*)(DialogSettings& settings);
void SetInteractiveRun(InteractiveRun run);

// --help or --version anywhere among the arguments: prints the usage or the
// title on stdout and gives the exit status 0; nullopt for any other run.
std::optional<int> AnswerInformationOption(int argc, char** argv);

// One run from start-up to shut-down; returns the exit status: 0 written (or
// a definition without problems), 1 not written (or problems found), 2 a
// usage error, 130 cancelled.
int RunProgram(const std::string& argumentText);

int ExitStatus(JobOutcome outcome);

// Whether the options ask for notes about the run (--verbose).
bool WantsNotes(const Dictionary& parameters);

// The terminal's usage text (--help).
std::string UsageText();

}  // namespace tintext
