// The shipped syntax definitions: every one loads, every pattern compiles,
// every ENTER names a section, and formatting gives a complete page from
// which the input comes back exactly (nothing dropped, nothing doubled).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/definition_check.h"
#include "engine/formatter.h"
#include "engine/hld_loader.h"
#include "engine/job.h"
#include "engine/language_table.h"
#include "engine/page.h"
#include "case_file.h"
#include "recording_environment.h"
#include "shipped_definitions.h"
#include "support/error.h"
#include "temp_folder.h"

using namespace tintext;
using namespace tintext::testing;
namespace fs = std::filesystem;

namespace {

const fs::path kExamplesFolder = fs::path(TINTEXT_SOURCE_DIR) / "Examples";

// The whole page, as a conversion writes it with the default options.
std::string FormatPage(const HldTree& tree, const std::string& input) {
    RecordingEnvironment env;
    StringSink out;
    size_t ptr = 0;
    const PageOptions options;
    PageWriter page(options, (kHldFolder / "themes").string());
    page.Begin(out, "input", CountLines(input));
    FormatSection(tree, tree.sections.at(0).second, input, page.Body(), ptr, env);
    page.End();
    return out.text;
}

void ExpectRoundTrip(const HldTree& tree, const std::string& input, const std::string& what) {
    SCOPED_TRACE(what);
    std::string page;
    try {
        page = FormatPage(tree, input);
    } catch (const Error& e) {
        FAIL() << e.Description();
    }
    EXPECT_TRUE(page.starts_with("<!DOCTYPE html>") && page.ends_with("</html>\n"));
    const size_t pre = page.find("<pre"), end = page.rfind("</pre>");
    ASSERT_TRUE(pre != std::string::npos && end != std::string::npos && pre < end) << "no <pre> block";
    ShownTextChecker shown(input);
    shown.Append(std::string_view(page).substr(pre, end - pre));
    EXPECT_EQ(shown.Problem(), "");
}

// Fragments that are easy to lose or to misread (tests/data/tricky_inputs.txt).
std::vector<std::string> TrickyInputs() {
    std::vector<std::string> inputs{""};
    for (const Row& row : ReadRows("tricky_inputs.txt")) inputs.push_back(row[0]);
    return inputs;
}
const std::vector<std::string> kTrickyInputs = TrickyInputs();

class ShippedDefinition : public ::testing::TestWithParam<std::string> {
protected:
    HldTree Load() const { return LoadHld((kHldFolder / GetParam()).string()); }
};

// The check a definition's writer runs (/check) finds nothing: it loads,
// every pattern compiles, every ENTER names a section, every section has a
// catch-all, keys and line ends are as they should be.
TEST_P(ShippedDefinition, PassesTheDefinitionCheck) {
    std::string report;
    for (const DefinitionProblem& problem : CheckDefinition((kHldFolder / GetParam()).string()))
        report += FormatProblem(GetParam(), problem) + "\n";
    EXPECT_EQ(report, "");
}

TEST_P(ShippedDefinition, TrickyInputsComeBackExactly) {
    const HldTree tree = Load();
    std::string all;
    for (const std::string& input : kTrickyInputs) {
        ExpectRoundTrip(tree, input, "input: " + input);
        all += input + "\n";
    }
    ExpectRoundTrip(tree, all, "all tricky inputs in one");
}

// Long lines without a line break, as in minified or generated files: each
// tricky fragment repeated. A pattern that backtracks badly fails here with
// the engine's match-limit error instead of passing unnoticed.
TEST_P(ShippedDefinition, LongSingleLinesComeBackExactly) {
    const HldTree tree = Load();
    for (std::string fragment : kTrickyInputs) {
        std::replace(fragment.begin(), fragment.end(), '\n', ' ');
        if (fragment.empty()) continue;
        std::string line;
        while (line.size() < 20000) line += fragment;
        ExpectRoundTrip(tree, line, "repeated: " + fragment);
    }
}

// The page, its layout and colours come from the themes, so that they are
// written once: a shipped definition says PAGE=themes, names its language
// and carries no page of its own.
TEST_P(ShippedDefinition, LeavesThePageToTheThemes) {
    const HldTree tree = Load();
    EXPECT_TRUE(tree.page) << "no PAGE=themes line (scripts/hld-shared-page.sh converts an old copy of the page)";
    EXPECT_FALSE(tree.language.empty()) << "no LANGUAGE line";
    for (const auto& [name, section] : tree.sections) {
        for (const auto* texts : {section.header.Find(kHtmlFormatKey), section.footer.Find(kHtmlFormatKey)}) {
            if (!texts) continue;
            for (const std::string& text : *texts)
                for (const char* part : {"<html", "<style", "<body", "<pre", "</pre>", "{"})
                    EXPECT_EQ(text.find(part), std::string::npos) << name << ": " << text;
        }
    }
}

// The text a pattern matches when it is a plain text (escapes allowed; of an
// alternation, the first branch); nullopt when it is not.
std::optional<std::string> LiteralText(const std::string& pattern) {
    std::string text;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '|') break;
        if (c == '\\') {
            if (i + 1 == pattern.size() || isalnum(static_cast<unsigned char>(pattern[i + 1]))) return std::nullopt;
            text += pattern[++i];
        } else if (std::string_view(".^$?*+()[]{}").find(c) != std::string_view::npos) {
            return std::nullopt;
        } else {
            text += c;
        }
    }
    if (text.empty()) return std::nullopt;
    return text;
}

