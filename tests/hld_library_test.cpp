// The shipped syntax definitions: every one loads, every pattern compiles,
// every ENTER names a section, and formatting gives a complete page from
// which the input comes back exactly (nothing dropped, nothing doubled).

#include "test_prelude.h"

#include <algorithm>
#include <map>

#include "engine/definition_check.h"
#include "engine/formatter.h"
#include "engine/hld_loader.h"
#include "engine/language_table.h"
#include "engine/page.h"
#include "shipped_definitions.h"

namespace {

const fs::path kExamplesFolder = fs::path(TINTEXT_SOURCE_DIR) / "Examples";

// The whole page, as a conversion writes it with the default options, shows
// exactly the input.
void ExpectRoundTrip(const HldTree& tree, const std::string& input, const std::string& what, bool numbered = false) {
    SCOPED_TRACE(what);
    RecordingEnvironment env;
    StringSink out;
    PageOptions options;
    options.lineNumbers = numbered;
    const Error failure = Raised([&] {
        size_t ptr = 0;
        PageWriter page(options, (kHldFolder / "themes").string());
        page.Begin(out, "input", CountLines(input), LineFeedsOnlyInText(tree));
        FormatSection(tree, tree.sections.at(0).second, input, page.Body(), ptr, env);
        page.End();
    });
    ASSERT_EQ(failure.Number(), 0) << failure.Description();
    const std::string& page = out.text;
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
    // Numbered lines of a shipped definition never need its tags read.
    EXPECT_TRUE(LineFeedsOnlyInText(tree));
    ExpectRoundTrip(tree, all, "all tricky inputs in one, with line numbers", true);
}

// 10 MB single lines of each definition's commonest long forms
// (tests/data/long_lines.txt: comments, strings, data URIs, minified code,
// here-documents that never close), made here, never stored: a pattern whose
// work grows with the text it covers must not end in the engine's "too much
// backtracking" on ordinary long text, and the text must come back whole.
std::map<std::string, std::vector<Row>> LongForms() {
    std::map<std::string, std::vector<Row>> forms;
    for (const Row& row : ReadRows("long_lines.txt")) forms[row[0] + ".hld"].push_back(row);
    return forms;
}
const std::map<std::string, std::vector<Row>> kLongForms = LongForms();

TEST_P(ShippedDefinition, TenMegabyteLinesComeBackWhole) {
    const HldTree tree = Load();
    ASSERT_TRUE(kLongForms.count(GetParam())) << "no long forms in long_lines.txt";
    for (const Row& form : kLongForms.at(GetParam())) {
        SCOPED_TRACE(form.where + " " + form[1]);
        ASSERT_EQ(form.fields.size(), 5u);
        std::string input = form[2];
        while (input.size() < 10'000'000) input += form[3];
        input += form[4];
        RecordingEnvironment env;
        ShownTextChecker shown(input);
        size_t position = 0;
        const Error failure = Raised([&] { FormatSection(tree, tree.sections.at(0).second, input, shown, position, env); });
        EXPECT_EQ(failure.Number(), 0) << failure.Description();
        EXPECT_EQ(shown.Problem(), "");
    }
}

TEST(LongForms, NameOnlyShippedDefinitions) {
    for (const auto& [name, forms] : kLongForms)
        EXPECT_TRUE(fs::is_regular_file(kHldFolder / name) && !fs::is_symlink(kHldFolder / name)) << name;
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

// asp.hld's sections for pages in JScript are copies of the others: the same
// rules, the same header and footer, with every ENTER renamed (server code
// in AspJs, every other section in its own JScript-page copy).
TEST(AspDefinition, JScriptPageSectionsAreRenamedCopies) {
    const std::string suffix = "OnJsPage";
    const auto same = [](const auto& a, const auto& b) { return std::equal(a.begin(), a.end(), b.begin(), b.end()); };
    // A section's rules as text, an original's with its ENTERs renamed as in
    // its copy; the rule that leads into the copies is the original's alone.
    const auto rules = [&](const HldSection& section, bool original) {
        std::string text;
        for (const HldRule& rule : section.rules) {
            if (original && rule.enter && rule.enter->ends_with(suffix)) continue;
            for (const HldPattern& p : rule.patterns) text += "PATTERN=" + p.pattern + "\n";
            for (const auto& [key, format] : rule.formats) text += "FORMAT-" + key + "=" + format + "\n";
            if (rule.enter)
                text += "ENTER=" + (!original ? *rule.enter : *rule.enter == "AspCode" ? "AspJs" : *rule.enter + suffix) + "\n";
            text += rule.returns ? "RETURN\n\n" : "\n";
        }
        return text;
    };
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
        EXPECT_TRUE(originalName == page || (same(copy.header, original->header) && same(copy.footer, original->footer))) << name;
        EXPECT_EQ(rules(copy, false), rules(*original, true)) << name;
    }
    EXPECT_GT(copies, 0);
}

}  // namespace
