// Photographs every dialog of a running program into PNG files (main dialog,
// Help menu, file dialog, progress, notice, about box, a question), then
// closes the main dialog. Started by the environment variable
// TINTEXT_SCREENSHOTS naming the folder; used by scripts/screenshots.sh.
#pragma once

#include <QString>

namespace tintext {

class FrmMain;

void StartScreenshotTour(FrmMain& main, const QString& folder);

}  // namespace tintext
