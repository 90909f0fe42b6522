// Which match wins a step. The rule:
//
// - Each pattern's matches are those of its global search from the scan base
//   (where the run started, or resumed after a nested one): they do not
//   overlap, each search goes on at the end of the previous match, or one
//   character further after an empty one.
// - At a step, the matches that begin at the position compete: the longest
//   wins, a tie goes to the earlier rule (then pattern), an empty match
//   never wins.
// - A match that begins in text already used up, before the position, is
//   not usable: the search goes on behind it, so it may also hide a match
//   that would have begun further on.
//
// engine/reference_formatter.cpp does just that, searching every pattern over
// the rest of the text at each rebuild. Here each pattern's search is
// followed only as far as the steps need it (a cursor per pattern), and a
// start filter (engine/start_filter.h) spares the engine the positions where
// no match can begin.
#include "engine/section_matcher.h"

#include <string>

#include "support/error.h"
#include "support/utf8.h"

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

SectionMatcher::Cursor::Cursor(size_t rule, const HldPattern& source, CompiledRegex& re)
    : rule(rule), source(&source), re(&re), filter(re.Analysis()), groupCount(re.CaptureCount()) {}

SectionMatcher::SectionMatcher(const HldSection& section, std::string_view inp, RegexCache& cache)
    : section_(section), cache_(cache), whole_(inp), scan_{inp, 0} {}
SectionMatcher::~SectionMatcher() = default;

void SectionMatcher::Compile() {
    for (size_t r = 0; r < section_.rules.size(); ++r) {
        for (const HldPattern& pattern : section_.rules[r].patterns) {
            CompiledRegex* re = nullptr;
            try {
                re = &cache_.Get(pattern.pattern, section_.ignoreCase);
            } catch (const Error& e) {
                RaisePatternError(e, pattern);
            }
            cursors_.emplace_back(r, pattern, *re);
            maxReach_ = std::max(maxReach_, cursors_.back().filter.Reach());
        }
    }
    for (uint32_t k = 0; k < cursors_.size(); ++k)
        for (int c = 0; c < 256; ++c)
            if (cursors_[k].filter.CanBeginWith(static_cast<unsigned char>(c))) byFirstByte_[c].push_back(k);
    compiled_ = true;
}

