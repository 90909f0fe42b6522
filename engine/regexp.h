// Regular expressions with ECMAScript syntax and search rules, over PCRE2
// (8-bit, UTF mode, JIT). Texts are UTF-8; every position and length is a
// byte offset, and a match never splits a character.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/regexp_syntax.h"

namespace tintext {

// One compiled pattern with the engine operations the formatter builds on.
// Compiling raises an Error with a number of regexp_err and its description.
// Searching raises regexp_err::TooMuchBacktracking when a search exceeds
// the engine's match limit, instead of running for ever.
class CompiledRegex {
public:
    static constexpr size_t kUnset = ~size_t{0};

    CompiledRegex(std::string_view pattern, bool ignoreCase, bool multiLine);
    ~CompiledRegex();
    CompiledRegex(const CompiledRegex&) = delete;
    CompiledRegex& operator=(const CompiledRegex&) = delete;

    uint32_t CaptureCount() const { return captureCount_; }
    OneCharKind OneChar() const { return oneChar_; }
    // How many characters before the start of a match attempt the pattern may
    // look at (lookbehind, \b): an attempt at a position further than this
    // from the start of the text sees the same text whatever that start is.
    uint32_t LookbehindReach() const { return lookbehindReach_; }
    // The pattern has a ^: an attempt at the start of the text may match
    // where one at the same place with text before it would not.
    bool HasStartAnchor() const { return hasStartAnchor_; }

    // Which bytes a match can begin with (the first byte of the character at
    // its start); all of them when the pattern can match empty text or the
    // engine cannot tell. Only lead bytes are listed: a match never begins
    // inside a character.
    const std::array<bool, 256>& FirstBytes() const { return firstBytes_; }
    // Every match begins where \b holds: between a word character and one
    // that is not (the start and the end of the text count as the latter).
    bool StartsAtWordBoundary() const { return startsAtWordBoundary_; }
    // When known, which pairs of first two bytes a match can begin with, as
    // 65536 bits (first byte * 256 + second byte); null when not known. A
    // match that is one character long, at the end of the text, is not
    // covered: check only where two bytes remain.
    const uint64_t* StartPairs() const { return startPairs_.empty() ? nullptr : startPairs_.data(); }
    // The bytes a match can hold (case folding included); a byte outside them
    // never lies inside a match, though lookarounds may look at it.
    const std::array<bool, 256>& MatchBytes() const { return matchBytes_; }
    // When known, the bytes that can stand just before a match (the last
    // byte of the character there); a match never begins at the start of
    // the text. Null when not known.
    const bool* PrecedingBytes() const { return hasPrecedingBytes_ ? precedingBytes_.data() : nullptr; }
    // Whether every match begins with one of a few literal texts of more
    // than two characters (then MayBeginWithLiteral says more than StartPairs).
    bool HasStartLiterals() const { return !startLiterals_.empty(); }
    // Whether `rest`, the text from a position on, begins with one of them
    // (or might: with case ignored, a character beyond ASCII may fold to a letter).
    bool MayBeginWithLiteral(std::string_view rest) const;
    // Every match begins at the start of the searched text (a leading ^).
    bool AnchoredAtStart() const { return anchoredAtStart_; }

    // Searches `text` for the first match that begins at or after `from`; the
    // engine sees nothing before text's first byte, so ^ and \b judge that
    // byte as the start of a text. `text` must be valid UTF-8 and `from` a
    // character boundary (the caller checks once; see IsValidUtf8).
    bool Search(std::string_view text, size_t from);
    // The same, for a match that begins before `limit`: the search looks no
    // further than that for a start, however far the match may reach.
    bool SearchBefore(std::string_view text, size_t from, size_t limit);
    // A match attempt at `at` only.
    bool MatchAt(std::string_view text, size_t at);

    // Of the last successful Search or MatchAt: start and end of the match
    // (group 0) or of a capturing group; kUnset for a group that took no part.
    size_t Start(uint32_t group = 0) const;
    size_t End(uint32_t group = 0) const;
    // The offsets above as pairs, groups 0..CaptureCount().
    void CopyOffsets(std::vector<size_t>& offsets) const;

private:
    void ReadStartInfo(const TranslatedPattern& translated, bool ignoreCase);
    void ReadStartLiterals(const std::vector<std::string>& literals, bool ignoreCase);
    void ReadMatchBytes(const TranslatedPattern& translated, bool ignoreCase);
    void ReadPrecedingBytes(const TranslatedPattern& translated, bool ignoreCase);

    struct Impl;
    std::unique_ptr<Impl> impl_;
    uint32_t captureCount_ = 0;
    uint32_t lookbehindReach_ = 0;
    bool hasStartAnchor_ = false;
    OneCharKind oneChar_ = OneCharKind::None;
    std::array<bool, 256> firstBytes_{};
    std::array<bool, 256> matchBytes_{};
    bool startsAtWordBoundary_ = false;
    bool anchoredAtStart_ = false;
    std::vector<uint64_t> startPairs_;
    std::vector<std::string> startLiterals_;
    bool literalsIgnoreCase_ = false;
    std::array<bool, 256> precedingBytes_{};
    bool hasPrecedingBytes_ = false;
};


// A match of RegExp::Execute.
struct RegExpMatch {
    size_t FirstIndex = 0;  // byte offset in the searched text
    size_t Length = 0;      // in bytes
    std::string Value;
    std::vector<std::string> SubMatches;  // one per capturing group; empty when the group took no part
};

// The regular-expression object as scripts know it: set the pattern and the
// options, then Execute. Compiles when Execute first needs it, so an invalid
// pattern is reported by Execute.
class RegExp {
public:
    RegExp();
    ~RegExp();

    const std::string& Pattern() const { return pattern_; }
    void SetPattern(std::string pattern);
    bool IgnoreCase() const { return ignoreCase_; }
    void SetIgnoreCase(bool on);
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool on);
    bool Global() const { return global_; }
    void SetGlobal(bool on) { global_ = on; }

    // With Global, all matches: non-overlapping, in order, each search
    // resuming at the end of the previous match, or one character further
    // after an empty match. Without it, the first match only. Raises for an
    // invalid pattern, for text that is not UTF-8 (5) and for a search that
    // needs too much backtracking.
    std::vector<RegExpMatch> Execute(std::string_view text);

private:
    std::string pattern_;
    bool ignoreCase_ = false;
    bool multiLine_ = false;
    bool global_ = false;
    std::unique_ptr<CompiledRegex> compiled_;
};

}  // namespace tintext
