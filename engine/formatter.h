// The section formatter: turns input text into HTML by the rules of one
// section of a loaded definition, running entered sections nested.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/hld_tree.h"
#include "support/job_environment.h"

namespace tintext {

// Where the formatter's HTML goes; it only ever appends.
class OutputSink {
public:
    virtual ~OutputSink() = default;
    virtual void Append(std::string_view text) = 0;
};

class StringSink final : public OutputSink {
public:
    std::string text;
    void Append(std::string_view piece) override { text.append(piece); }
};

class RegexCache;
class Ticker;

struct FormatOptions {
    // Progress is reported and pending events run at the end of the first
    // step after each such interval, however long the steps take, and at the
    // end of a run that ran them not at all (the cancel flag is read before
    // every step). Zero: after every step.
    std::chrono::milliseconds eventInterval{20};
    // The caller's ticker, which then sets the interval instead: one thread
    // for all the conversions of a folder run's worker instead of one each.
    // nullptr: the run starts its own.
    Ticker* ticker = nullptr;
    // Compiled patterns kept from earlier conversions with the same
    // definition (a run over a folder); nullptr: compiled for this one alone.
    RegexCache* regexes = nullptr;
};

// Runs `section` over `inp` from `ptr` (a byte offset into the UTF-8 input,
// advanced past everything used up), appending header, filled templates and
// footer to `out`; entered sections run nested, at any depth, and a section
// with INCLUDE lines runs the definition its entering match names over its
// block first (HldSection::includes). Reports
// progress (as a byte offset), lets pending events run and honours the cancel
// flag through `environment`. Raises an error for an invalid pattern or
// one that needs too much backtracking ("Error searching for pattern: ..."),
// for an Enter of a missing section (424), and for input that is not UTF-8 (5).
// A winning match of length 0 counts as no match, so the character is skipped.
// The output is that of ReferenceFormat (engine/reference_formatter.h), which
// does the same steps literally; engine/section_matcher.cpp states the rule.
void FormatSection(const HldTree& hld, const HldSection& section, std::string_view inp, OutputSink& out,
                   size_t& ptr, JobEnvironment& environment, const FormatOptions& options = {});

}  // namespace tintext