bool SectionMatcher::FindWinner(size_t pos, StepWinner& winner) {
    Cursor* best = nullptr;
    size_t bestEnd = pos;
    for (uint32_t index : byFirstByte_[scan_.At(pos)]) {
        Cursor& cursor = cursors_[index];
        size_t end;
        if (cursor.filter.IsOneChar()) {
            if (!cursor.filter.OneCharAt(scan_, pos, end)) continue;
        } else {
            if (!MatchBeginsAt(cursor, pos)) continue;
            end = cursor.end;
        }
        if (end > bestEnd) {  // an empty match never wins; a tie keeps the earlier
            best = &cursor;
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

// Whether the cursor's search has a match that begins at `pos` (then it is
// the cursor's match). Every position before `pos` lies in used-up text.
bool SectionMatcher::MatchBeginsAt(Cursor& cursor, size_t pos) {
    if (cursor.generation != generation_) CatchUp(cursor);
    const StartFilter& filter = cursor.filter;
    size_t floor = StartFilter::kNotLooked;
    while (true) {
        if (cursor.known) {
            if (!cursor.found || cursor.start > pos) return false;
            if (cursor.start == pos) return true;
            // The match begins in used-up text: the search goes on behind it.
            cursor.known = false;
            cursor.next = cursor.end > cursor.start ? cursor.end
                          : cursor.end < scan_.text.size() ? NextCharBoundary(scan_.text, cursor.end)
                                                           : scan_.text.size() + 1;
            cursor.from = cursor.next;
            continue;
        }
        if (cursor.next > pos) return false;
        size_t p = cursor.next < pos ? filter.FirstPossibleStart(scan_, cursor.next, pos, floor) : pos;
        if (p < pos) {
            // A match may begin in the used-up text.
            if (filter.TriesEachStart()) {
                if (!Attempt(cursor, p)) cursor.next = NextCharBoundary(scan_.text, p);
                continue;
            }
            // One search looks there, here and some way ahead: whatever it
            // finds ahead spares the attempts at the steps in between.
            size_t limit = StartFilter::SearchLimit(scan_, pos);
            if (SearchBefore(cursor, p, limit)) continue;
            cursor.next = limit;
            return false;
        }
        // The search has come to `pos`.
        if (!filter.MayStartAt(scan_, pos)) {
            cursor.next = pos;
            return false;
        }
        if (Attempt(cursor, pos)) return true;
        cursor.next = NextCharBoundary(scan_.text, pos);
        return false;
    }
}

// Searching every pattern again over the rest of the text at each rebuild
// would make the cost quadratic. Instead, what a cursor knows stands where
// the new scan base cannot change it: an attempt at a position sees the same
// text from any base as long as the base lies no further back than the
// pattern's reach. So only the positions within that reach of the new base
// are tried afresh.
void SectionMatcher::Rebuild(size_t base, size_t end) {
    if (!compiled_) Compile();
    scan_.base = base;
    if (end != scan_.text.size()) {
        // Another end: nothing known of the searches holds.
        scan_.text = whole_.substr(0, end);
        for (Cursor& cursor : cursors_) {
            cursor.known = false;
            cursor.from = cursor.next = base;
            cursor.generation = generation_ + 1;
        }
    }
    // afterChars[k]: the position k characters on from the base.
    afterChars_.assign(1, base);
    for (uint32_t k = 0; k < maxReach_; ++k)
        afterChars_.push_back(afterChars_.back() < scan_.text.size() ? NextCharBoundary(scan_.text, afterChars_.back())
                                                                     : scan_.text.size());
    // Each cursor catches up when it is next asked: a section with many
    // patterns would otherwise pay for all of them at every return, though
    // most are not asked before the next one. What a cursor knows holds for
    // any later base, so skipping the bases in between loses nothing.
    ++generation_;
}

size_t SectionMatcher::FirstReturnStart(size_t from, size_t end) {
    const std::string_view text = whole_.substr(from, end - from);
    size_t first = end;
    for (const HldRule& rule : section_.rules) {
        if (!rule.returns) continue;
        for (const HldPattern& pattern : rule.patterns) {
            try {
                CompiledRegex& re = cache_.Get(pattern.pattern, section_.ignoreCase);
                for (size_t at = 0; from + at < first && re.Search(text, at);) {
                    if (re.End() > re.Start()) {
                        first = std::min(first, from + re.Start());
                        break;
                    }
                    if (re.End() >= text.size()) break;
                    at = NextCharBoundary(text, re.End());
                }
            } catch (const Error& e) {
                RaisePatternError(e, pattern);
            }
        }
    }
    return first;
}

void SectionMatcher::CatchUp(Cursor& cursor) {
    cursor.generation = generation_;
    // The first position whose attempts do not depend on the base.
    size_t fresh = afterChars_[cursor.filter.Reach()];
    bool keep = cursor.known && cursor.from <= fresh && (!cursor.found || cursor.start >= fresh);
    bool matched = false;
    for (size_t p = scan_.base; p < fresh && !matched; p = NextCharBoundary(scan_.text, p))
        matched = cursor.filter.MayStartAt(scan_, p) && Attempt(cursor, p);
    if (matched || keep) {
        cursor.from = scan_.base;
    } else {
        // A stretch without matches that lies beyond the attempts made
        // afresh holds for the new base too.
        bool keepGap = !cursor.known && cursor.from <= fresh && cursor.next > fresh;
        cursor.known = false;
        cursor.from = scan_.base;
        if (!keepGap) cursor.next = fresh;
    }
}

// The engine's match, found by a search from `from`, becomes the cursor's.
void SectionMatcher::Store(Cursor& cursor, size_t from) {
    size_t base = scan_.base;
    cursor.known = true;
    cursor.from = from;
    cursor.found = true;
    cursor.start = cursor.re->Start() + base;
    cursor.end = cursor.re->End() + base;
    if (cursor.groupCount == 0) return;
    cursor.re->CopyOffsets(cursor.groups);
    for (size_t& offset : cursor.groups)
        if (offset != CompiledRegex::kUnset) offset += base;
}

// The first match of the search that begins in [from, limit); stored when
// there is one.
bool SectionMatcher::SearchBefore(Cursor& cursor, size_t from, size_t limit) {
    bool found = false;
    size_t base = scan_.base;
    try {
        found = cursor.re->SearchBefore(scan_.text.substr(base), from - base, limit - base);
    } catch (const Error& e) {
        RaisePatternError(e, *cursor.source);
    }
    if (found) Store(cursor, from);
    return found;
}

// A match attempt at `pos` alone; stores the match when there is one.
bool SectionMatcher::Attempt(Cursor& cursor, size_t pos) {
    bool found = false;
    size_t base = scan_.base;
    try {
        found = cursor.re->MatchAt(scan_.text.substr(base), pos - base);
    } catch (const Error& e) {
        RaisePatternError(e, *cursor.source);
    }
    if (found) Store(cursor, pos);
    return found;
}

}  // namespace tintext
