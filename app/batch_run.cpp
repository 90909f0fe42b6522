#include "app/batch_run.h"

#include "support/conversions.h"

namespace tintext {

namespace {

constexpr const char* kStandardStream = "-";

}  // namespace

std::string DefaultOutputName(const std::string& inputfilename) {
    const size_t slash = inputfilename.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = inputfilename.rfind('.');
    // A leading dot (".profile") starts a name, not an extension.
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return inputfilename.substr(0, hasExtension ? dot : inputfilename.size()) + ".htm";
}

JobOutcome RunBatch(const Dictionary& options, BatchFrontEnd frontEnd, const std::string& definitionFile,
                    const PageOptions& page) {
    auto option = [&](const char* name) { return options.Item(Value(name)); };
    JobRequest request;
    request.inputfilename = SafeCStr(option("in"));
    if (options.Exists(Value("out"))) {
        request.destfile = SafeCStr(option("out"));
    } else if (request.inputfilename == kStandardStream) {
        request.destfile = kStandardStream;
    } else if (!request.inputfilename.empty()) {
        request.destfile = DefaultOutputName(request.inputfilename);
    }
    request.hldfile = definitionFile.empty() ? SafeCStr(option("hld")) : definitionFile;
    request.hldfolder = Value(SafeCStr(option("hldfolder")));
    request.overwritemode = SafeCLng(option("overwrite"));
    request.dostext = SafeCLng(option("dostext"));
    const Value show = option("showoutput");
    const bool showAsked = SafeCBool(show) || (options.Exists(Value("showoutput")) && SafeCStr(show).empty());
    if (frontEnd == BatchFrontEnd::Terminal) {
        request.showoutput = showAsked;
        request.showOutputPreferenceApplies = false;
    } else {
        request.showoutput = SafeCBool(show) || SafeCStr(show).empty();
    }
    request.standardStreams = true;
    request.page = page;
    return Process(request);
}

}  // namespace tintext
