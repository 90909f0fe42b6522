// The desktop services that System reaches through hooks, so that the dialogs
// can provide them (through the toolkit) and tests can watch them without
// opening anything: opening a document or address, and the folder picker.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tintext {

// ---- Opening documents and addresses ----

// Returns whether the desktop accepted the request; never waits for the opened
// program. An exception from the handler counts as a refusal.
using ShellOpenHandler = std::function<bool(const std::string& target)>;

// Installs the handler; an empty one restores the default: the desktop's
// opener, xdg-open, started without waiting (accepted when it could be started).
void SetShellOpenHandler(ShellOpenHandler handler);

// Opens the target through the installed handler or the default.
bool OpenWithDesktop(const std::string& target);

// ---- Folder picker ----

// Option flags, by the numbers of the platform's picker.
inline constexpr uint32_t kBrowseOnlyFileSystem = 0x1;
inline constexpr uint32_t kBrowseNotBelowDomain = 0x2;
inline constexpr uint32_t kBrowseFileSystemAncestors = 0x8;
inline constexpr uint32_t kBrowseComputers = 0x1000;
inline constexpr uint32_t kBrowsePrinters = 0x2000;

struct FolderPickerRequest {
    std::string caption;
    uint32_t flags = 0;
};

struct FolderChoice {
    std::string path;
    std::string displayName;  // empty: the last part of the path is shown
};

// Nothing when the user cancelled.
using FolderPicker = std::function<std::optional<FolderChoice>(const FolderPickerRequest&)>;

// Installs the picker (the dialogs do); an empty one removes it.
void SetFolderPicker(FolderPicker picker);

// Asks the installed picker; nothing when none is installed.
std::optional<FolderChoice> PickFolder(const FolderPickerRequest& request);

}  // namespace tintext