// Openers nested 100,000 deep, for every section that enters itself on a
// plain text (a block comment that nests, a brace, a parenthesis) and can be
// reached from the first section by plain texts: no crash, no hang, and the
// text comes back. Definitions with such sections join by themselves.
TEST_P(ShippedDefinition, HundredThousandNestedOpenersComeBack) {
    const HldTree tree = Load();
    // Breadth first from the first section: the shortest plain text that reaches each section.
    std::map<std::string, std::string> reach{{tree.sections.at(0).first, ""}};
    std::vector<std::string> queue{tree.sections.at(0).first};
    int nests = 0;
    for (size_t q = 0; q < queue.size() && nests < 3; ++q) {
        const HldSection& section = *tree.sections.Find(queue[q]);
        for (const HldRule& rule : section.rules) {
            if (!rule.enter || !tree.sections.Find(*rule.enter)) continue;
            const std::optional<std::string> opener = LiteralText(rule.patterns.front().pattern);
            if (!opener) continue;
            if (*rule.enter == queue[q] && !rule.returns) {
                std::string input = reach[queue[q]];
                for (int k = 0; k < 100000; ++k) input += *opener;
                ExpectRoundTrip(tree, input, "100,000 times " + *opener + " in " + queue[q]);
                ++nests;
            } else if (!reach.count(*rule.enter)) {
                reach[*rule.enter] = reach[queue[q]] + *opener;
                queue.push_back(*rule.enter);
            }
        }
    }
    if (nests == 0) GTEST_SKIP() << "no section enters itself on a plain text";
}

INSTANTIATE_TEST_SUITE_P(Library, ShippedDefinition, ::testing::ValuesIn(ShippedDefinitions(false)),
                         [](const auto& info) { return TestNameOf(info.param); });

// Each sample input, formatted with the definition that the job picks for
// its extension, comes back exactly; and every definition that is a file of
// its own (not a link to another) has at least one sample.
TEST(Examples, ComeBackExactlyWithTheirDefaultDefinition) {
    std::map<fs::path, int> samplesPerFile;
    for (const auto& entry : fs::directory_iterator(kExamplesFolder)) {
        const fs::path sample = entry.path();
        const DefaultDefinition chosen = ChooseDefaultDefinition(kHldFolder.string(), sample.string());
        const fs::path hld = chosen.path;
        ASSERT_TRUE(fs::exists(hld) && !chosen.plainText) << sample << " has no definition " << hld;
        ++samplesPerFile[fs::canonical(hld)];
        ExpectRoundTrip(LoadHld(hld.string()), ReadBytes(sample), sample.filename().string());
    }
    for (const std::string& name : ShippedDefinitions(false)) {
        EXPECT_GT(samplesPerFile[fs::canonical(kHldFolder / name)], 0) << name << " has no sample in Examples/";
    }
}

bool IsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
        i += length;
    }
    return true;
}

// Real files of the machine, a bounded sample of each kind: every file of a
// kind under its folders is listed (up to a limit), and an even spread of
// them is converted with the definition the job picks for the file (or the
// one named), so that a run stays short. Kinds whose definition is not
// shipped, and files that are not UTF-8, are passed over.
TEST(RealFiles, ComeBackExactly) {
    constexpr size_t kListed = 4000, kTaken = 10, kLargest = 256 * 1024;
    int converted = 0;
    for (const Row& kind : ReadRows("real_files.tsv")) {
        const bool byExtension = !kind[1].starts_with("#!");
        std::vector<fs::path> files;
        std::istringstream folders(kind[0]);
        for (std::string folder; folders >> folder;) {
            std::error_code ec;
            for (auto it = fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied, ec);
                 !ec && it != fs::recursive_directory_iterator() && files.size() < kListed; it.increment(ec)) {
                if (!it->is_regular_file(ec) || it->file_size(ec) > kLargest || it->file_size(ec) == 0) continue;
                if (byExtension) {
                    if (it->path().extension() == kind[1]) files.push_back(it->path());
                } else {
                    std::ifstream in(it->path(), std::ios::binary);
                    std::string first(kind[1].size(), '\0');
                    in.read(first.data(), static_cast<std::streamsize>(first.size()));
                    if (first == kind[1]) files.push_back(it->path());
                }
            }
        }
        std::sort(files.begin(), files.end());
        files.erase(std::unique(files.begin(), files.end()), files.end());
        const fs::path hld = kHldFolder / (kind[2].empty() ? GetHLD(Value("x" + kind[1])) : kind[2]);
        if (files.empty() || !fs::exists(hld)) continue;
        const HldTree tree = LoadHld(hld.string());
        for (size_t k = 0; k < kTaken && k < files.size(); ++k) {
            const fs::path& file = files[k * files.size() / std::min(kTaken, files.size())];
            const std::string text = ReadBytes(file);
            if (!IsUtf8(text)) continue;
            ExpectRoundTrip(tree, text, file.string() + " with " + hld.filename().string());
            ++converted;
        }
    }
    std::printf("%d real files converted\n", converted);
}

