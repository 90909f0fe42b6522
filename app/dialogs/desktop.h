// The desktop side of the program's start-up: makes the main dialog the
// interactive run, and lets a batch run that has no terminal to write to
// show its progress and messages in dialogs.
//
// In tintext-desktop's main(), before RunProgram:
//     tintext::DesktopSession desktop(argc, argv);
//     if (!desktop.DialogsForBatch()) { ...install the terminal's environment... }
//     return tintext::RunProgram(arguments, tintext::Env(), console or nullptr);
#pragma once

#include <optional>

#include "app/settings.h"

namespace tintext {

class DesktopSession {
public:
    // argc and argv must outlive the session (main's own do).
    DesktopSession(int& argc, char** argv);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // True when batch runs use the progress dialog and message boxes, which
    // this session has then installed (see BatchNeedsDialogs).
    bool DialogsForBatch() const { return dialogsForBatch_; }

private:
    bool dialogsForBatch_ = false;
};

// The interactive run: shows the main dialog with the given settings and,
// when it closes, leaves in them what it holds. Returns the exit status 0.
int RunMainDialog(DialogSettings& settings);

// tintext-desktop --edit=FILE.hld [--sample=FILE]: the definition workbench
// alone. Returns nullopt when the arguments ask for something else, else the
// exit status (1 when the definition cannot be opened).
std::optional<int> RunWorkbenchIfAsked(int& argc, char** argv);

}  // namespace tintext
