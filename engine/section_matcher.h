// The matching half of the formatter for one section: which rule's match
// wins at a position. One matcher serves every run of its section in a
// conversion; a run that resumes after a nested one always rebuilds first.
// engine/reference_formatter.h states the same rule without any speed work.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/hld_tree.h"
#include "engine/regex_cache.h"
#include "engine/regexp.h"
#include "engine/start_filter.h"

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
    // global search of the text from `base` to `end` (the input's end, or a
    // block's that another definition runs on: the patterns see nothing
    // after it). Compiles the patterns at the first call; raises "Error
    // searching for pattern: ..." errors.
    void Rebuild(size_t base, size_t end);

    // Where the first non-empty match of a pattern of a returning rule
    // begins, in a global search of the text from `from` to `end`; `end`
    // when there is none.
    size_t FirstReturnStart(size_t from, size_t end);

    // The longest match that begins at `pos` among the current matches of all
    // patterns (ties to the earliest rule, then pattern). False when there is
    // none or when the longest is empty.
    bool FindWinner(size_t pos, StepWinner& winner);

private:
    // Where one pattern's global search from the scan base stands: either
    // its first match at or after `from` is known (`known`; `found` tells
    // whether there is one), or only that no match begins in [from, next).
    struct Cursor {
        Cursor(size_t rule, const HldPattern& source, CompiledRegex& re);
        size_t rule;
        const HldPattern* source;
        CompiledRegex* re;
        StartFilter filter;
        uint32_t groupCount;
        bool known = false;
        bool found = false;
        size_t start = 0, end = 0;  // the match, when known and found
        std::vector<size_t> groups;  // of the match, when groupCount > 0
        size_t from = 0;
        size_t next = 0;
        uint64_t generation = 0;  // the last rebuild the cursor caught up with
    };
    void Compile();
    bool MatchBeginsAt(Cursor& cursor, size_t pos);
    void CatchUp(Cursor& cursor);
    bool Attempt(Cursor& cursor, size_t pos);
    bool SearchBefore(Cursor& cursor, size_t from, size_t limit);
    void Store(Cursor& cursor, size_t from);

    const HldSection& section_;
    RegexCache& cache_;
    std::string_view whole_;  // the input
    ScanText scan_;  // the input and the scan base
    bool compiled_ = false;
    std::vector<Cursor> cursors_;  // all patterns, rule by rule
    uint32_t maxReach_ = 0;    // the largest reach of a pattern
    uint64_t generation_ = 0;  // counts the rebuilds
    std::vector<size_t> afterChars_;  // Rebuild's positions 0, 1, ... characters on from the base
    // For each byte, the cursors (in rule order) whose match can begin with
    // it: a step looks at those alone.
    std::array<std::vector<uint32_t>, 256> byFirstByte_;
};

}  // namespace tintext
