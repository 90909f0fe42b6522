// The batch run: one conversion job from the options of the command line.
#pragma once

#include <stdexcept>
#include <string>

#include "engine/job.h"
#include "support/dictionary.h"

namespace tintext {

// An option value the program cannot use; the message says what it accepts.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CodePageChoice {
    int32_t codePage = 0;  // 0: none named
    std::string source;    // "the /codepage option", "the stored CodePage setting"
};

// The input's code page from the codepage option, or else from the stored
// setting. An option "auto" names none, whatever the setting says. A bad
// option value raises UsageError; a bad stored value ("auto" too) is passed over.
CodePageChoice ChooseCodePage(const std::string& option, const std::string& stored);

// Reads in, out, hld, hldfolder, overwrite, dostext, showoutput and codepage
// (with the tolerant conversions; showoutput is true when absent or empty)
// and runs the job once. "-" names standard input or output. storedCodePage:
// the stored CodePage setting, used when the options name none.
JobOutcome RunBatch(const DictionaryRef& parameters, const std::string& storedCodePage = {});

}  // namespace tintext
