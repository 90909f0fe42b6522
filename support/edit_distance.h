// How far apart two words are, for suggesting the nearest known name when a
// user mistypes one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tintext {

// Characters to insert, delete or change to turn one text into the other.
size_t EditDistance(std::string_view a, std::string_view b);

// The candidates nearest to `word` (letter case ignored), nearest first and
// in their given order among equals, each once, at most `count`. With
// typingMistakesOnly, a candidate more than a third of its length (at least
// 1, at most 3) away is left out.
std::vector<std::string> NearestWords(std::string_view word, const std::vector<std::string>& candidates,
                                      size_t count, bool typingMistakesOnly);

}  // namespace tintext
