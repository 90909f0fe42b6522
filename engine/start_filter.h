// The formatter's speed machinery for one pattern: what the bytes of the
// text tell about where a match can begin, without running the engine, and
// how used-up text is best looked at. Every check only rules out positions
// where no match that matters can begin, so a filter never changes a
// result; engine/section_matcher.cpp states the rule without them.
//
// What each part earns, as formatter instructions without it (callgrind on
// the inputs of bench/inputs.sh; bench/README.md has the table):
// barrier bytes +19 to +108%, first-two-byte pairs +1 to +52%, lookbehind
// bytes +18% on HTML and +42% on ASP, line start +7 to +10% on C and
// Python; the native matcher of simple patterns (engine/simple_pattern.h)
// +10 to +29%.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/pattern_analysis.h"
#include "support/utf8.h"

namespace tintext {

// The text the patterns of a section run over, and the scan base: the
// engine sees nothing before the base.
struct ScanText {
    std::string_view text;
    size_t base = 0;
    unsigned char At(size_t pos) const { return static_cast<unsigned char>(text[pos]); }
};

class StartFilter {
public:
    // The analysis must outlive the filter.
    explicit StartFilter(const PatternAnalysis& analysis);

    // Which patterns a step asks at all: those whose match can begin with
    // the byte there.
    bool CanBeginWith(unsigned char byte) const;
    // How many characters before a position an attempt there may see.
    uint32_t Reach() const { return reach_; }

    // A pattern whose every match is one character, wherever that character
    // qualifies, is answered from the character alone: the match at `pos`
    // ends at `end`.
    bool IsOneChar() const { return oneChar_ != OneCharKind::None; }
    bool OneCharAt(const ScanText& scan, size_t pos, size_t& end) const;

    // Whether a match could begin at `pos`, judged by the bytes there and before.
    bool MayStartAt(const ScanText& scan, size_t pos) const;

    // The first position in [from, to) where a match could begin that the
    // search from `from` would not pass over in front of `to`; `to` if none.
    // `floor` keeps what the call found behind the last barrier byte for
    // later calls with the same `to`: start it at kNotLooked.
    static constexpr size_t kNotLooked = ~size_t{0};
    size_t FirstPossibleStart(const ScanText& scan, size_t from, size_t to, size_t& floor) const;

    // How a possible start in used-up text is looked at: by a single attempt
    // there, where the bytes rule out most positions, else by one search
    // that goes on to SearchLimit.
    bool TriesEachStart() const { return tryEachStart_; }
    // Far enough past `pos` to spare many steps, short enough that text a
    // nested section will take is not searched in vain for long.
    static size_t SearchLimit(const ScanText& scan, size_t pos) {
        constexpr size_t kSearchAhead = 4096;
        return std::min(scan.text.size(), pos + kSearchAhead);
    }

private:
    size_t ScanForStart(const ScanText& scan, size_t from, size_t to) const;
    size_t NextBehind(const ScanText& scan, unsigned char byte, size_t p, size_t to) const;
    size_t AfterLastBarrier(const ScanText& scan, size_t from, size_t to) const;
    bool PairAllowed(const ScanText& scan, size_t pos) const {
        unsigned pair = scan.At(pos) * 256u + scan.At(pos + 1);
        return (pairs_[pair / 64] >> (pair % 64)) & 1;
    }

    OneCharKind oneChar_;
    uint32_t reach_;
    bool anchoredAtStart_;
    bool atLineStart_;
    bool hasBarrier_ = false;  // some ASCII byte cannot lie inside a match
    bool tryEachStart_;
    int singleFirstByte_;      // the only byte a match can begin with, if just one
    int singlePrecedingByte_;  // the only byte that can stand before a match, if just one
    const bool* firstBytes_;
    const bool* matchBytes_;
    const bool* precedingBytes_;  // null when not known
    const uint64_t* pairs_;       // null when not known
};

inline bool StartFilter::MayStartAt(const ScanText& scan, size_t pos) const {
    if (pos >= scan.text.size()) return false;  // nothing at the end is ever used
    if (!firstBytes_[scan.At(pos)]) return false;
    if (anchoredAtStart_ && pos != scan.base) return false;
    if (atLineStart_ && pos != scan.base && scan.At(pos - 1) != '\n') return false;
    if (precedingBytes_ && (pos == scan.base || !precedingBytes_[scan.At(pos - 1)])) return false;
    if (pairs_ && pos + 1 < scan.text.size() && !PairAllowed(scan, pos)) return false;
    return true;
}

inline bool StartFilter::OneCharAt(const ScanText& scan, size_t pos, size_t& end) const {
    // U+2028 and U+2029 are line terminators too.
    if (oneChar_ == OneCharKind::AnyButLineTerminator && scan.At(pos) == 0xE2 && pos + 2 < scan.text.size() &&
        scan.At(pos + 1) == 0x80 && (scan.At(pos + 2) | 1) == 0xA9)
        return false;
    end = NextCharBoundary(scan.text, pos);
    return true;
}

// Just behind the last byte in [from, to) that no match can hold; `from`
// when there is none close to `to`.
inline size_t StartFilter::AfterLastBarrier(const ScanText& scan, size_t from, size_t to) const {
    // Looking further back than a short way would cost as much as the scan
    // forward that it could spare.
    constexpr size_t kLookBack = 64;
    for (size_t k = to; k > from && to - k < kLookBack; --k)
        if (scan.At(k - 1) < 0x80 && !matchBytes_[scan.At(k - 1)]) return k;
    return from;
}

inline size_t StartFilter::FirstPossibleStart(const ScanText& scan, size_t from, size_t to, size_t& floor) const {
    if (hasBarrier_) {
        // A match that begins before a byte no match can hold ends before it
        // too, so whatever the search finds in front of that byte, it goes on
        // behind it: the text up to there needs no look.
        if (floor == kNotLooked) floor = AfterLastBarrier(scan, from, to);
        from = std::max(from, floor);
    }
    return from < to ? ScanForStart(scan, from, to) : to;
}

}  // namespace tintext
