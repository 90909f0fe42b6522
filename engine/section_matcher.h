// The matching half of the formatter for one section: its compiled patterns
// and, for each, where its global search from the current scan base stands.
// One matcher serves every run of its section in a conversion; a run that
// resumes after a nested one always rebuilds first.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/hld_tree.h"
#include "engine/regex_cache.h"
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
    // The patterns come from `cache`, which must outlive the matcher.
    SectionMatcher(const HldSection& section, std::string_view inp, RegexCache& cache);
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
    // One pattern and where its global search from the scan base stands:
    // either the search's result from `from` on is known (`known`), or only
    // that no match begins in [from, next) and the search goes on from `next`
    // (nothing known beyond it).
    struct Slot {
        bool known = false;
        bool found = false;     // when known: start/end hold the first match at or after `from`
        bool atWordBoundary = false;
        bool anchoredAtStart = false;
        bool atLineStart = false;   // begins only at the scan base or after a line feed
        bool tryEachStart = false;  // in used-up text, single attempts rather than a search
        OneCharKind oneChar = OneCharKind::None;
        uint32_t groupCount = 0;
        uint64_t generation = 0;    // the last rebuild the slot caught up with
        uint32_t reach = 0;         // characters before a position that an attempt there may see
        size_t start = 0, end = 0;
        size_t from = 0;
        size_t next = 0;
        size_t rule = 0;
        const bool* firstBytes = nullptr;  // 256 entries
        const bool* matchBytes = nullptr;  // 256 entries: what a match can hold
        const bool* precedingBytes = nullptr;  // 256 entries, when known: what can stand before a match
        int singlePrecedingByte = -1;          // the only one of them, if just one
        bool hasBarrier = false;           // some ASCII byte is not among them
        int singleFirstByte = -1;          // the only byte in firstBytes, if just one
        const uint64_t* pairs = nullptr;   // the possible first two bytes, if known
        bool literals = false;             // every match begins with one of a few literal texts
        CompiledRegex* re = nullptr;
        const HldPattern* source = nullptr;
        std::vector<size_t> groups;  // of the current match, when groupCount > 0
    };
    void Compile();
    bool MayStartAt(const Slot& slot, size_t pos) const;
    size_t FirstPossibleStart(const Slot& slot, size_t from, size_t to) const;
    size_t NextBehind(unsigned char byte, size_t p, size_t to) const;
    size_t AfterLastBarrier(const Slot& slot, size_t from, size_t to) const;
    bool MatchesAt(Slot& slot, size_t pos);
    bool Candidate(Slot& slot, size_t pos);
    void Sync(Slot& slot);
    bool SearchBefore(Slot& slot, size_t from, size_t limit);
    void Store(Slot& slot, size_t from, bool found);

    const HldSection& section_;
    std::string_view inp_;
    bool compiled_ = false;
    size_t base_ = 0;
    RegexCache& cache_;
    std::vector<Slot> slots_;  // all patterns, rule by rule
    uint32_t maxReach_ = 0;    // the largest reach of a slot
    uint64_t generation_ = 0;  // counts the rebuilds
    std::vector<size_t> afterChars_;  // Rebuild's positions 0, 1, ... characters on from the base
    // For each byte, the slots (in rule order) whose match can begin with it:
    // a step looks at those alone.
    std::array<std::vector<uint32_t>, 256> byFirstByte_;
};

}  // namespace tintext
