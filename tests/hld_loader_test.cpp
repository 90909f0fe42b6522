#include "engine/hld_loader.h"

#include <functional>
#include <random>

#include <gtest/gtest.h>

#include "support/error.h"
#include "temp_folder.h"

using namespace tintext;
using tintext::testing::TempFolder;

namespace {

class HldLoader : public ::testing::Test {
protected:
    // Loads the definition text from a file of its own.
    HldTree Load(const std::string& text) { return LoadHld(Write(text)); }
    std::string Write(const std::string& text) { return dir.Write("def.hld", text); }

    // The only section of a definition.
    HldSection Only(const std::string& text) {
        HldTree tree = Load(text);
        EXPECT_EQ(tree.sections.size(), 1u) << text;
        return tree.sections.empty() ? HldSection{} : tree.sections.at(0).second;
    }

    Error Failure(const std::string& file) {
        try {
            LoadHld(file);
        } catch (const Error& e) {
            return e;
        }
        ADD_FAILURE() << "the load did not fail";
        return Error(0, "", "");
    }

    TempFolder dir;
};

std::vector<std::string> Patterns(const HldRule& rule) {
    std::vector<std::string> patterns;
    for (const auto& p : rule.patterns) patterns.push_back(p.pattern);
    return patterns;
}

// "pattern@line ... => HTML format", then where the rule goes.
std::string Describe(const HldRule& rule) {
    std::string text;
    for (const auto& p : rule.patterns) text += p.pattern + "@" + std::to_string(p.line) + " ";
    const std::string* format = rule.formats.Find("HTML");
    return text + "=> " + (format ? *format : "-") + (rule.enter ? " enter " + *rule.enter : "") +
           (rule.returns ? " return" : "");
}

}  // namespace

TEST_F(HldLoader, TheThirteenLineExample) {
    const std::string file = Write(
        "' numbers and script blocks\r\n[Main]\r\nHEADER-HTML=<pre>\r\nFOOTER-HTML=</pre>\r\nPATTERN=\\d+\r\n"
        "FORMAT-HTML=<b>$$</b>\r\nPATTERN=<%\r\nENTER=Code\r\nFORMAT-HTML=<i>$$</i>\r\n[Code]\r\nPATTERN=%>\r\n"
        "FORMAT-HTML=<i>$$</i>\r\nRETURN\r\n");
    HldTree tree = LoadHld(file);
    ASSERT_EQ(tree.sections.size(), 2u);
    const HldSection& main = tree.sections.at(0).second;
    const HldSection& code = tree.sections.at(1).second;
    EXPECT_EQ(tree.sections.at(0).first, "Main");
    EXPECT_EQ(main.name, "Main");
    EXPECT_EQ(code.name, "Code");
    EXPECT_EQ(*main.header.Find("HTML"), std::vector<std::string>{"<pre>"});
    EXPECT_EQ(*main.footer.Find("HTML"), std::vector<std::string>{"</pre>"});
    ASSERT_EQ(main.rules.size(), 2u);
    ASSERT_EQ(code.rules.size(), 1u);

    EXPECT_EQ(Describe(main.rules[0]), "\\d+@4 => <b>$$</b>");
    EXPECT_EQ(main.rules[0].patterns[0].file, file);
    EXPECT_EQ(Describe(main.rules[1]), "<%@6 => <i>$$</i> enter Code");
    EXPECT_EQ(Describe(code.rules[0]), "%>@10 => <i>$$</i> return");
    EXPECT_TRUE(code.header.empty());

    for (const HldSection* s : {&main, &code}) {
        EXPECT_TRUE(s->ignoreCase);
        EXPECT_TRUE(s->multiLine);
    }
}

TEST_F(HldLoader, SectionNamesRunFromTheSecondToTheLastButOneCharacter) {
    struct Case {
        std::string header, name;
    } cases[] = {
        {"[Main]", "Main"},     {"[Main", "Mai"},         {"[ Main ]", " Main "},
        {"  [Main]  ", "Main"}, {"[a]b", "a]"},           {"[Ma\xC3\xB1", "Ma"},  // the last character, not byte
        {"[\t]]", "\t]"},
    };
    for (const auto& c : cases) EXPECT_EQ(Only(c.header + "\nPATTERN=x").name, c.name) << c.header;

    // Empty names drop the section with everything in it.
    for (std::string header : {"[]", "[x", "[\xC3\xA9"})
        EXPECT_TRUE(Load(header + "\nPATTERN=a\nHEADER-HTML=h").sections.empty()) << header;
}

