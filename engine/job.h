// The conversion job: one input file to one HTML output file.
#pragma once

#include <cstdint>
#include <string>

#include "support/value.h"

namespace tintext {

// What the terminal front end needs to set its exit status; the dialogs ignore it.
enum class JobOutcome { Written, NotWritten };

// Runs one conversion. Every failure is reported through the job
// environment's message boxes. overwritemode: 0 no, 1 yes, 2 ask; others as 0.
JobOutcome Process(const std::string& inputfilename, const std::string& destfile, std::string hldfile,
                   const Value& hldfolder, int32_t overwritemode, bool showoutput, int32_t dostext);

// The default definition's bare file name for an input file, from its extension.
std::string GetHLD(const Value& fileName);

}  // namespace tintext
