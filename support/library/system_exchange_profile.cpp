// System::GetDefaultExchangeProfile, in a file of its own: it leans on the
// registry, which programs that only start processes need not link.
#include "support/system.h"

namespace tintext {

Value System::GetDefaultExchangeProfile() {
    Value profile = RegRead(
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging "
        "Subsystem\\Profiles\\DefaultProfile");
    if (profile.IsNull()) {
        profile = RegRead("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Messaging Subsystem\\Profiles\\DefaultProfile");
    }
    return profile;
}

}  // namespace tintext
