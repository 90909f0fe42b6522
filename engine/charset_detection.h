// A statistical guess at the code page of bytes that are not UTF-8 and name
// none, made by uchardet.
#pragma once

#include <optional>
#include <string_view>

namespace tintext {

// The code page when the detector is confident: it names a page this program
// knows, the bytes hold no sequence that page lacks, and a single-byte page
// other than the Western ones rests on enough characters beyond ASCII.
// Nothing otherwise. Looks at the first megabyte only.
std::optional<int> DetectCodePage(std::string_view bytes);

}  // namespace tintext
