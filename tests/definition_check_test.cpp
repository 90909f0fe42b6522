// The check of syntax definitions: what a definition writer is told, with lines counted from 1.
#include "engine/definition_check.h"

#include <gtest/gtest.h>

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
                      "PATTERN=[\\s\\S]\r\nFORMAT-HTML=$$\r\n[Code]\r\nIGNORECASE=0\r\nPATTERN=%>\r\nRETURN\r\n")
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
        "[Other]\n"         // 8
        "PATTERN=(\n"       // 9: unterminated group
        "ENTER=\n");        // 10: an empty value names no section
    ASSERT_EQ(problems.size(), 5u);
    const int32_t lines[] = {3, 4, 6, 9, 10};
    for (size_t i = 0; i < problems.size(); ++i) EXPECT_EQ(problems[i].line, lines[i]) << problems[i].message;
    EXPECT_NE(problems[0].message.find("*x"), std::string::npos);
    EXPECT_NE(problems[0].message.find("5018"), std::string::npos);
    EXPECT_NE(problems[1].message.find("\"main\""), std::string::npos);
    EXPECT_NE(problems[2].message.find("[a"), std::string::npos);
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
    const std::string file = dir.Write("d.hld", "[Main]\nPATTERN=ok\n");
    auto problems = CheckDefinitionText("[Main]\nPATTERN=(\nENTER=Nowhere\n", file);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].line, 2);
    EXPECT_EQ(problems[1].line, 3);
    EXPECT_EQ(CheckDefinitionText("FORMAT-HTML=x\n", file).at(0).message.rfind("cannot be loaded: ", 0), 0u);
    EXPECT_TRUE(CheckDefinition(file).empty());
}

}  // namespace
