// Which front end serves a run: the terminal, or the dialogs of the desktop
// program. Both programs decide with this, so the terminal program hands a
// run over exactly when the desktop program would show dialogs for it.
#pragma once

#include "support/dictionary.h"

namespace tintext {

// A display can be used (WAYLAND_DISPLAY or DISPLAY names a reachable one).
bool DisplayAvailable();

// What a run can reach for its messages besides its standard streams.
struct Surroundings {
    bool display = false;   // DisplayAvailable()
    bool terminal = false;  // standard error is a terminal, or there is a controlling terminal
};
Surroundings CurrentSurroundings();

enum class FrontEnd {
    Terminal,      // messages on standard error, questions on the terminal
    MainDialog,    // neither an input file nor a check: the main dialog
    BatchDialogs,  // a batch run with no terminal to report to: progress dialog and message boxes
};

// A batch run shows dialogs when no terminal can show its messages but a
// display can, as when a desktop launcher or a file manager starts it.
bool BatchNeedsDialogs(const Surroundings& around);

// The front end for the parsed command line (see RunProgram for what the options select).
FrontEnd ChooseFrontEnd(const Dictionary& parameters, const Surroundings& around);

}  // namespace tintext
