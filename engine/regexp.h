// Regular expressions with ECMAScript syntax and search rules, over PCRE2
// (8-bit, UTF mode, JIT). Texts are UTF-8; every position and length is a
// byte offset, and a match never splits a character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/pattern_analysis.h"
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
    // What the pattern tells about its matches, for the formatter's start filter.
    const PatternAnalysis& Analysis() const { return analysis_; }

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
    EngineStartInfo ReadEngineStartInfo(const PatternFacts& facts, bool ignoreCase) const;

    struct Impl;
    std::unique_ptr<Impl> impl_;
    uint32_t captureCount_ = 0;
    PatternAnalysis analysis_;
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
