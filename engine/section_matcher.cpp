#include "engine/section_matcher.h"

#include <string>

#include "engine/utf8.h"
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

}  // namespace

SectionMatcher::SectionMatcher(const HldSection& section, std::string_view inp) : section_(section), inp_(inp) {}
SectionMatcher::~SectionMatcher() = default;

void SectionMatcher::Compile() {
    for (size_t r = 0; r < section_.rules.size(); ++r) {
        for (const HldPattern& pattern : section_.rules[r].patterns) {
            try {
                // MultiLine stays off: a loaded section keeps it as a truth
                // value, whose text is never the "0" that would switch it on.
                regexes_.push_back(std::make_unique<CompiledRegex>(pattern.pattern, section_.ignoreCase, false));
            } catch (const Error& e) {
                RaisePatternError(e, pattern);
            }
            Slot slot;
            slot.rule = r;
            slot.source = &pattern;
            slot.re = regexes_.back().get();
            slot.oneChar = slot.re->OneChar();
            slot.groupCount = slot.re->CaptureCount();
            slots_.push_back(std::move(slot));
        }
    }
    for (Slot& slot : slots_)
        if (slot.oneChar != OneCharKind::None) oneCharSlots_.push_back(&slot);
    compiled_ = true;
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
    quietUntil_ = 0;
    std::string_view subject = inp_.substr(base);
    for (Slot& slot : slots_) {
        if (slot.oneChar != OneCharKind::None) continue;
        if (!slot.searched) {
            Advance(slot, base);
            continue;
        }
        // Fresh attempts at the first max(reach, 1) characters; `fresh` ends
        // as the first position that needs none (past the end: all tried).
        size_t fresh = base;
        bool matched = false;
        uint32_t attempts = std::max<uint32_t>(slot.re->LookbehindReach(), 1);
        try {
            for (uint32_t k = 0; k < attempts && !matched; ++k) {
                if (slot.re->MatchAt(subject, fresh - base)) {
                    matched = true;
                } else if (fresh == inp_.size()) {
                    fresh = inp_.size() + 1;
                    break;
                } else {
                    fresh = NextCharBoundary(inp_, fresh);
                }
            }
        } catch (const Error& e) {
            RaisePatternError(e, *slot.source);
        }
        if (matched) {
            Store(slot, base, true);
        } else if (slot.from <= fresh && (!slot.found || slot.start >= fresh)) {
            slot.from = base;
        } else {
            Advance(slot, fresh);
            slot.from = base;
        }
    }
}

void SectionMatcher::Store(Slot& slot, size_t from, bool found) {
    slot.searched = true;
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

// The first match of the global search from the scan base that begins at or
// after `from`.
bool SectionMatcher::Advance(Slot& slot, size_t from) {
    bool found = false;
    if (from <= inp_.size()) {
        try {
            found = slot.re->Search(inp_.substr(base_), from - base_);
        } catch (const Error& e) {
            RaisePatternError(e, *slot.source);
        }
    }
    Store(slot, from, found);
    return found;
}

// Walks the pattern's matches past those that begin in used-up text; true
// when the next one begins at `pos`.
bool SectionMatcher::CandidateAt(Slot& slot, size_t pos) {
    while (slot.found && slot.start < pos) {
        size_t next = slot.end > slot.start ? slot.end
                      : slot.end < inp_.size() ? NextCharBoundary(inp_, slot.end)
                                               : inp_.size() + 1;
        Advance(slot, next);
    }
    return slot.found && slot.start == pos;
}

// A one-character pattern matches at every position where the character
// qualifies, whatever came before: no match list to walk.
static size_t OneCharMatchEnd(OneCharKind kind, std::string_view inp, size_t pos) {
    unsigned char c = static_cast<unsigned char>(inp[pos]);
    if (kind == OneCharKind::AnyButLineTerminator) {
        if (c == '\n' || c == '\r') return pos;
        if (c == 0xE2 && pos + 2 < inp.size() && static_cast<unsigned char>(inp[pos + 1]) == 0x80 &&
            (static_cast<unsigned char>(inp[pos + 2]) | 1) == 0xA9)
            return pos;  // U+2028, U+2029
    }
    return NextCharBoundary(inp, pos);
}

bool SectionMatcher::FindWinner(size_t pos, StepWinner& winner) {
    Slot* best = nullptr;
    size_t bestEnd = pos;
    if (pos < quietUntil_) {
        // Within the text before the next match of any other pattern (the
        // inside of comments and strings, for instance): the first
        // one-character pattern that takes the character wins.
        for (Slot* slot : oneCharSlots_) {
            size_t end = OneCharMatchEnd(slot->oneChar, inp_, pos);
            if (end > pos) {
                best = slot;
                bestEnd = end;
                break;
            }
        }
    } else {
        size_t quiet = inp_.size() + 1;
        for (Slot& slot : slots_) {
            size_t end;
            if (slot.oneChar != OneCharKind::None) {
                end = OneCharMatchEnd(slot.oneChar, inp_, pos);
            } else {
                if (!slot.found) continue;
                if (slot.start > pos) {  // the common case, decided at once
                    quiet = std::min(quiet, slot.start);
                    continue;
                }
                bool candidate = CandidateAt(slot, pos);
                if (slot.found) quiet = std::min(quiet, slot.start);
                if (!candidate) continue;
                end = slot.end;
            }
            if (end > bestEnd) {  // an empty match never wins; a tie keeps the earlier
                best = &slot;
                bestEnd = end;
            }
        }
        quietUntil_ = quiet;
    }
    if (!best) return false;
    winner.rule = best->rule;
    winner.pattern = best->source;
    winner.end = bestEnd;
    winner.groupCount = best->groupCount;
    winner.groups = &best->groups;
    return true;
}

}  // namespace tintext
