#include "engine/section_matcher.h"

#include <cstring>
#include <string>

#include "support/utf8.h"
#include "support/error.h"

namespace tintext {

namespace {

// The message for a pattern that cannot be compiled or searched. It keeps
// the engine's number, so that 5018 gets its own wording.
[[noreturn]] void RaisePatternError(const Error& e, const HldPattern& pattern) {
    std::string text = "Error searching for pattern: " + pattern.pattern + "\r\n";
    std::string where = std::to_string(pattern.line) + " in " + pattern.file;
    if (e.Number() == err::UnexpectedQuantifier) {
        text += "The pattern is invalid.\r\nThe pattern is defined on line " + where + ".";
    } else {
        text += "Error " + std::to_string(e.Number()) + ". " + e.Description();
        if (e.Number() == regexp_err::TooMuchBacktracking) text += " (line " + where + ")";
    }
    throw e.WithDescription(text);
}

// The bytes a one-character pattern takes (as the first byte of a character).
bool OneCharTakes(OneCharKind kind, int byte) {
    if (byte >= 0x80 && byte < 0xC0) return false;
    return kind == OneCharKind::Any || (byte != '\n' && byte != '\r');
}

// Whether every match of the pattern begins at the start of the subject or
// after a line feed: it opens with that choice, unquantified, and has no
// other branch at its top level.
bool StartsAtLineStart(std::string_view pattern) {
    constexpr std::string_view kLead = "(?:^|(?<=\\n))";
    if (pattern.substr(0, kLead.size()) != kLead) return false;
    if (pattern.size() > kLead.size() && std::string_view("?*+{").find(pattern[kLead.size()]) != std::string_view::npos)
        return false;
    int depth = 0;
    for (size_t k = kLead.size(); k < pattern.size(); ++k) {
        char c = pattern[k];
        if (c == '\\') {
            ++k;
        } else if (c == '[') {
            // A class: a ] right after [ or [^ is a member.
            ++k;
            if (k < pattern.size() && pattern[k] == '^') ++k;
            if (k < pattern.size() && pattern[k] == ']') ++k;
            while (k < pattern.size() && pattern[k] != ']') k += pattern[k] == '\\' ? 2 : 1;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == '|' && depth == 0) {
            return false;
        }
    }
    return true;
}

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

SectionMatcher::SectionMatcher(const HldSection& section, std::string_view inp, RegexCache& cache)
    : section_(section), inp_(inp), cache_(cache) {}
SectionMatcher::~SectionMatcher() = default;

void SectionMatcher::Compile() {
    for (size_t r = 0; r < section_.rules.size(); ++r) {
        for (const HldPattern& pattern : section_.rules[r].patterns) {
            Slot slot;
            try {
                slot.re = &cache_.Get(pattern.pattern, section_.ignoreCase);
            } catch (const Error& e) {
                RaisePatternError(e, pattern);
            }
            slot.rule = r;
            slot.source = &pattern;
            slot.oneChar = slot.re->OneChar();
            // A ^ tells the base from a place with text before it, as a
            // look one character back would.
            slot.reach = std::max<uint32_t>(slot.re->LookbehindReach(), slot.re->HasStartAnchor() ? 1 : 0);
            maxReach_ = std::max(maxReach_, slot.reach);
            slot.groupCount = slot.re->CaptureCount();
            slot.firstBytes = slot.re->FirstBytes().data();
            slot.matchBytes = slot.re->MatchBytes().data();
            for (int c = 0; c < 0x80; ++c) slot.hasBarrier = slot.hasBarrier || !slot.matchBytes[c];
            slot.atWordBoundary = slot.re->StartsAtWordBoundary();
            slot.anchoredAtStart = slot.re->AnchoredAtStart();
            slot.pairs = slot.re->StartPairs();
            slot.literals = slot.re->HasStartLiterals();
            slot.atLineStart = StartsAtLineStart(pattern.pattern);
            // Where the bytes rule out most positions, single attempts at the
            // rest cost less than a search by the engine, which tries them all.
            slot.precedingBytes = slot.re->PrecedingBytes();
            slot.singlePrecedingByte = SingleMember(slot.precedingBytes);
            slot.tryEachStart = slot.atWordBoundary || slot.pairs || slot.atLineStart || slot.precedingBytes;
            slot.singleFirstByte = SingleMember(slot.firstBytes);
            slots_.push_back(std::move(slot));
        }
    }
    for (uint32_t k = 0; k < slots_.size(); ++k) {
        const Slot& slot = slots_[k];
        for (int c = 0; c < 256; ++c) {
            bool takes = slot.oneChar != OneCharKind::None ? OneCharTakes(slot.oneChar, c) : slot.firstBytes[c];
            if (takes) byFirstByte_[c].push_back(k);
        }
    }
    compiled_ = true;
}

namespace {

// How far past the current position a search that must look at used-up
// text goes on: far enough to spare many steps, short enough that text a
// nested section will take is not searched in vain for long.
constexpr size_t kSearchAhead = 4096;

constexpr std::array<bool, 256> kWordBytes = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c) table[c] = IsWordByte(static_cast<unsigned char>(c));
    return table;
}();

inline bool PairAllowed(const uint64_t* pairs, const unsigned char* at) {
    unsigned pair = at[0] * 256u + at[1];
    return (pairs[pair / 64] >> (pair % 64)) & 1;
}

}  // namespace

