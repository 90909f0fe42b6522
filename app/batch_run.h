// The batch run: one conversion job from the options of the command line.
#pragma once

#include <string>

#include "engine/job.h"
#include "support/dictionary.h"

namespace tintext {

// Where a batch run reports, which decides whether the output is opened.
enum class BatchFrontEnd {
    Terminal,  // a terminal or a script: opened only when /showoutput asks for it
    Dialogs,   // no terminal: opened unless /showoutput says no, when the stored ShowOutput allows
};

// Reads in, out, hld, hldfolder, overwrite, dostext and showoutput (in that
// order, with the tolerant conversions) and runs the job once. "-" names
// standard input or output. Without out, a file input is written beside
// itself with .htm for its extension, standard input to standard output.
// definitionFile, when not empty, is used instead of hld (/lang). page: the
// page options, read (and checked) beforehand.
JobOutcome RunBatch(const Dictionary& options, BatchFrontEnd frontEnd, const std::string& definitionFile = "",
                    const PageOptions& page = {});

// The output a file input gets without out: its name with .htm for its extension.
std::string DefaultOutputName(const std::string& inputfilename);

}  // namespace tintext
