#include "engine/start_filter.h"

#include <cstring>

namespace tintext {

namespace {

// The only byte a 256-entry table holds; -1 when it holds none or several.
int SingleMember(const bool* table) {
    if (!table) return -1;
    int member = -1;
    for (int c = 0; c < 256; ++c) {
        if (!table[c]) continue;
        if (member >= 0) return -1;
        member = c;
    }
    return member;
}

}  // namespace

StartFilter::StartFilter(const PatternAnalysis& analysis)
    : oneChar_(analysis.oneChar),
      reach_(analysis.reach),
      anchoredAtStart_(analysis.anchoredAtStart),
      atLineStart_(analysis.atLineStart),
      firstBytes_(analysis.firstBytes.data()),
      matchBytes_(analysis.matchBytes.data()),
      precedingBytes_(analysis.precedingBytes ? analysis.precedingBytes->data() : nullptr),
      pairs_(analysis.startPairs.empty() ? nullptr : analysis.startPairs.data()) {
    for (int c = 0; c < 0x80; ++c) hasBarrier_ = hasBarrier_ || !matchBytes_[c];
    // Where the bytes rule out most positions, single attempts at the rest
    // cost less than a search by the engine, which tries them all.
    tryEachStart_ = pairs_ || atLineStart_ || precedingBytes_;
    singleFirstByte_ = SingleMember(firstBytes_);
    singlePrecedingByte_ = SingleMember(precedingBytes_);
}

bool StartFilter::CanBeginWith(unsigned char byte) const {
    if (oneChar_ == OneCharKind::None) return firstBytes_[byte];
    // The first byte of a character, and for "." not a line feed or return.
    if (byte >= 0x80 && byte < 0xC0) return false;
    return oneChar_ == OneCharKind::Any || (byte != '\n' && byte != '\r');
}

// The first position in [p, to) just behind `byte` (the scan base, with
// nothing before it, never is); `to` if none.
size_t StartFilter::NextBehind(const ScanText& scan, unsigned char byte, size_t p, size_t to) const {
    size_t from = std::max(p, scan.base + 1);
    if (from >= to) return to;
    const unsigned char* text = reinterpret_cast<const unsigned char*>(scan.text.data());
    const void* hit = std::memchr(text + from - 1, byte, to - from);
    return hit ? static_cast<size_t>(static_cast<const unsigned char*>(hit) - text) + 1 : to;
}

// The first position in [from, to) where a match could begin; `to` if none.
size_t StartFilter::ScanForStart(const ScanText& scan, size_t from, size_t to) const {
    if (anchoredAtStart_) return from == scan.base && MayStartAt(scan, from) ? from : to;
    if (atLineStart_) {
        // Only the positions after a line feed need a look.
        for (size_t p = from; p < to; ++p) {
            if (p != scan.base) p = NextBehind(scan, '\n', p, to);
            if (p >= to) return to;
            if (MayStartAt(scan, p)) return p;
        }
    } else if (singlePrecedingByte_ >= 0) {
        // Only the positions behind that byte need a look.
        for (size_t p = from; p < to; ++p) {
            p = NextBehind(scan, static_cast<unsigned char>(singlePrecedingByte_), p, to);
            if (p >= to) return to;
            if (MayStartAt(scan, p)) return p;
        }
    } else if (singleFirstByte_ >= 0) {
        const unsigned char* text = reinterpret_cast<const unsigned char*>(scan.text.data());
        for (size_t p = from; p < to; ++p) {
            const void* hit = std::memchr(text + p, singleFirstByte_, to - p);
            if (!hit) return to;
            p = static_cast<size_t>(static_cast<const unsigned char*>(hit) - text);
            if (MayStartAt(scan, p)) return p;
        }
    } else if (!pairs_) {
        for (size_t p = from; p < to; ++p)
            if (firstBytes_[scan.At(p)]) return p;
    } else {
        for (size_t p = from; p < to; ++p)
            if (firstBytes_[scan.At(p)] && MayStartAt(scan, p)) return p;
    }
    return to;
}

}  // namespace tintext
