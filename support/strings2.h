// "Ostrand.Strings2": the maker's small string component. The program relies
// on TrimZ (text before the first NUL) and Oem2CharBuff (DOS/OEM text to the
// program's own text).
#pragma once

#include <string>

#include "support/value.h"

namespace tintext {

class Strings2 : public Object {
public:
    std::string TypeName() const override { return "Strings2"; }

    // The text before the first zero character, or all of it.
    std::string TrimZ(const std::string& text) const;
    // Reinterprets each character code of text as a byte of the OEM code page
    // (CP437 unless configured otherwise) and returns the same characters in
    // the program's UTF-8 text.
    std::string Oem2CharBuff(const std::string& text) const;
};

}  // namespace tintext
