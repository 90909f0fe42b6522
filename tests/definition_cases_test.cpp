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
#include "test_prelude.h"

#include <algorithm>
#include <sstream>

#include "engine/formatter.h"
#include "engine/hld_loader.h"
#include "shipped_definitions.h"

namespace {

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

std::vector<std::string> CaseFiles() {
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(fs::path(TINTEXT_SOURCE_DIR) / "tests" / "definition_cases"))
        if (entry.path().extension() == ".cases") files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
}

class DefinitionCases : public ::testing::TestWithParam<std::string> {};

TEST_P(DefinitionCases, ColourEachTextAsWritten) {
    const fs::path hld = kHldFolder / (fs::path(GetParam()).stem().string() + ".hld");
    ASSERT_TRUE(fs::exists(hld)) << GetParam() << " names no definition " << hld;
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
    for (const Block& c : ReadBlocks("../definition_cases/" + GetParam())) {
        SCOPED_TRACE(c.where + ": " + c.title);
        const std::string& input = c[0];
        EXPECT_FALSE(c[1].empty());
        std::string page;
        const Error failure = Raised([&] { page = Format(tree, input); });
        if (failure.Number() != 0) {
            ADD_FAILURE() << failure.Description();
            continue;
        }
        ASSERT_GE(page.size(), headerSize + footerSize);
        const Coloured coloured = ReadColours(page.substr(headerSize, page.size() - headerSize - footerSize));
        ASSERT_EQ(coloured.text, input) << "the text does not come back";
        std::istringstream expectations(c[1]);
        size_t from = 0;
        for (std::string cls, text; expectations >> cls && std::getline(expectations, text);) {
            text.erase(0, 1);  // the blank after the class
            const size_t at = input.find(text, from);
            if (at == std::string::npos || text.empty()) {
                ADD_FAILURE() << "\"" << text << "\" is not in the input after byte " << from;
                continue;
            }
            from = at + text.size();
            std::string got, want;
            for (size_t k = at; k < from; ++k) got += " " + coloured.classes[k], want += " " + cls;
            EXPECT_EQ(got, want) << "the classes of \"" << text << "\"";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Library, DefinitionCases, ::testing::ValuesIn(CaseFiles()),
                         [](const auto& info) { return TestNameOf(info.param); });

}  // namespace
