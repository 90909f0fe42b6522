#include "app/startup.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "app/batch_run.h"
#include "app/command_line.h"
#include "app/console_environment.h"
#include "app/front_end_choice.h"
#include "app/language_list.h"
#include "app/page_options.h"
#include "engine/theme.h"
#include "engine/definition_check.h"
#include "support/error.h"
#include "support/ascii_text.h"
#include "support/conversions.h"
#include "support/job_environment.h"
#include "support/program_info.h"

namespace tintext {

namespace {

InteractiveRun interactiveRun = nullptr;

void Say(const std::string& text) { std::fprintf(stderr, "tintext: %s\n", text.c_str()); }

// /quiet and /verbose alone are on, as /showoutput is; =0 turns them off.
bool SwitchOn(const CommandLine& commandLine, const char* name) {
    if (!commandLine.Has(name)) return false;
    const std::string value = commandLine.Text(name);
    return value.empty() || SafeCBool(Value(value));
}

int RunCheck(const std::string& fileName) {
    if (fileName.empty()) {
        Say("check needs a definition file: /check=file.hld");
        return 2;
    }
    const auto problems = CheckDefinition(fileName);
    for (const auto& problem : problems) std::printf("%s\n", FormatProblem(fileName, problem).c_str());
    std::fflush(stdout);
    return problems.empty() ? 0 : 1;
}

int NoInput(const CommandLine& commandLine) {
    std::fputs(UsageText().c_str(), stderr);
    std::string words;
    for (const std::string& word : commandLine.notUnderstood) words += (words.empty() ? "" : ", ") + ("\"" + word + "\"");
    if (!words.empty()) std::fprintf(stderr, "\nNot understood: %s (see the lines above).", words.c_str());
    std::fprintf(stderr, "\nNo input file given: name an existing file (tintext page.asp) or use /in=FILE%s.\n",
                 DisplayAvailable() ? "" : "; there is no display to open the main dialog");
    return 2;
}

int RunWithSettings(const CommandLine& commandLine, const std::string& definitionFile, const PageOptions& page,
                    DialogSettings& settings, JobEnvironment& environment) {
    if (commandLine.Has("check")) return RunCheck(commandLine.Text("check"));
    if (commandLine.Has("in")) {
        const BatchFrontEnd frontEnd =
            BatchNeedsDialogs(CurrentSurroundings()) ? BatchFrontEnd::Dialogs : BatchFrontEnd::Terminal;
        const CodePageChoice codePage = ChooseCodePage(commandLine.Text("codepage"), settings.codePage);
        const JobServices services{environment, [&settings] { return settings.showOutput; }};
        return ExitStatus(RunBatch(*commandLine.options, frontEnd, services, definitionFile, codePage, page));
    }
    if (interactiveRun && DisplayAvailable()) return interactiveRun(settings);
    return NoInput(commandLine);
}

// "  /name=VALUE      description" with the description wrapped to fit 78
// columns beside the names.
std::string OptionHelp(const OptionInfo& option) {
    constexpr size_t kColumn = 20, kWidth = 78;
    std::string label = option.kind == OptionKind::Action || *option.value == '\0'
                            ? std::string("--") + option.name
                            : std::string("/") + option.name + "=" + option.value;
    std::string text = "  " + label;
    text += text.size() < kColumn ? std::string(kColumn - text.size(), ' ') : "\n" + std::string(kColumn, ' ');
    size_t lineLength = kColumn;
    const std::string help = option.help;
    for (size_t start = 0; start < help.size();) {
        size_t end = help.find(' ', start);
        if (end == std::string::npos) end = help.size();
        const std::string word = help.substr(start, end - start);
        if (lineLength > kColumn && lineLength + 1 + word.size() > kWidth) {
            text += "\n" + std::string(kColumn, ' ');
            lineLength = kColumn;
        } else if (lineLength > kColumn) {
            text += ' ';
            ++lineLength;
        }
        text += word;
        lineLength += word.size();
        start = end + 1;
    }
    return text + "\n";
}

std::string DefinitionsFolder(const CommandLine& commandLine) {
    const std::string given = commandLine.Text("hldfolder");
    return given.empty() ? DefaultHldFolder() : given;
}

// --print-css[=THEME]: the stylesheet alone, for a site that links one file
// and converts with /fragment=1 /css=none.
int PrintCss(const std::string& theme) {
    const std::string folder = DefaultThemesFolder();
    try {
        const std::string css = ThemeStylesheet(folder, theme);
        std::fwrite(css.data(), 1, css.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const Error& e) {
        Say("--print-css: " + e.Description());
        return e.Number() == err::InvalidArgument ? 2 : 1;
    }
}

}  // namespace

void SetInteractiveRun(InteractiveRun run) { interactiveRun = run; }

int ExitStatus(JobOutcome outcome) {
    switch (outcome) {
        case JobOutcome::Written: return 0;
        // A script must not take the part done before a cancel for the whole.
        case JobOutcome::Cancelled: return 3;
        case JobOutcome::NotWritten: break;
    }
    return 1;
}

std::optional<int> AnswerInformationOption(int argc, char** argv) {
    auto isAny = [](const char* argument, std::initializer_list<const char*> names) {
        for (const char* name : names)
            if (EqualsIgnoreCase(argument, name)) return true;
        return false;
    };
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (isAny(argv[i], {"--help", "-h", "-?", "/?", "/help", "-help"})) {
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        }
        for (const char* form : {"--print-css", "/print-css", "-print-css"}) {
            const size_t length = std::strlen(form);
            if (strncasecmp(argv[i], form, length) == 0 && (argv[i][length] == '\0' || argv[i][length] == '='))
                return PrintCss(argv[i][length] == '=' ? argv[i] + length + 1 : kDefaultTheme);
        }
        if (isAny(argv[i], {"--version", "/version", "-version"})) {
            std::printf("%s\n", ApplicationTitle().c_str());
            return 0;
        }
    }
    return std::nullopt;
}

int RunProgram(const std::vector<std::string>& args, JobEnvironment& environment, ConsoleEnvironment* console) {
    const auto started = std::chrono::steady_clock::now();
    const CommandLine commandLine = ReadCommandLine(args);
    const bool quiet = SwitchOn(commandLine, "quiet");
    const bool verbose = SwitchOn(commandLine, "verbose") && !quiet;
    if (console) {
        console->quiet = quiet;
        console->verbose = verbose;
        if (quiet) console->progressBar = false;
    }
    for (const std::string& warning : commandLine.warnings) {
        // Appending an option to override an earlier one is what scripts do.
        if (quiet && warning.find("more than once") != std::string::npos) continue;
        Say(warning);
    }
    std::vector<std::string> usageErrors = commandLine.usageErrors;
    std::string definitionFile;
    if (commandLine.Has("lang")) {
        if (!commandLine.Text("hld").empty()) usageErrors.push_back("/lang and /hld both name a definition; give one");
        const LanguageChoice choice = ChooseLanguage(DefinitionsFolder(commandLine), commandLine.Text("lang"));
        if (choice.file.empty()) usageErrors.push_back(choice.problem);
        definitionFile = choice.file;
    }
    if (const std::string problem = CodePageProblem(commandLine.Text("codepage")); !problem.empty())
        usageErrors.push_back(problem);
    PageOptions page;
    if (commandLine.Has("in")) {
        std::string error;
        const std::optional<PageOptions> read =
            ReadPageOptions(*commandLine.options,
                            ThemesFolderOfRun(definitionFile.empty() ? commandLine.Text("hld") : definitionFile,
                                              commandLine.Text("hldfolder")),
                            error);
        if (read) page = *read;
        else usageErrors.push_back(error);
    }
    if (!usageErrors.empty()) {
        if (console) {
            for (const std::string& error : usageErrors) Say(error);
            Say("tintext --help shows every option");
        } else {
            // Started without a terminal: only a message box can tell why nothing happens.
            std::string text;
            for (const std::string& error : usageErrors) text += (text.empty() ? "" : "\r\n") + error;
            environment.MessageBox(text, MsgButtons::Ok, MsgIcon::Exclamation, ApplicationTitle());
        }
        return 2;
    }
    if (commandLine.Has("list")) return PrintLanguageList(DefinitionsFolder(commandLine));

    DialogSettings settings = LoadDialogSettings();
    const int status = RunWithSettings(commandLine, definitionFile, page, settings, environment);
    SaveDialogSettings(settings);
    if (verbose) {
        const std::chrono::duration<double, std::milli> taken = std::chrono::steady_clock::now() - started;
        char milliseconds[32];
        std::snprintf(milliseconds, sizeof milliseconds, "%.1f", taken.count());
        environment.Note(NoteLevel::Detail, std::string("time taken: ") + milliseconds + " ms");
    }
    return status;
}

std::string UsageText() {
    std::string text = ApplicationTitle() + R"( - turns source code into syntax-coloured HTML.

Usage: tintext FILE [options]
       tintext /in=FILE [/out=FILE] [/hld=FILE | /lang=NAME]
               [/hldfolder=FOLDER] [/overwrite=0|1|2] [/dostext=0|1]
               [/codepage=PAGE] [/showoutput=0|1] [--quiet | --verbose]
       tintext /check=FILE.hld | --list | --help | --version
       tintext --print-css[=THEME]

Options are written /name=value, -name=value, --name=value, --name value or
name=value, in any letter case, separated by blanks or commas; quote a value
that holds blanks ("/in=my file.asp"). If an option is given twice, the last
counts. An input whose name begins with "-" is written ./-x or after --.

)";
    for (const OptionInfo& option : KnownOptions()) text += OptionHelp(option);
    text += R"(
Messages go to standard error. Ctrl-C stops the conversion and writes the
part done so far; a second Ctrl-C stops at once without writing anything.
Without an input file the main dialog opens when a display can be used.

Exit status: 0 the whole output was written (check: no problems), 1 nothing
was written (check: problems found), 2 usage error, 3 cancelled by Ctrl-C,
the part done was written, 128+N stopped by signal N, nothing written (130 a
second Ctrl-C, 143 SIGTERM, 129 SIGHUP, 141 SIGPIPE).
)";
    return text;
}

}  // namespace tintext
