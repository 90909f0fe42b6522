// The check of syntax definitions: what a definition writer is told, with lines counted from 1.
#include "engine/definition_check.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "temp_folder.h"

using namespace tintext;

namespace {

class DefinitionCheckTest : public ::testing::Test {
protected:
    tintext::testing::TempFolder dir;
    std::vector<DefinitionProblem> Check(const std::string& text) {
        return CheckDefinition(dir.Write("d.hld", text));
    }
};

TEST_F(DefinitionCheckTest, SoundDefinitionHasNoProblems) {
    EXPECT_TRUE(Check("' comment\r\n[Main]\r\nPATTERN=<%\r\nENTER=Code\r\nFORMAT-HTML=<i>$$\r\n"
                      "PATTERN=[\\s\\S]\r\nFORMAT-HTML=$$\r\n[Code]\r\nIGNORECASE=0\r\nPATTERN=%>\r\nRETURN\r\n"
                      "  PATTERN=\\w+\r\nPATTERN=\\W\r\nFORMAT-HTML =$$\r\n")
                    .empty());
}

TEST_F(DefinitionCheckTest, ProblemsInFileOrderWithTheirLines) {
    auto problems = Check(
        "[Main]\n"          // 1
        "PATTERN=ok\n"      // 2
        "PATTERN=*x\n"      // 3: nothing to repeat
        "ENTER=main\n"      // 4: names are compared with case
        "\tENTER=Gone\n"    // 5: a tab-indented line is no keyword line
        "PATTERN=[a\n"      // 6: unterminated class
        "enter = Main\n"    // 7: fine, keywords ignore case and values are trimmed
        "PATTERN=[^]\n"     // 8: a catch-all
        "[Other]\n"         // 9
        "PATTERN=(\n"       // 10: unterminated group
        "ENTER=\n"          // 11: an empty value names no section
        "PATTERN=[\\s\\S]\n");
    ASSERT_EQ(problems.size(), 6u);
    const int32_t lines[] = {3, 4, 5, 6, 10, 11};
    for (size_t i = 0; i < problems.size(); ++i) EXPECT_EQ(problems[i].line, lines[i]) << problems[i].message;
    EXPECT_NE(problems[0].message.find("*x"), std::string::npos);
    EXPECT_NE(problems[0].message.find("5018"), std::string::npos);
    EXPECT_NE(problems[1].message.find("\"main\""), std::string::npos);
    EXPECT_NE(problems[2].message.find("indented with a tab"), std::string::npos);
    EXPECT_NE(problems[3].message.find("[a"), std::string::npos);
}

// What a definition writer cannot see in the file: each case's problem, by
// line and the start of its message, and the lines that must not be told.
TEST_F(DefinitionCheckTest, MistakesThatAreSilentInAConversion) {
    const std::string catchAll = "PATTERN=[\\s\\S]\n";
    const struct {
        const char* what;
        std::string text;
        int32_t line;         // 0: no problem expected
        std::string message;  // the start of the problem's message
    } cases[] = {
        {"a byte that is not UTF-8", "[Main]\n' caf\xE9\n" + catchAll, 2, "not UTF-8: byte 0xE9 in column 6;"},
        {"UTF-8 text", "[Main]\n' caf\xC3\xA9\n" + catchAll, 0, ""},
        {"a keyword indented with a tab", "[Main]\n" + catchAll + "\tFORMAT-HTML=<b>$$</b>\n", 3,
         "indented with a tab, so the line is ignored: \"FORMAT-HTML=<b>$$</b>\""},
        {"blanks and a tab", "[Main]\n  \tPATTERN=x\n" + catchAll, 2, "indented with a tab"},
        {"a tab-indented comment", "[Main]\n\t' note\n\tplain words\n" + catchAll, 0, ""},
        {"a key in lower case", "[Main]\n" + catchAll + "FORMAT-html=<b>$$</b>\n", 3,
         "the key \"html\" is not HTML: keys are compared with letter case, so the line is not used "
         "(write FORMAT-HTML)"},
        {"a header key in mixed case", "[Main]\nHEADER-Html=<pre>\n" + catchAll, 2, "the key \"Html\" is not HTML"},
        {"another key", "[Main]\nHEADER-RTF=x\n" + catchAll, 0, ""},
        {"CR line ends throughout", "[Main]\r" + catchAll.substr(0, catchAll.size() - 1) + "\r", 1,
         "the lines end in CR alone, so the whole file reads as one line"},
        {"one line ending in CR", "[Main]\nPATTERN=a\r" + catchAll, 2,
         "the line ends in CR alone, so it and the next line read as one"},
        {"no catch-all", "' words\n[Main]\nPATTERN=\\w+\nPATTERN=\\s+\n", 2,
         "section \"Main\" has no catch-all: no rule matches U+0001 on its own"},
        {"dot and a line feed leave CR", "[Main]\nPATTERN=.\nPATTERN=\\n\n", 1, "section \"Main\" has no catch-all: no rule matches U+000D"},
        {"ASCII only", "[Main]\nPATTERN=[\\x00-\\x7F]\n", 1, "section \"Main\" has no catch-all: no rule matches \"\u00A0\" (U+00A0)"},
        {"rules that together take every character", "[Main]\nPATTERN=\\w+\nPATTERN=\\W\n", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto problems = Check(c.text);
        if (c.line == 0) {
            EXPECT_TRUE(problems.empty()) << problems[0].line << ": " << problems[0].message;
            continue;
        }
        const auto found = std::find_if(problems.begin(), problems.end(),
                                        [&](const DefinitionProblem& p) { return p.message.rfind(c.message, 0) == 0; });
        ASSERT_NE(found, problems.end()) << (problems.empty() ? "no problem" : problems[0].message);
        EXPECT_EQ(found->line, c.line);
    }
}

TEST_F(DefinitionCheckTest, DefinitionsThatCannotBeUsedAtAll) {
    auto none = Check("' only a comment\n");
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].line, 0);
    EXPECT_NE(none[0].message.find("no sections"), std::string::npos);

    auto unloadable = Check("[Main]\n[Main]\n");
    ASSERT_EQ(unloadable.size(), 1u);
    EXPECT_NE(unloadable[0].message.find("457"), std::string::npos) << unloadable[0].message;

    auto missing = CheckDefinition(dir / "none.hld");
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].line, 0);
    EXPECT_NE(missing[0].message.find("not found"), std::string::npos) << missing[0].message;
}

TEST_F(DefinitionCheckTest, ProblemText) {
    EXPECT_EQ(FormatProblem("a.hld", {3, "bad"}), "a.hld:3: bad");
    EXPECT_EQ(FormatProblem("a.hld", {0, "bad"}), "a.hld: bad");
}

}  // namespace

namespace {

// The workbench checks the text in its editor, which may differ from the file.
TEST(DefinitionCheckTextTest, ChecksTheTextInHandNotTheFile) {
    tintext::testing::TempFolder dir;
    const std::string file = dir.Write("d.hld", "[Main]\nPATTERN=[^]\n");
    auto problems = CheckDefinitionText("[Main]\nPATTERN=(\nENTER=Nowhere\nPATTERN=[^]\n", file);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].line, 2);
    EXPECT_EQ(problems[1].line, 3);
    EXPECT_EQ(CheckDefinitionText("FORMAT-HTML=x\n", file).at(0).message.rfind("cannot be loaded: ", 0), 0u);
    EXPECT_TRUE(CheckDefinition(file).empty());
}

}  // namespace