// Whether a match of the slot's pattern could begin at `pos`, judged by the
// bytes there and before without running the engine.
inline bool SectionMatcher::MayStartAt(const Slot& slot, size_t pos) const {
    if (pos >= inp_.size()) return false;  // nothing at the end is ever used
    const unsigned char* text = reinterpret_cast<const unsigned char*>(inp_.data());
    if (!slot.firstBytes[text[pos]]) return false;
    if (slot.anchoredAtStart && pos != base_) return false;
    if (slot.atLineStart && pos != base_ && text[pos - 1] != '\n') return false;
    if (slot.precedingBytes && (pos == base_ || !slot.precedingBytes[text[pos - 1]])) return false;
    if (slot.atWordBoundary && (pos != base_ && kWordBytes[text[pos - 1]]) == kWordBytes[text[pos]]) return false;
    if (slot.pairs && pos + 1 < inp_.size() && !PairAllowed(slot.pairs, text + pos)) return false;
    return true;
}

// The first position in [p, to) just behind `byte` (the scan base, with
// nothing before it, never is); `to` if none.
size_t SectionMatcher::NextBehind(unsigned char byte, size_t p, size_t to) const {
    size_t from = std::max(p, base_ + 1);
    if (from >= to) return to;
    const unsigned char* text = reinterpret_cast<const unsigned char*>(inp_.data());
    const void* hit = std::memchr(text + from - 1, byte, to - from);
    return hit ? static_cast<size_t>(static_cast<const unsigned char*>(hit) - text) + 1 : to;
}

// The first position in [from, to) where a match could begin; `to` if none.
size_t SectionMatcher::FirstPossibleStart(const Slot& slot, size_t from, size_t to) const {
    if (from >= to) return to;
    if (slot.anchoredAtStart) return from == base_ && MayStartAt(slot, from) ? from : to;
    const unsigned char* text = reinterpret_cast<const unsigned char*>(inp_.data());
    const bool* first = slot.firstBytes;
    if (slot.atLineStart) {
        // Only the positions after a line feed need a look.
        for (size_t p = from; p < to; ++p) {
            if (p != base_) p = NextBehind('\n', p, to);
            if (p >= to) return to;
            if (MayStartAt(slot, p)) return p;
        }
    } else if (slot.singlePrecedingByte >= 0) {
        // Only the positions behind that byte need a look.
        for (size_t p = from; p < to; ++p) {
            p = NextBehind(static_cast<unsigned char>(slot.singlePrecedingByte), p, to);
            if (p >= to) return to;
            if (MayStartAt(slot, p)) return p;
        }
    } else if (slot.singleFirstByte >= 0) {
        for (size_t p = from; p < to; ++p) {
            const void* hit = std::memchr(text + p, slot.singleFirstByte, to - p);
            if (!hit) return to;
            p = static_cast<size_t>(static_cast<const unsigned char*>(hit) - text);
            if (MayStartAt(slot, p)) return p;
        }
    } else if (!slot.atWordBoundary && !slot.pairs) {
        for (size_t p = from; p < to; ++p)
            if (first[text[p]]) return p;
    } else {
        for (size_t p = from; p < to; ++p)
            if (first[text[p]] && MayStartAt(slot, p)) return p;
    }
    return to;
}

