// The conversion job: one input file to one HTML output file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/language_table.h"
#include "engine/formatter.h"
#include "engine/page.h"
#include "support/components.h"
#include "support/job_environment.h"
#include "support/value.h"

namespace tintext {

class DefinitionCache;

// What the terminal front end needs to set its exit status; the dialogs ignore it.
enum class JobOutcome {
    Written,     // the output holds the whole conversion
    NotWritten,  // a failure was reported or the user declined; the output is untouched
    Cancelled,   // cancelled while formatting; the output holds the part done, sections closed
};

// Everything one job is given.
struct JobRequest {
    std::string inputfilename;
    std::string destfile;
    std::string hldfile;       // empty: chosen by the input file's extension
    Value hldfolder;           // empty: the folder hld beside the program
    int32_t overwritemode = 0;  // 0 no, 1 yes, 2 ask; others as 0
    bool showoutput = false;
    int32_t dostext = 0;        // non-zero: the input is DOS (OEM) text
    // The input's code page as the user named it (0: found from the input;
    // with dostext, the OEM page, 437 when 0), and who named it, for the note
    // that says which encoding was used: "the /codepage option".
    int32_t codePage = 0;
    std::string codePageSource;
    // Batch runs from a terminal: "-" as the input reads standard input, "-"
    // as the output writes standard output.
    bool standardStreams = false;
    // The page around the output, for definitions with a PAGE line.
    PageOptions page;
    // Asked once formatting was cancelled: whether the part done is written
    // (and shown). Unset: it is. The dialog says no when the user stopped the
    // job by closing the window, so a complete earlier output is kept.
    std::function<bool()> keepPartialOutput;
    // A job among many on a worker thread: the definitions its worker has
    // loaded (nullptr: loaded for this job).
    DefinitionCache* definitions = nullptr;
    // Given the whole page before it is written, returns the page to write
    // (a site links its pages); the page is then held, not streamed.
    std::function<std::string(std::string_view)> finishPage;
};

// What a job reaches the user and the desktop through, given by its caller:
// the terminal, the dialogs or a test.
struct JobServices {
    // Messages, progress, the cancel flag, and the opener of the output.
    JobEnvironment& environment;
    // The main dialog's show-output check box (0 clear, 1 ticked, 2 greyed)
    // as it stands at the display step, which must also allow opening the
    // output. Empty: no such setting applies (a run from a terminal opens the
    // output when asked alone).
    std::function<int32_t()> showOutputPreference = nullptr;
    // Raises the formatter's progress and events at its intervals; nullptr:
    // the conversion starts its own (see FormatOptions::ticker).
    Ticker* ticker = nullptr;
    // Makes the components the job uses: the system object and the DOS-text
    // conversion. Tests hand in one that lacks a component.
    ComponentCreator createComponent = ProgramComponent;
};

// Runs one conversion. Every failure is reported through the environment's
// message boxes.
JobOutcome Process(const JobRequest& request, const JobServices& services);

// The default definition's bare file name for an input file, from its extension.
std::string GetHLD(const Value& fileName);

// The file a job reads for the definition the user named (/hld): a name
// with a folder as given; a bare name from the current folder when it holds
// it, else from givenFolder (empty: the user's own folder, then the shipped one).
std::string NamedDefinitionPath(const std::string& hldfile, const std::string& givenFolder);

// The definition a job uses for an input file when none is named, in the
// folder given (empty: the shipped one, where the user's own of the same
// name comes first); plainText when it falls back to plain text.
DefaultDefinition DefinitionFor(const std::string& inputfilename, const std::string& givenFolder);

// The folder of the shipped definitions: hld beside the program, or
// <prefix>/share/tintext/hld for an installed program (bin/ beside share/).
std::string DefaultHldFolder();
// The user's own definitions: DataFolder() + "/tintext/hld". A definition
// there is used in place of a shipped one of the same name.
std::string UserHldFolder();
// Where a definition named by its bare file name is found: the user's folder
// when it holds the file, else the shipped folder.
std::string FindDefaultDefinition(const std::string& bareName);

}  // namespace tintext