// asp.hld's sections for pages in JScript are copies of the others: the same
// rules, the same header and footer, with every ENTER renamed (server code
// in AspJs, every other section in its own JScript-page copy).
TEST(AspDefinition, JScriptPageSectionsAreRenamedCopies) {
    const std::string suffix = "OnJsPage";
    const auto same = [](const auto& a, const auto& b) { return std::equal(a.begin(), a.end(), b.begin(), b.end()); };
    const HldTree tree = LoadHld((kHldFolder / "asp.hld").string());
    const std::string page = tree.sections.at(0).first;  // its header and footer are not repeated
    int copies = 0;
    for (const auto& [name, copy] : tree.sections) {
        if (!name.ends_with(suffix)) continue;
        ++copies;
        const std::string originalName = name.substr(0, name.size() - suffix.size());
        const HldSection* original = tree.sections.Find(originalName);
        ASSERT_NE(original, nullptr) << name;
        EXPECT_EQ(copy.ignoreCase, original->ignoreCase) << name;
        if (originalName != page) {
            EXPECT_TRUE(same(copy.header, original->header) && same(copy.footer, original->footer)) << name;
        }
        // The rule that leads into the copies is the original's alone.
        std::vector<const HldRule*> rules;
        for (const HldRule& rule : original->rules)
            if (!rule.enter || !rule.enter->ends_with(suffix)) rules.push_back(&rule);
        ASSERT_EQ(copy.rules.size(), rules.size()) << name;
        for (size_t r = 0; r < rules.size(); ++r) {
            const HldRule& a = *rules[r];
            const HldRule& b = copy.rules[r];
            ASSERT_EQ(a.patterns.size(), b.patterns.size()) << name << " rule " << r + 1;
            for (size_t p = 0; p < a.patterns.size(); ++p)
                EXPECT_EQ(a.patterns[p].pattern, b.patterns[p].pattern) << name << " rule " << r + 1;
            EXPECT_TRUE(same(a.formats, b.formats)) << name << " rule " << r + 1;
            EXPECT_EQ(a.returns, b.returns) << name << " rule " << r + 1;
            ASSERT_EQ(a.enter.has_value(), b.enter.has_value()) << name << " rule " << r + 1;
            if (a.enter) {
                EXPECT_EQ(*b.enter, *a.enter == "AspCode" ? "AspJs" : *a.enter + suffix) << name;
            }
        }
    }
    EXPECT_GT(copies, 0);
}

// A here-document that never closes, 10 MB of it: no hang, no crash, and the
// text comes back. A definition that is not shipped (yet) is passed over.
TEST(BadInput, HereDocumentsThatNeverCloseComeBack) {
    const std::pair<const char*, const char*> cases[] = {
        {"sh.hld", "cat <<EOF\n"},  {"pl.hld", "print <<\"EOT\";\n"}, {"rb.hld", "x = <<~EOS\n"},
        {"php.hld", "<?php\n$x = <<<EOT\n"}, {"ps1.hld", "$x = @\"\n"},
    };
    std::string body;
    while (body.size() < 10'000'000) body += "never closed $line \"quoted\" 'x' # <b> and ${var}\n";
    int converted = 0;
    for (const auto& [definition, opener] : cases) {
        if (!fs::exists(kHldFolder / definition)) continue;
        ExpectRoundTrip(LoadHld((kHldFolder / definition).string()), opener + body, definition);
        ++converted;
    }
    EXPECT_GT(converted, 0);
}

TEST(Examples, LinkedDefinitionsPointIntoTheFolder) {
    for (const std::string& name : ShippedDefinitions(true)) {
        const fs::path path = kHldFolder / name;
        if (!fs::is_symlink(path)) continue;
        const fs::path target = fs::read_symlink(path);
        EXPECT_TRUE(target.is_relative() && target.parent_path().empty()) << name << " -> " << target;
        EXPECT_TRUE(fs::is_regular_file(path)) << name << " -> " << target;
    }
}

}  // namespace
