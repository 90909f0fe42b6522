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

// The input's code page as the user named it.
struct CodePageChoice {
    int32_t codePage = 0;  // 0: none named
    std::string source;    // "the /codepage option", "the stored CodePage setting"
};

// The usage error for a codepage option value that names no code page
// (with the accepted forms); empty when the value is usable.
std::string CodePageProblem(const std::string& option);

// The input's code page from the codepage option, or else from the stored
// setting. An option "auto" names none, whatever the setting says; a stored
// value that names no code page ("auto" too) is passed over.
CodePageChoice ChooseCodePage(const std::string& option, const std::string& stored);

// Reads in, out, hld, hldfolder, overwrite, dostext and showoutput (in that
// order, with the tolerant conversions) and runs the job once, with the
// input's code page as codePage says. "-" names
// standard input or output. Without out, a file input is written beside
// itself with .htm for its extension, standard input to standard output.
// definitionFile, when not empty, is used instead of hld (/lang). page: the
// page options, read (and checked) beforehand. services: those of the
// front end; the show-output preference applies under the dialogs alone.
JobOutcome RunBatch(const Dictionary& options, BatchFrontEnd frontEnd, const JobServices& services,
                    const std::string& definitionFile = "", const CodePageChoice& codePage = {},
                    const PageOptions& page = {});

// The output a file input gets without out: its name with .htm for its extension.
std::string DefaultOutputName(const std::string& inputfilename);

}  // namespace tintext
