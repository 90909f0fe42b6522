#include "app/batch_run.h"

#include "support/code_pages.h"
#include "support/conversions.h"
#include "support/ascii_text.h"

namespace tintext {

namespace {

bool IsAuto(const std::string& value) { return ToLowerAscii(TrimBlanks(value)) == "auto"; }

}  // namespace

CodePageChoice ChooseCodePage(const std::string& option, const std::string& stored) {
    if (IsAuto(option)) return {};  // whatever the setting says
    if (!TrimBlanks(option).empty()) {
        std::optional<int> page = CodePageFromName(option);
        if (!page) {
            throw UsageError("The code page \"" + option + "\" is not known. /codepage takes auto, a number or a name: " +
                             AcceptedCodePageForms() + ".");
        }
        return {*page, "the /codepage option"};
    }
    if (std::optional<int> page = CodePageFromName(stored)) return {*page, "the stored CodePage setting"};
    return {};
}

JobOutcome RunBatch(const DictionaryRef& parameters, const std::string& storedCodePage) {
    auto option = [&](const char* name) { return parameters->Item(Value(name)); };
    JobRequest request;
    request.inputfilename = SafeCStr(option("in"));
    request.destfile = SafeCStr(option("out"));
    request.hldfile = SafeCStr(option("hld"));
    request.hldfolder = Value(SafeCStr(option("hldfolder")));
    request.overwritemode = SafeCLng(option("overwrite"));
    request.dostext = SafeCLng(option("dostext"));
    const Value show = option("showoutput");
    request.showoutput = SafeCBool(show) || SafeCStr(show).empty();
    const CodePageChoice codePage = ChooseCodePage(SafeCStr(option("codepage")), storedCodePage);
    request.codePage = codePage.codePage;
    request.codePageSource = codePage.source;
    request.standardStreams = true;
    return Process(request);
}

}  // namespace tintext
