#include "app/startup.h"

#include <cstdio>
#include <cstring>

#include "app/batch_run.h"
#include "app/front_end_choice.h"
#include "engine/definition_check.h"
#include "support/conversions.h"
#include "support/job_environment.h"
#include "support/program_info.h"
#include "support/system.h"

namespace tintext {

namespace {

InteractiveRun interactiveRun = nullptr;

constexpr const char* kKnownOptions[] = {"in",        "out",     "hld",        "hldfolder",
                                         "overwrite", "dostext", "showoutput", "check"};

// Other names are ignored as before, but a typing mistake should not pass
// unnoticed; entries with neither name nor value are what runs of separators give.
void WarnAboutIgnoredOptions(const Dictionary& parameters) {
    for (const auto& [key, value] : parameters.Entries()) {
        const std::string name = SafeCStr(key);
        bool known = false;
        for (const char* k : kKnownOptions) known = known || name == k;
        if (known) continue;
        if (!name.empty()) {
            std::fprintf(stderr, "tintext: unknown option \"%s\" ignored\n", name.c_str());
        } else if (!SafeCStr(value).empty()) {
            std::fprintf(stderr, "tintext: value \"%s\" without an option name ignored\n",
                         SafeCStr(value).c_str());
        }
    }
}

int RunCheck(const std::string& fileName) {
    if (fileName.empty()) {
        std::fprintf(stderr, "tintext: check needs a definition file: /check=file.hld\n");
        return 2;
    }
    const auto problems = CheckDefinition(fileName);
    for (const auto& problem : problems) std::printf("%s\n", FormatProblem(fileName, problem).c_str());
    std::fflush(stdout);
    return problems.empty() ? 0 : 1;
}

int RunWithSettings(const DictionaryRef& parameters, DialogSettings& settings) {
    const Value check = parameters->Item(Value("check"));
    if (!check.IsEmpty()) return RunCheck(SafeCStr(check));
    if (!parameters->Item(Value("in")).IsEmpty()) {
        WarnAboutIgnoredOptions(*parameters);
        return ExitStatus(RunBatch(parameters));
    }
    if (interactiveRun && DisplayAvailable()) return interactiveRun(settings);
    std::fputs(UsageText().c_str(), stderr);
    if (!DisplayAvailable()) std::fputs("\nNo input file given (/in=...) and no display to open the main dialog.\n", stderr);
    return 2;
}

}  // namespace

void SetInteractiveRun(InteractiveRun run) { interactiveRun = run; }

int ExitStatus(JobOutcome outcome) {
    switch (outcome) {
        case JobOutcome::Written:
        case JobOutcome::Cancelled: return 0;  // the part done before Ctrl-C was written
        case JobOutcome::NotWritten: break;
    }
    return 1;
}

std::optional<int> AnswerInformationOption(int argc, char** argv) {
    auto isAny = [](const char* argument, std::initializer_list<const char*> names) {
        for (const char* name : names)
            if (std::strcmp(argument, name) == 0) return true;
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        if (isAny(argv[i], {"--help", "-h", "-?", "/?"})) {
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        }
        if (isAny(argv[i], {"--version"})) {
            std::printf("%s\n", ApplicationTitle().c_str());
            return 0;
        }
    }
    return std::nullopt;
}

int RunProgram(const std::string& argumentText) {
    DialogSettings settings = LoadDialogSettings();
    SetShowOutputPreference(settings.showOutput);
    DictionaryRef parameters = System().ParseCommandline(argumentText);
    const int status = RunWithSettings(parameters, settings);
    SaveDialogSettings(settings);
    return status;
}

std::string UsageText() {
    return ApplicationTitle() + R"( - turns source code into syntax-coloured HTML.

Usage: tintext /in=FILE [/out=FILE] [/hld=FILE] [/hldfolder=FOLDER]
               [/overwrite=0|1|2] [/dostext=0|1] [/showoutput=0|1]
       tintext /check=FILE.hld
       tintext --help | --version

Options are written /name=value, -name=value or name=value, separated by
blanks or commas; quote a value that holds blanks ("/in=my file.asp").
  in          the input file; - reads standard input
  out         the output HTML file; - writes standard output
  hld         the syntax definition (.hld); a name without a folder is looked
              up in hldfolder; default: chosen by the input file's extension
              (vb.hld for vb, bas, ctl, cls; asp.hld for asp, htm, html;
              otherwise the extension itself)
  hldfolder   the folder of syntax definitions; default: hld beside the
              program, or <prefix>/share/tintext/hld when installed
  overwrite   an existing output file: 0 is kept (default), 1 is replaced,
              2 asks on the terminal (No when there is none)
  dostext     1: the input is DOS (OEM, code page 437) text
  showoutput  1 (default): open the output in the browser afterwards, when
              the stored ShowOutput setting allows it; 0: do not
  check       check a syntax definition and print each problem as
              file:line: message (lines counted from 1)

Messages go to standard error. Ctrl-C stops the conversion and writes the
part done so far; a second Ctrl-C stops at once without writing anything.
Without /in the main dialog opens when a display can be used.

Exit status: 0 the output was written, also the part done before Ctrl-C
(check: no problems), 1 it was not written (check: problems found), 2 usage
error, 130 stopped by a second Ctrl-C.
)";
}

}  // namespace tintext
