// Translation of regular expressions from ECMAScript syntax (as the script
// engines of the definitions' authors wrote them, without the u flag) into
// PCRE2 syntax with the same meaning.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/pattern_syntax.h"

namespace tintext {

struct TranslatedPattern {
    std::string pcre;           // PCRE2 syntax, for PCRE2_UTF without PCRE2_UCP
    uint32_t captureCount = 0;  // capturing groups, named ones included
};

// `multiLine`: ^ and $ also match at line terminators. `ignoreCase`: the
// pattern will be compiled without regard to case (the translation may then
// shape it differently, with the same meaning).
TranslatedPattern TranslateEcmaPattern(const ParsedPattern& pattern, bool multiLine, bool ignoreCase);

// The same for the text of a pattern; raises an Error with one of the
// regular-expression error numbers for a pattern that the script engines reject.
TranslatedPattern TranslateEcmaPattern(std::string_view pattern, bool multiLine, bool ignoreCase);

}  // namespace tintext
