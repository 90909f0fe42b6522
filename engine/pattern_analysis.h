// What a compiled pattern tells about its matches before any text is seen,
// read once when it is compiled: where a match can begin, what it can
// hold, what can stand before it. The formatter's start filter is built
// from it (engine/start_filter.h); nothing here changes what matches.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/regexp_syntax.h"

namespace tintext {

using ByteTable = std::array<bool, 256>;

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
    // The first bytes of each of the translation's precedingItems, compiled
    // as patterns of their own.
    std::vector<ByteTable> precedingItemFirstBytes;
};

PatternAnalysis AnalysePattern(const TranslatedPattern& translated, const EngineStartInfo& engine, bool ignoreCase);

}  // namespace tintext
