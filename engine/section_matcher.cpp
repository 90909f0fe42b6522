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

struct SectionMatcher::Slot {
    size_t rule = 0;
    const HldPattern* source = nullptr;
    std::unique_ptr<CompiledRegex> re;
    bool found = false;           // whether `offsets` holds the pattern's current match
    std::vector<size_t> offsets;  // start/end pairs in `inp`, groups 0..n
};

SectionMatcher::SectionMatcher(const HldSection& section, std::string_view inp) : section_(section), inp_(inp) {}
SectionMatcher::~SectionMatcher() = default;

void SectionMatcher::Compile() {
    for (size_t r = 0; r < section_.rules.size(); ++r) {
        for (const HldPattern& pattern : section_.rules[r].patterns) {
            auto slot = std::make_unique<Slot>();
            slot->rule = r;
            slot->source = &pattern;
            try {
                // MultiLine stays off: a loaded section keeps it as a truth
                // value, whose text is never the "0" that would switch it on.
                slot->re = std::make_unique<CompiledRegex>(pattern.pattern, section_.ignoreCase, false);
            } catch (const Error& e) {
                RaisePatternError(e, pattern);
            }
            slots_.push_back(std::move(slot));
        }
    }
    compiled_ = true;
}

void SectionMatcher::Rebuild(size_t base) {
    if (!compiled_) Compile();
    base_ = base;
    for (auto& slot : slots_) Advance(*slot, base);
}

// The first match of the global search from the scan base that begins at or
// after `from`.
bool SectionMatcher::Advance(Slot& slot, size_t from) {
    slot.found = false;
    if (from > inp_.size()) return false;
    std::string_view subject = inp_.substr(base_);
    try {
        slot.found = slot.re->Search(subject, from - base_);
    } catch (const Error& e) {
        RaisePatternError(e, *slot.source);
    }
    if (slot.found) {
        slot.re->CopyOffsets(slot.offsets);
        for (size_t& offset : slot.offsets)
            if (offset != CompiledRegex::kUnset) offset += base_;
    }
    return slot.found;
}

// Walks the pattern's matches past those that begin in used-up text; true
// when the next one begins at `pos`.
bool SectionMatcher::CandidateAt(Slot& slot, size_t pos) {
    while (slot.found && slot.offsets[0] < pos) {
        size_t start = slot.offsets[0], end = slot.offsets[1];
        size_t next = end > start ? end : end < inp_.size() ? NextCharBoundary(inp_, end) : inp_.size() + 1;
        Advance(slot, next);
    }
    return slot.found && slot.offsets[0] == pos;
}

bool SectionMatcher::FindWinner(size_t pos, StepWinner& winner) {
    Slot* best = nullptr;
    size_t bestEnd = pos;
    for (auto& slot : slots_) {
        if (!CandidateAt(*slot, pos)) continue;
        if (!best || slot->offsets[1] > bestEnd) {
            best = slot.get();
            bestEnd = slot->offsets[1];
        }
    }
    if (!best || bestEnd == pos) return false;
    winner.rule = best->rule;
    winner.pattern = best->source;
    winner.end = bestEnd;
    winner.groupCount = best->re->CaptureCount();
    winner.groups = &best->offsets;
    return true;
}

}  // namespace tintext
