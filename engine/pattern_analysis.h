// What a compiled pattern tells about its matches before any text is seen,
// read once when it is compiled: where a match can begin, what it can
// hold, what can stand before it. The formatter's start filter is built
// from it (engine/start_filter.h); nothing here changes what matches.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/pattern_syntax.h"

namespace tintext {

using ByteTable = std::array<bool, 256>;

// Patterns whose every match is exactly one character, at any position where
// that character qualifies, whatever precedes it: the formatter tests the
// character instead of walking a match list.
enum class OneCharKind {
    None,
    Any,                   // [\s\S], [^] and the like
    AnyButLineTerminator,  // .
};

// What the parsed pattern itself tells about its matches.
struct PatternFacts {
    OneCharKind oneChar = OneCharKind::None;
    // The pattern opens with (?:^|(?<=\n)), unquantified, and has no other
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
    ByteTable matchBytes{};
    // The pattern has a ^ (which tells the start of the text from any other place).
    bool hasStartAnchor = false;
    // A \b, \B or ^ inside a lookbehind looks at one character before what
    // the lookbehind takes, which the engine's lookbehind length leaves out.
    bool lookbehindLooksFurther = false;
};

PatternFacts ReadPatternFacts(const ParsedPattern& pattern);

struct PatternAnalysis {
    OneCharKind oneChar = OneCharKind::None;
    // How many characters before an attempt the attempt may see: the
    // lookbehind reach (\b counts one), and one for a ^, which tells the
    // start of the text from a place with text before it. An attempt further
    // than this from the start sees the same text wherever the start is.
    uint32_t reach = 0;
    // Every match begins at the start of the searched text (a leading ^).
    bool anchoredAtStart = false;
    // Every match begins at the start of the text or after a line feed.
    bool atLineStart = false;
    // Which bytes a match can begin with (the first byte of the character at
    // its start); all of them when the pattern can match empty text or the
    // engine cannot tell. Only lead bytes are listed: a match never begins
    // inside a character.
    ByteTable firstBytes{};
    // The bytes a match can hold (case folding included); a byte outside
    // them never lies inside a match, though lookarounds may look at it.
    ByteTable matchBytes{};
    // When known, the bytes that can stand just before a match (the last
    // byte of the character there); a match never begins at the start of
    // the text then.
    std::optional<ByteTable> precedingBytes;
    // When known, which pairs of first two bytes a match can begin with, as
    // 65536 bits (first byte * 256 + second byte); empty when not known. A
    // match that is one character long, at the end of the text, is not
    // covered: check only where two bytes remain.
    std::vector<uint64_t> startPairs;
};

// What the regular-expression engine found out about a compiled pattern.
struct EngineStartInfo {
    bool anchored = false;       // every match begins where the search does
    bool mayMatchEmpty = true;   // its shortest match is empty
    std::optional<unsigned char> firstUnit;  // the one byte every match begins with
    std::optional<ByteTable> firstTable;     // or the bytes a match may begin with
    uint32_t maxLookbehind = 0;
    // The first bytes of each of the facts' precedingItems, compiled
    // as patterns of their own.
    std::vector<ByteTable> precedingItemFirstBytes;
};

PatternAnalysis AnalysePattern(const PatternFacts& facts, const EngineStartInfo& engine, bool ignoreCase);

}  // namespace tintext
