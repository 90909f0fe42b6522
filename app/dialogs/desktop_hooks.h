// While an instance lives, System's shell services go through the toolkit:
// documents and web addresses open with QDesktopServices (with a message when
// nothing can open them), and BrowseFolder asks a Qt folder dialog.
#pragma once

namespace tintext {

class DesktopHooks {
public:
    DesktopHooks();
    ~DesktopHooks();
    DesktopHooks(const DesktopHooks&) = delete;
    DesktopHooks& operator=(const DesktopHooks&) = delete;
};

}  // namespace tintext