// Just behind the last byte in [from, to) that no match of the slot's
// pattern can hold; `from` when there is none close to `to`.
size_t SectionMatcher::AfterLastBarrier(const Slot& slot, size_t from, size_t to) const {
    // Looking further back than a short way would cost as much as the scan
    // forward that it could spare.
    constexpr size_t kLookBack = 64;
    const unsigned char* text = reinterpret_cast<const unsigned char*>(inp_.data());
    for (size_t k = to; k > from && to - k < kLookBack; --k)
        if (text[k - 1] < 0x80 && !slot.matchBytes[text[k - 1]]) return k;
    return from;
}

void SectionMatcher::Store(Slot& slot, size_t from, bool found) {
    slot.known = true;
    slot.from = from;
    slot.found = found;
    if (!found) return;
    slot.start = slot.re->Start() + base_;
    slot.end = slot.re->End() + base_;
    if (slot.groupCount == 0) return;
    slot.re->CopyOffsets(slot.groups);
    for (size_t& offset : slot.groups)
        if (offset != CompiledRegex::kUnset) offset += base_;
}

// The first match of the global search from the scan base that begins in
// [from, limit); stored when there is one.
bool SectionMatcher::SearchBefore(Slot& slot, size_t from, size_t limit) {
    bool found = false;
    try {
        found = slot.re->SearchBefore(inp_.substr(base_), from - base_, limit - base_);
    } catch (const Error& e) {
        RaisePatternError(e, *slot.source);
    }
    if (found) Store(slot, from, true);
    return found;
}

// A match attempt at `pos` alone; stores the match when there is one.
bool SectionMatcher::MatchesAt(Slot& slot, size_t pos) {
    // Checked here rather than with the other filters, which the scans run
    // at every position: it pays only where an attempt would follow.
    if (slot.literals && !slot.re->MayBeginWithLiteral(inp_.substr(pos))) return false;
    bool found = false;
    try {
        found = slot.re->MatchAt(inp_.substr(base_), pos - base_);
    } catch (const Error& e) {
        RaisePatternError(e, *slot.source);
    }
    if (found) Store(slot, pos, true);
    return found;
}

// Searching every pattern again over the rest of the text at each rebuild
// would make the cost quadratic. Instead, a pattern's last search result
// stands where the new scan base cannot change it: an attempt at a position
// sees the same text from any base as long as the base lies no further back
// than the pattern's lookbehind reach (and ^ matches only at the base). So
// only the positions within that reach of the new base are tried afresh.
void SectionMatcher::Rebuild(size_t base) {
    if (!compiled_) Compile();
    base_ = base;
    // afterChars[k]: the position k characters on from the base.
    afterChars_.assign(1, base);
    for (uint32_t k = 0; k < maxReach_; ++k)
        afterChars_.push_back(afterChars_.back() < inp_.size() ? NextCharBoundary(inp_, afterChars_.back()) : inp_.size());
    // Each slot catches up when it is next asked (Sync): a section with many
    // patterns would otherwise pay for all of them at every return, though
    // most are not asked before the next one. What a slot knows holds for
    // any later base, so skipping the bases in between loses nothing.
    ++generation_;
}

