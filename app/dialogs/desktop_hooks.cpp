#include "app/dialogs/desktop_hooks.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QUrl>

#include "app/dialogs/dialog_helpers.h"
#include "support/shell_hooks.h"

namespace tintext {

namespace {

// The main dialog and a batch run's session may both hold the hooks; the last one out removes them.
int holders = 0;

bool OpenTarget(const std::string& target) {
    QUrl url = QUrl::fromUserInput(ToQt(target), QDir::currentPath(), QUrl::AssumeLocalFile);
    return OpenWebAddress(url);
}

std::optional<FolderChoice> ChooseFolder(const FolderPickerRequest& request) {
    QString folder = QFileDialog::getExistingDirectory(QApplication::activeWindow(), ToQt(request.caption));
    if (folder.isEmpty()) return std::nullopt;
    return FolderChoice{FromQt(folder), {}};
}

}  // namespace

DesktopHooks::DesktopHooks() {
    if (holders++ > 0) return;
    SetShellOpenHandler(OpenTarget);
    SetFolderPicker(ChooseFolder);
}

DesktopHooks::~DesktopHooks() {
    if (--holders > 0) return;
    SetShellOpenHandler(nullptr);
    SetFolderPicker(nullptr);
}

}  // namespace tintext
