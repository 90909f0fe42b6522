// The matching half of the formatter for one section: its compiled patterns
// and, for each, where its global search from the current scan base stands.
// One matcher serves every run of its section in a conversion; a run that
// resumes after a nested one always rebuilds first.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/hld_tree.h"
#include "engine/regexp.h"

namespace tintext {

struct StepWinner {
    size_t rule = 0;                    // index into the section's rules
    const HldPattern* pattern = nullptr;
    size_t end = 0;                     // where the match ends (it starts at the position asked for)
    uint32_t groupCount = 0;
    // Start/end pairs of groups 0..groupCount (kUnset for a group that took
    // no part) when groupCount > 0; valid until the next call.
    const std::vector<size_t>* groups = nullptr;
};

class SectionMatcher {
public:
    SectionMatcher(const HldSection& section, std::string_view inp);
    ~SectionMatcher();

    // The scan base becomes `base`: each pattern's matches are those of a
    // global search of the text from `base` on. Compiles the patterns at the
    // first call; raises "Error searching for pattern: ..." errors.
    void Rebuild(size_t base);

    // The longest match that begins at `pos` among the current matches of all
    // patterns (ties to the earliest rule, then pattern). False when there is
    // none or when the longest is empty.
    bool FindWinner(size_t pos, StepWinner& winner);

private:
    // One pattern and where its global search stands. Kept in one array:
    // every step looks at every slot.
    struct Slot {
        bool found = false;     // start/end hold the pattern's current match
        bool searched = false;  // `from`, `found` and the match are a search result
        OneCharKind oneChar = OneCharKind::None;
        uint32_t groupCount = 0;
        size_t start = 0, end = 0;
        // The last search began at `from`: no match of the global search from
        // the scan base begins in [from, start).
        size_t from = 0;
        size_t rule = 0;
        CompiledRegex* re = nullptr;
        const HldPattern* source = nullptr;
        std::vector<size_t> groups;  // of the current match, when groupCount > 0
    };
    void Compile();
    bool CandidateAt(Slot& slot, size_t pos);
    bool Advance(Slot& slot, size_t from);
    void Store(Slot& slot, size_t from, bool found);

    const HldSection& section_;
    std::string_view inp_;
    bool compiled_ = false;
    size_t base_ = 0;
    std::vector<std::unique_ptr<CompiledRegex>> regexes_;
    std::vector<Slot> slots_;  // all patterns, rule by rule
    std::vector<Slot*> oneCharSlots_;
    // No pattern other than the one-character ones has a match that begins
    // before this position: up to it, those alone decide.
    size_t quietUntil_ = 0;
};

}  // namespace tintext
