// Small text helpers shared across the program (ASCII case rules: keywords,
// ProgIDs and registry names are plain ASCII).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tintext {

// Removes leading and trailing blanks (code 32 only; tabs stay).
std::string TrimBlanks(std::string_view text);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
// Replaces every occurrence, left to right, without overlapping.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// Upper-case hexadecimal without leading zeros ("3E8" for 1000).
std::string HexUpper(uint32_t value);
// The text before the first zero character, or all of it (TrimZ).
std::string TextBeforeNul(std::string_view text);

}  // namespace tintext