TEST_F(HldLoader, PatternsStartAtTheNinthCharacter) {
    struct Case {
        std::string line, pattern;
    } cases[] = {
        {"PATTERN=\\d+", "\\d+"},       {"PATTERN = x", "= x"},     {"pattern=x", "x"},
        {"PATTERNS=x", "=x"},          {"PATTERN", ""},           {"PATTERN=", ""},
        {"  PATTERN=a b  ", "a b"},    {"PATTERN=  a", "  a"},     {"PATTERN=\ta\t", "\ta\t"},
        {"PATTERN\xC3\xA9x", "x"},     {"PATTERN=\"q\" \\n", "\"q\" \\n"},
        {std::string("PATTERN=a\0b", 11), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        HldSection s = Only("[M]\n" + c.line);
        ASSERT_EQ(s.rules.size(), 1u) << c.line;
        EXPECT_EQ(s.rules[0].patterns[0].pattern, c.pattern) << c.line;
    }
}

TEST_F(HldLoader, OnlyKeywordsAfterBlanksCount) {
    HldSection s = Only("[M]\n\tPATTERN=a\nXPATTERN=b\n \t FORMAT-HTML=c\n");
    EXPECT_TRUE(s.rules.empty());
}

TEST_F(HldLoader, BlankCommentAndUnknownLinesDoNotSplitARule) {
    HldSection s = Only("[M]\nPATTERN=a\n\n' note\n# note\nnonsense\nPATTERN=b\nFORMAT-HTML=f\nPATTERN=c\n");
    ASSERT_EQ(s.rules.size(), 2u);
    EXPECT_EQ(Patterns(s.rules[0]), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(s.rules[0].patterns[1].line, 6);
    EXPECT_EQ(*s.rules[0].formats.Find("HTML"), "f");
    EXPECT_EQ(Patterns(s.rules[1]), std::vector<std::string>{"c"});
    EXPECT_TRUE(s.rules[1].formats.empty());

    // Any other keyword line, and a section header, ends the run.
    for (std::string line : {"ENTER=X", "RETURN", "HEADER-HTML=h", "IGNORECASE=1", "[N]"}) {
        HldTree tree = Load("[M]\nPATTERN=a\n" + line + "\nPATTERN=b");
        size_t rules = 0;
        for (const auto& [name, section] : tree.sections) rules += section.rules.size();
        EXPECT_EQ(rules, 2u) << line;
    }
}

TEST_F(HldLoader, FormatsHeadersAndFootersByKey) {
    HldSection s = Only(
        "[M]\nHEADER-HTML=<pre>\nHEADER-HTML = <code>  \nFOOTER-HTML=</pre>\nHEADER-RTF=x\nPATTERN=a\n"
        "FORMAT-HTML=first\nFORMAT-HTML=  <b> $$ </b>  \nFORMAT=no key\nFORMAT-HTML\n");
    EXPECT_EQ(*s.header.Find("HTML"), (std::vector<std::string>{"<pre>", "<code>"}));
    EXPECT_EQ(*s.header.Find("RTF"), std::vector<std::string>{"x"});
    EXPECT_EQ(*s.footer.Find("HTML"), std::vector<std::string>{"</pre>"});
    const auto& formats = s.rules[0].formats;
    ASSERT_EQ(formats.size(), 2u);
    EXPECT_EQ(*formats.Find("HTML"), "<b> $$ </b>");  // the later line wins
    EXPECT_EQ(*formats.Find(""), "");                  // FORMAT-HTML without "=": empty key and value
}

TEST_F(HldLoader, KeyAndValueParts) {
    struct Case {
        std::string line, key, value;
    } cases[] = {
        {"FORMAT-HTML=<b>", "HTML", "<b>"},
        {"FORMAT-HTML  = x ", "HTML", "x"},
        {"FORMAT- HTML=x", " HTML", "x"},
        {"FORMAT=x", "", "x"},
        {"FORMAT=a-b=c", "b", "a-b=c"},
        {"FORMAT-HTML", "", ""},
        {"FORMAT-A=\tx\t", "A", "\tx\t"},
        {"ENTER=Code=2", "", "Code=2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetKeyPart(c.line), c.key) << c.line;
        EXPECT_EQ(GetValuePart(c.line), c.value) << c.line;
    }
}

TEST_F(HldLoader, OptionsReadAsBooleans) {
    struct Case {
        std::string value;
        bool result;
    } cases[] = {
        {"=0", false}, {"=false", false}, {"=yes", false}, {"", false},
        {"=1", true},  {"=TRUE", true},   {" = -1 ", true},
    };
    for (const auto& c : cases) {
        HldSection s = Only("[M]\nIGNORECASE" + c.value + "\nmultiline" + c.value);
        EXPECT_EQ(s.ignoreCase, c.result) << c.value;
        EXPECT_EQ(s.multiLine, c.result) << c.value;
    }
    HldSection later = Only("[M]\nIGNORECASE=0\nIGNORECASE=1");
    EXPECT_TRUE(later.ignoreCase);
}

TEST_F(HldLoader, EnterAndReturnChangeTheLatestRuleEvenAcrossAHeader) {
    HldTree tree = Load("[A]\nPATTERN=a\nENTER=X\nENTER=Y\n[B]\nFORMAT-HTML=f\nRETURN=anything\nPATTERN=b");
    EXPECT_EQ(Describe(tree.sections.Find("A")->rules.at(0)), "a@1 => f enter Y return");
    EXPECT_EQ(Describe(tree.sections.Find("B")->rules.at(0)), "b@7 => -");
}

TEST_F(HldLoader, WhatStandsBeforeTheFirstNamedSectionIsDropped) {
    HldTree tree = Load("PATTERN=a\nFORMAT-HTML=f\nHEADER-HTML=h\nIGNORECASE=0\n[Main]\nPATTERN=b\n[]\nPATTERN=c\n");
    ASSERT_EQ(tree.sections.size(), 1u);
    const HldSection& main = *tree.sections.Find("Main");
    ASSERT_EQ(main.rules.size(), 1u);
    EXPECT_EQ(main.rules[0].patterns[0].pattern, "b");
    EXPECT_TRUE(main.header.empty());
    EXPECT_TRUE(main.ignoreCase);
}

TEST_F(HldLoader, SectionNamesCompareWithLetterCase) {
    HldTree tree = Load("[A]\n[a]\n[B]");
    ASSERT_EQ(tree.sections.size(), 3u);
    EXPECT_EQ(tree.sections.at(1).first, "a");
}

TEST_F(HldLoader, LinesAndTheirIndexes) {
    EXPECT_TRUE(Load("").sections.empty());
    EXPECT_TRUE(Load("' only\r\n\r\n# comments\r\n").sections.empty());

    HldSection s = Only("PATTERN=x\n[M]\r\nPATTERN=a\rb\r\n\nPATTERN=c\r\r\n");
    EXPECT_EQ(Patterns(s.rules[0]), (std::vector<std::string>{"a\rb", "c\r"}));  // a lone CR stays
    EXPECT_EQ(s.rules[0].patterns[0].line, 2);
    EXPECT_EQ(s.rules[0].patterns[1].line, 4);
    EXPECT_EQ(Load("[M]\nPATTERN=x").sections.at(0).second.rules[0].patterns[0].line, 1);
}

TEST_F(HldLoader, AWindows1252DefinitionIsReadAsText) {
    EXPECT_EQ(Only("[Caf\xE9]\nPATTERN=\xE9").rules[0].patterns[0].pattern, "\xC3\xA9");
}

TEST_F(HldLoader, FailuresNameTheFileAndTheLine) {
    const std::string file = dir / "def.hld";
    struct Case {
        std::string text;
        int32_t number;
        std::string description;
    } cases[] = {
        {"[M]\nPATTERN=a\n\nFORMAT-HTML=x\n[N]\n[M]\n", err::DuplicateKey, "line 6."},
        {"[M]\n[N]\n[M]", err::DuplicateKey, "line 3."},
        {"[M]\n  [  ", err::InvalidArgument, "line 2."},
        {"[M]\n\nFORMAT-HTML=x", err::ObjectVariableNotSet, "FORMAT line before any PATTERN line in " + file + ", line 3."},
        {"Enter=x", err::ObjectVariableNotSet, "ENTER line before any PATTERN line in " + file + ", line 1."},
        {"[M]\nRETURN", err::ObjectVariableNotSet, "RETURN line before any PATTERN line in " + file + ", line 2."},
    };
    for (const auto& c : cases) {
        Error e = Failure(Write(c.text));
        EXPECT_EQ(e.Number(), c.number) << c.text;
        EXPECT_TRUE(e.Description().ends_with(c.description)) << e.Description();
        EXPECT_NE(e.Description().find(file), std::string::npos) << e.Description();
    }
}

// PAGE, BLANKS and LANGUAGE belong to the whole definition; any other line
// that only begins with those words stays unrecognised, as it always was.
TEST_F(HldLoader, PageBlanksAndLanguageLines) {
    struct Case {
        std::string text;
        bool page;
        bool plainBlanks;
        std::string language;
    } cases[] = {
        {"[M]\nPATTERN=a", false, false, ""},
        {"PAGE=themes\nLANGUAGE=Go, golang\n[M]\nPATTERN=a", true, true, "Go"},
        {"[M]\nPATTERN=a\n  page =  Themes  \n language = C++ \n", true, true, "C++"},
        {"[M]\nPAGES=x\nPAGE\nPAGE-HTML=x\n' PAGE=x\n# PAGE=x\nLANGUAGES=x", false, false, ""},
        {"BLANKS=plain\n[M]", false, true, ""},
        {"PAGE=themes\nBLANKS=NBSP\n[M]", true, false, ""},
        {"BLANKS=nbsp\n[M]\nPAGE=themes", true, false, ""},
    };
    for (const Case& c : cases) {
        const HldTree tree = Load(c.text);
        EXPECT_EQ(tree.page, c.page) << c.text;
        EXPECT_EQ(tree.plainBlanks, c.plainBlanks) << c.text;
        EXPECT_EQ(tree.language, c.language) << c.text;
    }
    // Like an unrecognised line, none ends a run of PATTERN lines.
    EXPECT_EQ(Patterns(Only("[M]\nPATTERN=a\nPAGE=themes\nBLANKS=plain\nLANGUAGE=x\nPATTERN=b").rules[0]),
              (std::vector<std::string>{"a", "b"}));
    for (const char* bad : {"[M]\nBLANKS=maybe", "[M]\nPAGE=JavaScript"}) {
        const Error e = Failure(Write(bad));
        EXPECT_EQ(e.Number(), err::InvalidArgument) << bad;
        EXPECT_TRUE(e.Description().ends_with("line 2.")) << e.Description();
    }
}

TEST_F(HldLoader, FileErrorsPassThroughUnchanged) {
    for (auto [path, number] : {std::pair{dir / "missing.hld", 53}, {dir / "no/missing.hld", 76}, {"", 1000}}) {
        Error e = Failure(path);
        EXPECT_EQ(e.Number(), number) << path;
        EXPECT_TRUE(e.Description().starts_with("Error reading the file " + path + ". ")) << e.Description();
    }
}

TEST_F(HldLoader, BigAndBinaryInputsLoadOrFailCleanly) {
    const std::string longPattern(1 << 20, 'x');
    HldSection s = Only("[M]\nPATTERN=" + longPattern + "\nFORMAT-HTML=" + longPattern + "\n");
    EXPECT_EQ(s.rules[0].patterns[0].pattern, longPattern);
    EXPECT_EQ(s.rules[0].formats.Find("HTML")->size(), longPattern.size());

    std::string many = "[M]\n";
    for (int i = 0; i < 100000; ++i) many += "PATTERN=a\nFORMAT-HTML=b\n";
    HldSection big = Only(many);
    ASSERT_EQ(big.rules.size(), 100000u);
    EXPECT_EQ(big.rules.back().patterns[0].line, 199999);

    std::mt19937 random(42);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(64 * 1024, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        try {
            Load(bytes);
        } catch (const Error& e) {
            EXPECT_FALSE(e.Description().empty());
        }
    }
}
