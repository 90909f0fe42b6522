#include "app/batch_run.h"

#include "support/conversions.h"

namespace tintext {

JobOutcome RunBatch(const DictionaryRef& parameters, const PageOptions& page) {
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
    request.standardStreams = true;
    request.page = page;
    return Process(request);
}

}  // namespace tintext
