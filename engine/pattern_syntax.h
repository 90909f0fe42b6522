// The one reading of a pattern's text (ECMAScript without the u flag, with
// the web-compatibility grammar that script engines accept): a small syntax
// tree with escapes and classes resolved to characters. The translation to
// PCRE2, what is known of the matches before any text is seen and the
// native matcher of simple patterns all walk this tree.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/error.h"

namespace tintext {

// The regular-expression error numbers, in error.h's table.
namespace regexp_err = err;

// The engine's description for one of those numbers.
std::string RegexpErrorText(int32_t number);

// Word characters for \b and \w: ASCII letters, digits and "_".
constexpr bool IsWordByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Whether the class escape \d \D \w \W \s or \S (`escape`) holds the ASCII
// character `c`; and whether it holds characters beyond ASCII: \d and \w
// none (the engine reads them without Unicode properties), \s the Unicode
// spaces, the negated ones everything beyond ASCII but those.
constexpr bool ClassEscapeHolds(char escape, unsigned char c) {
    bool positive;
    switch (escape | 0x20) {
        case 'd': positive = c >= '0' && c <= '9'; break;
        case 'w': positive = IsWordByte(c); break;
        default: positive = c == ' ' || (c >= '\t' && c <= '\r'); break;
    }
    return escape >= 'a' ? positive : !positive;
}
constexpr bool ClassEscapeReachesBeyondAscii(char escape) { return escape == 's' || escape < 'a'; }

// The characters `c` matches when case is ignored, itself first: an ASCII
// letter also matches its other case, and k and s also the Kelvin sign and
// the long s, the only characters beyond ASCII that fold to ASCII ones.
struct CaselessFormList {
    std::array<char32_t, 3> forms{};
    size_t count = 0;
    const char32_t* begin() const { return forms.data(); }
    const char32_t* end() const { return forms.data() + count; }
};
CaselessFormList CaselessForms(char32_t c);

// One member of a character class.
struct ClassItem {
    enum Kind : uint8_t { Range, Escape, Space, NotSpace } kind = Range;
    char32_t low = 0, high = 0;  // Range (a single character has low == high); may be lone surrogates
    char escape = 0;             // Escape: d D w W, as PCRE2 reads them without UCP
};

struct Quantifier {
    enum Form : uint8_t { None, Star, Plus, Question, Braces } form = None;
    bool lazy = false;
    bool hasComma = false;  // Braces: "{n,}" or "{n,m}"
    uint32_t min = 1;
    uint32_t max = 1;  // kUnbounded for no limit
    static constexpr uint32_t kUnbounded = ~uint32_t{0};
};

struct PatternNode;
using Alternative = std::vector<PatternNode>;

struct PatternNode {
    enum Kind : uint8_t {
        Char,           // `c`, which may be a lone surrogate
        Dot,            // any character but a line terminator
        ClassEscape,    // `escape`: \d \D \w \W \s \S
        Class,          // `items`, `negated`
        BackReference,  // `number`
        Group,          // `group`, `alternatives`
        LineStart,      // ^
        LineEnd,        // $
        WordBoundary,   // `escape`: \b or \B
    };
    enum GroupKind : uint8_t { NonCapturing, Capturing, NamedCapturing, Lookahead, NegativeLookahead, Lookbehind,
                               NegativeLookbehind };

    Kind kind = Char;
    GroupKind group = NonCapturing;
    char escape = 0;
    bool negated = false;
    char32_t c = 0;
    uint32_t number = 0;
    Quantifier quantifier;
    std::string_view text;  // as written, the quantifier left out
    std::vector<ClassItem> items;
    std::vector<Alternative> alternatives;

    bool IsLookaround() const { return kind == Group && group >= Lookahead; }
    bool IsLookbehind() const { return kind == Group && group >= Lookbehind; }
};

struct ParsedPattern {
    std::string_view text;
    std::vector<Alternative> alternatives;
    uint32_t captureCount = 0;  // capturing groups, named ones included
};

// Raises an Error with one of the regular-expression error numbers for a
// pattern that the script engines reject.
ParsedPattern ParseEcmaPattern(std::string_view pattern);

}  // namespace tintext
