// A run over a folder started from the main dialog: the whole run (walk,
// conversions, index) on a thread of its own, so that the window stays
// responsive however large the tree; its progress, questions and messages
// reach the dialogs through the window's event loop, and Cancel reaches it.
#pragma once

#include "app/folder_run.h"

class QObject;

namespace tintext {

class JobEnvironment;

// Runs RunFolder with `options` and returns its status. `gui` is the
// dialogs' environment (its cancel flag is Cancel's); `context` an object
// of the window's thread. Returns once the run has ended.
int RunFolderOffThread(const FolderRunOptions& options, JobEnvironment& gui, QObject* context);

}  // namespace tintext
