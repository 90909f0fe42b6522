// Strings: small text transformations (escaping for CSV, SQL and HTML,
// hexadecimal text, padding, cutting at a zero character, parameter parsing).
#pragma once

#include <string>

#include "support/dictionary.h"
#include "support/value.h"

namespace tintext {

class Strings {
public:
    // Raises 13 when the argument has no text form.
    std::string TrimZ(const Value& str) const;
    std::string Encode(const Value& str, const Value& delimiter) const;
    std::string Decode(const Value& str, const Value& delimiter) const;
    std::string EncodeCSV(const Value& str) const;
    std::string DecodeCSV(const Value& str) const;
    std::string EncodeSQL(const Value& str) const;
    std::string DecodeSQL(const Value& str) const;
    std::string EncodeHex(const std::string& s) const;
    std::string DecodeHex(const std::string& s) const;
    std::string RPad(const Value& str, const Value& ch, const Value& length) const;
    // The command-line grammar of System::ParseCommandline.
    DictionaryRef ParseParameters(const std::string& cmd) const;
    // "&" -> "&amp;", "<" -> "&lt;", ">" -> "&gt;", blank -> "&nbsp;"; nothing else.
    std::string EncodeHTML(const Value& s) const;
};

}  // namespace tintext
