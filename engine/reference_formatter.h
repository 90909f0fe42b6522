// The definition of correct output: a formatter that does the steps
// literally. At every rebuild it searches every pattern over the rest of
// the input and then walks the stored match lists with their pointers; at
// each step the longest match that begins at the position wins, a tie goes
// to the earlier rule, an empty match never wins, and a match that begins in
// used-up text is passed over. FormatSection (engine/formatter.h) must give
// the same output and end position for every definition and input; the
// tests hold it to that. Too slow to ship: the tests and tools link it.
#pragma once

#include <string>
#include <string_view>

#include "engine/hld_tree.h"
#include "support/job_environment.h"

namespace tintext {

struct ReferenceCounts {
    long rebuildsAfterReturn = 0;  // rebuilds that follow the return of a nested section
};

// Runs `section` over `inp` from `ptr` as FormatSection does, appending to
// `out`, reading the cancel flag and reporting progress through `env`
// after every step. Raises the same errors, except that an Enter of a
// missing section gives its number only.
void ReferenceFormat(const HldTree& hld, const HldSection& section, std::string_view inp, std::string& out,
                     size_t& ptr, JobEnvironment& env, ReferenceCounts& counts);

}  // namespace tintext
