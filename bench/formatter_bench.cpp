// Throughput of FormatSection with a JavaScript definition as rich as a real
// one (comments, three kinds of strings, keywords, numbers, regular
// expression literals with lookbehind, operators, a catch-all), on jquery.js
// repeated to 1, 4 and 16 MB (generated JavaScript where it is not
// installed), and on a text with 20,000 strings, each an Enter/Return pair.
// Linear cost shows as equal MB/s at every size. TINTEXT_BENCH_HLD names a
// definition file to use instead (hld/js.hld, for instance), and
// TINTEXT_BENCH_INPUT a sample to repeat instead of jquery.js. Besides, every
// sample in Examples/ repeated to 1 MB, with the shipped definition the job
// picks for it (BM_Example/<sample>; --benchmark_filter=BM_Example runs
// those alone): no definition should fall below 20 MB/s.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/formatter.h"
#include "engine/hld_loader.h"
#include "engine/job.h"
#include "engine/language_table.h"
#include "support/job_environment.h"
#include "support/value.h"

using namespace tintext;

namespace {

struct RuleText {
    const char* pattern;
    const char* tmpl;
    const char* enter = "";
    bool returns = false;
};

HldSection MakeSection(const std::string& name, const std::vector<RuleText>& rules, const char* header,
                       const char* footer) {
    HldSection section;
    section.name = name;
    section.ignoreCase = false;
    int line = 0;
    for (const RuleText& r : rules) {
        HldRule rule;
        rule.patterns.push_back({r.pattern, ++line, "bench.hld"});
        rule.formats[kHtmlFormatKey] = r.tmpl;
        if (*r.enter) rule.enter = r.enter;
        rule.returns = r.returns;
        section.rules.push_back(std::move(rule));
    }
    if (*header) section.header[kHtmlFormatKey] = {header};
    if (*footer) section.footer[kHtmlFormatKey] = {footer};
    return section;
}

HldTree JavaScriptDefinition() {
    HldTree tree;
    tree.sections.Add(
        "js", MakeSection("js",
                          {
                              {"/\\*", "<span class=\"c\">$$", "comment"},
                              {"//.*", "<span class=\"c\">$$</span>"},
                              {"\"", "<span class=\"s\">$$", "dq"},
                              {"'", "<span class=\"s\">$$", "sq"},
                              {"`", "<span class=\"s\">$$", "tpl"},
                              {"(?<=[=(,:]|[=(,:] )/(?![*/])(?:\\\\.|\\[(?:\\\\.|[^\\]\\\\\\n])*\\]|[^/\\\\\\n\\[])+/[gimsuy]*",
                               "<span class=\"r\">$$</span>"},
                              {"\\b(?:var|function|return|if|else|for|while|this|new|typeof|null|true|false|undefined|"
                               "in|of|do|break|continue|switch|case|default|try|catch|finally|throw|delete|"
                               "instanceof|let|const|class|extends|super|import|export|yield|async|await)\\b",
                               "<b>$$</b>"},
                              {"\\b(?:0[xX][0-9a-fA-F]+|\\d+(?:\\.\\d+)?(?:[eE][+-]?\\d+)?)\\b", "<span class=\"n\">$$</span>"},
                              {"[A-Za-z_$][\\w$]*", "$$"},
                              {"[{}()\\[\\];,.<>+\\-*/%&|^!~?:=]+", "<i>$$</i>"},
                              {"[\\s\\S]", "$$"},
                          },
                          "<pre class=\"js\">", "</pre>"));
    tree.sections.Add("comment", MakeSection("comment", {{"\\*/", "$$</span>", "", true}, {"[\\s\\S]", "$$"}}, "", ""));
    auto stringSection = [](const char* name, const char* quote) {
        return MakeSection(name,
                           {
                               {"\\\\u[0-9a-fA-F]{4}", "<u>$$</u>"},
                               {"\\\\[\\s\\S]", "<u>$$</u>"},
                               {quote, "$$</span>", "", true},
                               {"\\n", "$$</span>", "", true},
                               {"[\\s\\S]", "$$"},
                           },
                           "", "");
    };
    tree.sections.Add("dq", stringSection("dq", "\""));
    tree.sections.Add("sq", stringSection("sq", "'"));
    tree.sections.Add("tpl", MakeSection("tpl",
                                         {
                                             {"\\$\\{", "<b>$$", "js"},
                                             {"\\}", "$$</b>", "", true},
                                             {"`", "$$</span>", "", true},
                                             {"[\\s\\S]", "$$"},
                                         },
                                         "", ""));
    return tree;
}

std::string Sample() {
    const char* name = std::getenv("TINTEXT_BENCH_INPUT");
    std::ifstream file(name && *name ? name : "/usr/share/javascript/jquery/jquery.js", std::ios::binary);
    if (file) {
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    std::string text;
    for (int k = 0; k < 2000; ++k)
        text += "/* block " + std::to_string(k) + " */\nfunction f" + std::to_string(k) +
                "(a, b) {\n  var s = \"text \\\"" + std::to_string(k) + "\\\"\", r = /a[b/]c/g;\n"
                "  return a.replace(r, 'x') + b * 0x1F + 3.5e2; // done\n}\n";
    return text;
}

std::string Repeated(const std::string& sample, size_t size) {
    std::string text;
    text.reserve(size + sample.size());
    while (text.size() < size) text += sample;
    return text;
}

class CountingSink final : public OutputSink {
public:
    size_t bytes = 0;
    void Append(std::string_view piece) override { bytes += piece.size(); }
};

void Run(benchmark::State& state, const HldTree& tree, const std::string& input) {
    StderrEnvironment environment;
    size_t output = 0;
    for (auto _ : state) {
        CountingSink sink;
        size_t ptr = 0;
        FormatSection(tree, tree.sections.at(0).second, input, sink, ptr, environment);
        output = sink.bytes;
        benchmark::DoNotOptimize(output);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
    state.counters["input_MB"] = static_cast<double>(input.size()) / 1e6;
    state.counters["output_MB"] = static_cast<double>(output) / 1e6;
}

HldTree Definition() {
    const char* file = std::getenv("TINTEXT_BENCH_HLD");
    return file && *file ? LoadHld(file) : JavaScriptDefinition();
}

void BM_JavaScript(benchmark::State& state) {
    static const HldTree tree = Definition();
    static const std::string sample = Sample();
    std::string input = Repeated(sample, static_cast<size_t>(state.range(0)) << 20);
    Run(state, tree, input);
}
BENCHMARK(BM_JavaScript)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_EnterReturnPairs(benchmark::State& state) {
    static const HldTree tree = JavaScriptDefinition();
    std::string input;
    for (int64_t k = 0; k < state.range(0); ++k)
        input += "s" + std::to_string(k) + " = \"text " + std::to_string(k) + "\";\n";
    Run(state, tree, input);
    state.counters["pairs"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_EnterReturnPairs)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond);

void RegisterExamples() {
    namespace fs = std::filesystem;
    const fs::path source = TINTEXT_SOURCE_DIR;
    std::vector<fs::path> samples;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(source / "Examples", ec))
        if (entry.is_regular_file()) samples.push_back(entry.path());
    std::sort(samples.begin(), samples.end());
    for (const fs::path& sample : samples) {
        const DefaultDefinition chosen = ChooseDefaultDefinition((source / "hld").string(), sample.string());
        const fs::path hld = chosen.path;
        if (chosen.plainText || !fs::exists(hld)) continue;
        benchmark::RegisterBenchmark(("BM_Example/" + sample.filename().string()).c_str(),
                                     [sample, hld](benchmark::State& state) {
                                         const HldTree tree = LoadHld(hld.string());
                                         std::ifstream file(sample, std::ios::binary);
                                         std::ostringstream text;
                                         text << file.rdbuf();
                                         Run(state, tree, Repeated(text.str(), size_t{1} << 20));
                                     })
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    RegisterExamples();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