void SectionMatcher::Sync(Slot& slot) {
    slot.generation = generation_;
    // The first position whose attempts do not depend on the base.
    size_t fresh = afterChars_[slot.reach];
    bool keep = slot.known && slot.from <= fresh && (!slot.found || slot.start >= fresh);
    bool matched = false;
    for (size_t p = base_; p < fresh && !matched; p = NextCharBoundary(inp_, p))
        matched = MayStartAt(slot, p) && MatchesAt(slot, p);
    if (matched || keep) {
        slot.from = base_;
    } else {
        // A stretch without matches that lies beyond the attempts made
        // afresh holds for the new base too.
        bool keepGap = !slot.known && slot.from <= fresh && slot.next > fresh;
        slot.known = false;
        slot.from = base_;
        if (!keepGap) slot.next = fresh;
    }
}

bool SectionMatcher::FindWinner(size_t pos, StepWinner& winner) {
    Slot* best = nullptr;
    size_t bestEnd = pos;
    for (uint32_t index : byFirstByte_[static_cast<unsigned char>(inp_[pos])]) {
        Slot& slot = slots_[index];
        size_t end;
        if (slot.oneChar != OneCharKind::None) {
            // Matches wherever the character qualifies, whatever came before.
            if (slot.oneChar == OneCharKind::AnyButLineTerminator && static_cast<unsigned char>(inp_[pos]) == 0xE2 &&
                pos + 2 < inp_.size() && static_cast<unsigned char>(inp_[pos + 1]) == 0x80 &&
                (static_cast<unsigned char>(inp_[pos + 2]) | 1) == 0xA9)
                continue;  // U+2028, U+2029
            end = NextCharBoundary(inp_, pos);
        } else {
            if (!Candidate(slot, pos)) continue;
            end = slot.end;
        }
        if (end > bestEnd) {  // an empty match never wins; a tie keeps the earlier
            best = &slot;
            bestEnd = end;
        }
    }
    if (!best) return false;
    winner.rule = best->rule;
    winner.pattern = best->source;
    winner.end = bestEnd;
    winner.groupCount = best->groupCount;
    winner.groups = &best->groups;
    return true;
}

// Whether the slot's global search from the scan base has a match that
// begins at `pos` (then it is the slot's match). Every position before `pos`
// lies in used-up text.
bool SectionMatcher::Candidate(Slot& slot, size_t pos) {
    if (slot.generation != generation_) Sync(slot);
    size_t floor = 0;  // behind the last barrier byte before `pos`, once looked for
    bool floorKnown = false;
    while (true) {
        if (slot.known) {
            if (!slot.found || slot.start > pos) return false;
            if (slot.start == pos) return true;
            // The match begins in used-up text: the search goes on behind it.
            slot.known = false;
            slot.next = slot.end > slot.start ? slot.end
                        : slot.end < inp_.size() ? NextCharBoundary(inp_, slot.end)
                                                 : inp_.size() + 1;
            slot.from = slot.next;
            continue;
        }
        if (slot.next > pos) return false;
        if (slot.next < pos && slot.hasBarrier) {
            // A match that begins before a byte no match can hold ends before
            // it too, so whatever the search finds in front of that byte, it
            // goes on behind it: the used-up text up to there needs no look.
            if (!floorKnown) {
                floor = AfterLastBarrier(slot, slot.next, pos);
                floorKnown = true;
            }
            slot.next = std::max(slot.next, floor);
        }
        size_t p = slot.next < pos ? FirstPossibleStart(slot, slot.next, pos) : pos;  // the usual case, without a call
        if (p < pos) {
            // A match may begin in the used-up text.
            if (slot.tryEachStart) {
                if (!MatchesAt(slot, p)) slot.next = NextCharBoundary(inp_, p);
                continue;
            }
            // One search looks there, here and some way ahead: whatever it
            // finds ahead spares the attempts at the steps in between.
            size_t limit = std::min(inp_.size(), pos + kSearchAhead);
            if (SearchBefore(slot, p, limit)) continue;
            slot.next = limit;
            return false;
        }
        if (!MayStartAt(slot, pos)) {
            slot.next = pos;
            return false;
        }
        if (MatchesAt(slot, pos)) return true;
        slot.next = NextCharBoundary(inp_, pos);
        return false;
    }
}

}  // namespace tintext
