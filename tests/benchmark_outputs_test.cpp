// The formatter's output on benchmark-like inputs (the bundled examples
// repeated, and generated JavaScript) against checksums stored in
// tests/benchmark_outputs.sums: an optimisation must not change one byte.
// Each entry also records a checksum of its definition; when a definition
// has changed since, the entry says so and is not compared. To record the
// checksums anew (after a deliberate change of output or definitions):
//   TINTEXT_UPDATE_CHECKSUMS=1 build/tests/benchmark_outputs_test
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/formatter.h"
#include "engine/hld_loader.h"
#include "recording_environment.h"

using namespace tintext;

namespace {

const std::string kSource = TINTEXT_SOURCE_DIR;
const std::string kSumsFile = kSource + "/tests/benchmark_outputs.sums";
constexpr size_t kInputSize = 300 * 1024;

uint64_t Fnv1a(std::string_view text) {
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

std::string Hex(uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, value);
    return text;
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream data;
    data << file.rdbuf();
    text = data.str();
    return true;
}

std::string Repeated(const std::string& sample) {
    std::string text;
    while (text.size() < kInputSize) text += sample;
    return text;
}

// JavaScript with every construct of bench/bench_js.hld, varied by a fixed
// sequence of numbers.
std::string GeneratedJavaScript() {
    std::string text;
    uint32_t state = 12345;
    auto next = [&] { return state = state * 1103515245u + 12345u, (state >> 16) % 1000; };
    for (int k = 0; text.size() < kInputSize; ++k) {
        std::string n = std::to_string(next());
        switch (next() % 6) {
            case 0: text += "/* block " + n + " <&> \xC3\xA9t\xC3\xA9 */\n"; break;
            case 1: text += "var s" + n + " = \"a \\\"" + n + "\\\" \\u00e9\", t = 'x\\n" + n + "';\n"; break;
            case 2: text += "x = y.replace(/a[b/]c\\/" + n + "/g, 'z') + 0x1F * 3.5e2; // done " + n + "\n"; break;
            case 3: text += "let t" + n + " = `line ${a + " + n + "} and ${b}` ;\n"; break;
            case 4: text += "function f" + n + "(a, b) {\n  return typeof a === 'x' ? b : a >>> " + n + ";\n}\n"; break;
            default: text += "if (a" + n + " <= b && c != d) { async(await(e)); }\n"; break;
        }
    }
    return text;
}

struct Entry {
    std::string name;
    std::string definition;  // relative to the source folder
    std::string input;       // the text, empty when its source is missing
};

std::vector<Entry> Entries() {
    std::vector<Entry> entries = {{"generated.js", "bench/bench_js.hld", GeneratedJavaScript()}};
    const std::pair<const char*, const char*> examples[] = {
        {"js-ex1.js", "hld/js.hld"},     {"c-ex1.c", "hld/c.hld"},       {"py-ex1.py", "hld/py.hld"},
        {"css-ex1.css", "hld/css.hld"},  {"html-ex1.html", "hld/asp.hld"}, {"asp-ex1.asp", "hld/asp.hld"},
        {"vb-ex1.bas", "hld/vb.hld"},
    };
    for (const auto& [example, definition] : examples) {
        std::string sample;
        ReadFile(kSource + "/Examples/" + example, sample);
        entries.push_back({example, definition, sample.empty() ? std::string() : Repeated(sample)});
    }
    return entries;
}

// name -> {definition checksum, output checksum}
std::map<std::string, std::pair<std::string, std::string>> StoredSums() {
    std::map<std::string, std::pair<std::string, std::string>> sums;
    std::ifstream file(kSumsFile);
    std::string name, definition, output;
    while (file >> name >> definition >> output) sums[name] = {definition, output};
    return sums;
}

}  // namespace

TEST(BenchmarkOutputs, SameAsStored) {
    RecordingEnvironment env;
    ScopedEnv scope(env);
    bool update = std::getenv("TINTEXT_UPDATE_CHECKSUMS") != nullptr;
    auto stored = StoredSums();
    std::ostringstream fresh;
    int compared = 0;
    for (const Entry& entry : Entries()) {
        std::string definitionText;
        if (entry.input.empty() || !ReadFile(kSource + "/" + entry.definition, definitionText)) {
            std::printf("%s: input or %s missing, not compared\n", entry.name.c_str(), entry.definition.c_str());
            continue;
        }
        HldTree tree = LoadHld(kSource + "/" + entry.definition);
        StringSink sink;
        size_t ptr = 0;
        FormatSection(tree, tree.sections.at(0).second, entry.input, sink, ptr);
        EXPECT_EQ(ptr, entry.input.size()) << entry.name;
        std::string definitionSum = Hex(Fnv1a(definitionText)), outputSum = Hex(Fnv1a(sink.text));
        fresh << entry.name << ' ' << definitionSum << ' ' << outputSum << '\n';
        auto found = stored.find(entry.name);
        if (update) continue;
        if (found == stored.end()) {
            std::printf("%s: no stored checksum (record with TINTEXT_UPDATE_CHECKSUMS=1)\n", entry.name.c_str());
        } else if (found->second.first != definitionSum) {
            std::printf("%s: %s has changed since its checksum was stored, not compared\n", entry.name.c_str(),
                        entry.definition.c_str());
        } else {
            EXPECT_EQ(outputSum, found->second.second) << entry.name << " with " << entry.definition;
            ++compared;
        }
    }
    if (update) {
        std::ofstream(kSumsFile) << fresh.str();
        std::printf("recorded in %s:\n%s", kSumsFile.c_str(), fresh.str().c_str());
        return;
    }
    // The generated input and the definition kept for it are always there.
    EXPECT_GE(compared, 1);
}
