#include "app/batch_run.h"

#include "support/ascii_text.h"
#include "support/code_pages.h"
#include "support/conversions.h"

namespace tintext {

namespace {

constexpr const char* kStandardStream = "-";

bool IsAuto(const std::string& value) { return ToLowerAscii(TrimBlanks(value)) == "auto"; }

}  // namespace

std::string CodePageProblem(const std::string& option) {
    if (TrimBlanks(option).empty() || IsAuto(option) || CodePageFromName(option)) return {};
    return "The code page \"" + option + "\" is not known. /codepage takes auto, a number or a name: " +
           AcceptedCodePageForms() + ".";
}

CodePageChoice ChooseCodePage(const std::string& option, const std::string& stored) {
    if (IsAuto(option)) return {};  // whatever the setting says
    if (std::optional<int> page = CodePageFromName(option)) return {*page, "the /codepage option"};
    if (std::optional<int> page = CodePageFromName(stored)) return {*page, "the stored CodePage setting"};
    return {};
}

std::string DefaultOutputName(const std::string& inputfilename) {
    const size_t slash = inputfilename.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = inputfilename.rfind('.');
    // A leading dot (".profile") starts a name, not an extension.
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return inputfilename.substr(0, hasExtension ? dot : inputfilename.size()) + ".htm";
}

JobOutcome RunBatch(const Dictionary& options, BatchFrontEnd frontEnd, const JobServices& services,
                    const std::string& definitionFile, const CodePageChoice& codePage, const PageOptions& page) {
    auto option = [&](const char* name) { return options.Item(Value(name)); };
    JobRequest request;
    request.inputfilename = SafeCStr(option("in"));
    if (options.Exists(Value("out"))) {
        request.destfile = SafeCStr(option("out"));
    } else if (request.inputfilename == kStandardStream) {
        // Moved from a new string: GCC 12 warns falsely (-Wrestrict) about the
        // inlined copy of assigning the character array itself.
        request.destfile = std::string(kStandardStream);
    } else if (!request.inputfilename.empty()) {
        request.destfile = DefaultOutputName(request.inputfilename);
    }
    request.hldfile = definitionFile.empty() ? SafeCStr(option("hld")) : definitionFile;
    request.hldfolder = Value(SafeCStr(option("hldfolder")));
    request.overwritemode = SafeCLng(option("overwrite"));
    request.dostext = SafeCLng(option("dostext"));
    const Value show = option("showoutput");
    const bool showAsked = SafeCBool(show) || (options.Exists(Value("showoutput")) && SafeCStr(show).empty());
    JobServices runServices = services;
    if (frontEnd == BatchFrontEnd::Terminal) {
        request.showoutput = showAsked;
        runServices.showOutputPreference = nullptr;
    } else {
        request.showoutput = SafeCBool(show) || SafeCStr(show).empty();
    }
    request.codePage = codePage.codePage;
    request.codePageSource = codePage.source;
    request.standardStreams = true;
    request.page = page;
    return Process(request, runServices);
}

}  // namespace tintext
