// Tolerant conversions: any value to text, a 32-bit whole number or a Boolean,
// giving empty text, 0 or False instead of failing. Used wherever a stored,
// optional or outside value is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "support/value.h"

namespace tintext {

std::string SafeCStr(const Value& value);
// Numbers and numeric text round to the nearest whole number, ties to even.
int32_t SafeCLng(const Value& value);
// True/False in any letter case, or any number (0 is False).
bool SafeCBool(const Value& value);

// Reads numeric text the way the program's conversions do: blanks around it,
// a sign, decimals with an optional exponent, or &H / &O prefixed whole numbers.
std::optional<double> ParseNumericText(const std::string& text);

// Round half to even, as the program's whole-number conversions do.
double RoundHalfEven(double value);

}  // namespace tintext
