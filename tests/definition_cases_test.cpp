// What the shipped definitions make of short pieces of real code: each file
// tests/definition_cases/NAME.cases holds cases for hld/NAME.hld, one case a
//
//   == what the case shows
//   input text, one or more lines
//   --
//   CLASS text that must be coloured CLASS
//   - text that must have no class at all
//
// The texts after "--" are looked for in the input in the order written, each
// after the one before it; every character of a text must have the class
// named, which is the class of the innermost <span class="..."> around it.
// Lines before the first "==" are comments. A new .cases file is picked up
// without any change here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/formatter.h"
#include "engine/hld_loader.h"
#include "support/error.h"
#include "recording_environment.h"

using namespace tintext;
namespace fs = std::filesystem;

namespace {

const fs::path kCasesFolder = fs::path(TINTEXT_SOURCE_DIR) / "tests" / "definition_cases";
const fs::path kHldFolder = fs::path(TINTEXT_SOURCE_DIR) / "hld";

struct Expectation {
    std::string cls;  // "-": no class
    std::string text;
    int line;
};

struct Case {
    std::string title;
    std::string input;
    std::vector<Expectation> expectations;
    int line;
};

std::vector<Case> ReadCases(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<Case> cases;
    std::string line;
    bool inInput = false;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("== ", 0) == 0) {
            cases.push_back({line.substr(3), "", {}, number});
            inInput = true;
        } else if (cases.empty()) {
            continue;
        } else if (inInput && line == "--") {
            inInput = false;
            if (!cases.back().input.empty()) cases.back().input.pop_back();  // the last line break
        } else if (inInput) {
            cases.back().input += line + "\n";
        } else if (!line.empty()) {
            const size_t blank = line.find(' ');
            cases.back().expectations.push_back(
                {line.substr(0, blank), blank == std::string::npos ? "" : line.substr(blank + 1), number});
        }
    }
    return cases;
}

std::string Format(const HldTree& tree, const std::string& input) {
    RecordingEnvironment env;
    StringSink out;
    size_t ptr = 0;
    FormatSection(tree, tree.sections.at(0).second, input, out, ptr, env);
    return out.text;
}

// The class of every character of the text that `body` shows, and that text.
struct Coloured {
    std::string text;
    std::vector<std::string> classes;
};

Coloured ReadColours(const std::string& body) {
    static const std::pair<std::string, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&nbsp;", ' '}, {"&quot;", '"'}, {"&#39;", '\''}};
    Coloured result;
    std::vector<std::string> stack;
    const auto current = [&] {
        for (auto it = stack.rbegin(); it != stack.rend(); ++it)
            if (!it->empty()) return *it;
        return std::string("-");
    };
    for (size_t i = 0; i < body.size();) {
        if (body[i] == '<') {
            const size_t close = body.find('>', i);
            const std::string tag = body.substr(i, close - i + 1);
            if (tag.rfind("<span", 0) == 0) {
                const size_t cls = tag.find("class=\"");
                stack.push_back(cls == std::string::npos ? "" : tag.substr(cls + 7, tag.find('"', cls + 7) - cls - 7));
            } else if (tag == "</span>" && !stack.empty()) {
                stack.pop_back();
            }
            i = close == std::string::npos ? body.size() : close + 1;
            continue;
        }
        char ch = body[i];
        size_t length = 1;
        if (ch == '&')
            for (const auto& [entity, decoded] : kEntities)
                if (body.compare(i, entity.size(), entity) == 0) {
                    ch = decoded;
                    length = entity.size();
                    break;
                }
        result.text += ch;
        result.classes.push_back(current());
        i += length;
    }
    return result;
}

// "cm:' trailing|-: x" for the characters from..to: runs of one class.
std::string DescribeRuns(const Coloured& coloured, size_t from, size_t to) {
    std::string runs;
    for (size_t i = from; i < to; ++i) {
        if (i == from || coloured.classes[i] != coloured.classes[i - 1])
            runs += (i == from ? "" : "|") + coloured.classes[i] + ":";
        runs += coloured.text[i];
    }
    return runs;
}

std::vector<fs::path> CaseFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(kCasesFolder))
        if (entry.path().extension() == ".cases") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

class DefinitionCases : public ::testing::TestWithParam<fs::path> {};

TEST_P(DefinitionCases, ColourEachTextAsWritten) {
    const fs::path file = GetParam();
    const fs::path hld = kHldFolder / (file.stem().string() + ".hld");
    ASSERT_TRUE(fs::exists(hld)) << file << " names no definition " << hld;
    const HldTree tree = LoadHld(hld.string());
    const HldSection& first = tree.sections.at(0).second;
    const auto joined = [](const std::vector<std::string>* lines) {
        std::string text;
        if (lines)
            for (const std::string& line : *lines) text += line;
        return text;
    };
    const size_t headerSize = joined(first.header.Find(kHtmlFormatKey)).size();
    const size_t footerSize = joined(first.footer.Find(kHtmlFormatKey)).size();
    const std::vector<Case> cases = ReadCases(file);
    ASSERT_FALSE(cases.empty()) << file;
    for (const Case& c : cases) {
        SCOPED_TRACE(file.filename().string() + ":" + std::to_string(c.line) + ": " + c.title);
        EXPECT_FALSE(c.expectations.empty());
        std::string page;
        try {
            page = Format(tree, c.input);
        } catch (const Error& e) {
            ADD_FAILURE() << e.Description();
            continue;
        }
        ASSERT_GE(page.size(), headerSize + footerSize);
        const Coloured coloured = ReadColours(page.substr(headerSize, page.size() - headerSize - footerSize));
        ASSERT_EQ(coloured.text, c.input) << "the text does not come back";
        size_t from = 0;
        for (const Expectation& e : c.expectations) {
            const size_t at = c.input.find(e.text, from);
            if (at == std::string::npos || e.text.empty()) {
                ADD_FAILURE() << "line " << e.line << ": \"" << e.text << "\" is not in the input after byte " << from;
                continue;
            }
            from = at + e.text.size();
            const bool right = std::all_of(coloured.classes.begin() + at, coloured.classes.begin() + from,
                                           [&](const std::string& cls) { return cls == e.cls; });
            EXPECT_TRUE(right) << "line " << e.line << ": expected " << e.cls << " for \"" << e.text
                               << "\", got " << DescribeRuns(coloured, at, from);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Library, DefinitionCases, ::testing::ValuesIn(CaseFiles()),
                         [](const ::testing::TestParamInfo<fs::path>& info) {
                             std::string name = info.param.stem().string();
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
