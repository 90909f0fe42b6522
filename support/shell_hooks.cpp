#include "support/shell_hooks.h"

#include "support/child_process.h"

namespace tintext {

namespace {

ShellOpenHandler& OpenHandler() {
    static ShellOpenHandler handler;
    return handler;
}

FolderPicker& Picker() {
    static FolderPicker picker;
    return picker;
}

bool OpenWithXdgOpen(const std::string& target) {
    // A target that begins with "-" would be read as an option of the opener.
    std::string argument = target[0] == '-' ? "./" + target : target;
    return SpawnDetached({"xdg-open", argument});
}

}  // namespace

void SetShellOpenHandler(ShellOpenHandler handler) { OpenHandler() = std::move(handler); }

bool OpenWithDesktop(const std::string& target) {
    if (target.empty()) return false;
    try {
        if (OpenHandler()) return OpenHandler()(target);
        return OpenWithXdgOpen(target);
    } catch (...) {
        return false;  // a refusal, never an error
    }
}

void SetFolderPicker(FolderPicker picker) { Picker() = std::move(picker); }

std::optional<FolderChoice> PickFolder(const FolderPickerRequest& request) {
    if (!Picker()) return std::nullopt;
    return Picker()(request);
}

}  // namespace tintext
