// "Ostrand.Strings2": the maker's small string component. The program relies
// on TrimZ (text before the first NUL) and Oem2CharBuff (DOS/OEM text to the
// program's own text).
#pragma once

#include <string>

#include "support/value.h"

namespace tintext {

class Strings2 : public Object {
public:
    // Takes the process-wide OEM code page (see SetDefaultOemCodePage).
    Strings2();

    std::string TypeName() const override { return "Strings2"; }

    // The text before the first zero character, or all of it.
    std::string TrimZ(const std::string& text) const;

    // DOS text to the program's text: the bytes of a file, decoded from the
    // OEM code page, even where they would also be valid UTF-8.
    std::string Oem2CharBuff(const std::string& bytes) const;

    int OemCodePage() const { return oemCodePage_; }
    // Raises 5 when the system cannot convert that code page.
    void SetOemCodePage(int codePage);

private:
    int oemCodePage_;
};

// The OEM code page new Strings2 objects use: 437 unless set otherwise.
int DefaultOemCodePage();
// Raises 5 when the system cannot convert that code page.
void SetDefaultOemCodePage(int codePage);

}  // namespace tintext
