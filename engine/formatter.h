// The section formatter: turns input text into HTML by the rules of one
// section of a loaded definition, running entered sections nested.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/hld_tree.h"

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

// Runs `section` over `inp` from `ptr` (a byte offset into the UTF-8 input,
// advanced past everything used up), appending header, filled templates and
// footer to `out`. Reports progress, lets pending events run and honours the
// cancel flag through the job environment. Raises an error for an invalid
// pattern ("Error searching for pattern: ...").
void FormatSection(const HldTree& hld, const HldSection& section, std::string_view inp, OutputSink& out,
                   size_t& ptr);

}  // namespace tintext
