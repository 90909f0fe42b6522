// Translation of regular expressions from ECMAScript syntax (as the script
// engines of the definitions' authors wrote them, without the u flag) into
// PCRE2 syntax with the same meaning, and the compile errors of that syntax.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/error.h"

namespace tintext {

// The regular-expression error numbers, in error.h's table.
namespace regexp_err = err;

// Word characters for \b and \w: ASCII letters, digits and "_".
constexpr bool IsWordByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The characters `c` matches when case is ignored, itself first: an ASCII
// letter also matches its other case, and k and s also the Kelvin sign and
// the long s, the only characters beyond ASCII that fold to ASCII ones.
std::vector<char32_t> CaselessForms(char32_t c);

// The engine's description for one of the numbers above.
std::string RegexpErrorText(int32_t number);

// Patterns whose every match is exactly one character, at any position where
// that character qualifies, whatever precedes it: the formatter tests the
// character instead of walking a match list.
enum class OneCharKind {
    None,
    Any,                   // [\s\S], [^] and the like
    AnyButLineTerminator,  // .
};

struct TranslatedPattern {
    std::string pcre;           // PCRE2 syntax, for PCRE2_UTF without PCRE2_UCP
    uint32_t captureCount = 0;  // capturing groups, named ones included
    OneCharKind oneChar = OneCharKind::None;
    // The pattern opens with "(?:^|(?<=\n))", unquantified, and has no other
    // top-level alternative: every match begins at the start of the text or
    // after a line feed.
    bool startsAtLineStart = false;
    // When every match begins with a literal text (after assertions), that
    // text for each alternative as written (ASCII, case as in the pattern,
    // at least one character). Empty when not known.
    std::vector<std::string> startLiterals;
    // When the pattern opens with a lookbehind that every match must pass,
    // the last item of each of its alternatives, as ECMAScript text of one
    // character (a literal, an escape, a class or "."): the character before
    // a match is one of theirs. Empty when not known.
    std::vector<std::string> precedingItems;
    // The bytes a match can hold, case as written (what lookarounds only
    // look at does not count); possibly more, never fewer. A byte outside
    // them never lies inside a match.
    std::array<bool, 256> matchBytes{};
    // The pattern has a ^ (which tells the start of the text from any other place).
    bool hasStartAnchor = false;
    // A \b, \B or ^ inside a lookbehind looks at one character before what
    // the lookbehind takes, which the engine's lookbehind length leaves out.
    bool lookbehindLooksFurther = false;
};

// The character an escape stands for in a pattern (ECMAScript without the u
// flag); `i` is just behind the backslash and moves past the escape. It may
// be a lone surrogate. `inClass` allows the digits and "_" after \c, as
// class escapes do. Nothing when an identity escape is not valid UTF-8.
std::optional<char32_t> ReadCharacterEscape(std::string_view pattern, size_t& i, bool inClass);

// Raises an Error with one of the numbers above for a pattern that the
// script engines reject. `multiLine`: ^ and $ also match at line terminators.
// `ignoreCase`: the pattern will be compiled without regard to case (the
// translation may then shape it differently, with the same meaning).
TranslatedPattern TranslateEcmaPattern(std::string_view pattern, bool multiLine, bool ignoreCase);

}  // namespace tintext
