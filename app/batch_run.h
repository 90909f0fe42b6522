// The batch run: one conversion job from the options of the command line.
#pragma once

#include "engine/job.h"
#include "support/dictionary.h"

namespace tintext {

// Reads in, out, hld, hldfolder, overwrite, dostext and showoutput (in that
// order, with the tolerant conversions; showoutput is true when absent or
// empty) and runs the job once, with the page options read beforehand.
// "-" names standard input or output.
JobOutcome RunBatch(const DictionaryRef& parameters, const PageOptions& page = {});

}  // namespace tintext
