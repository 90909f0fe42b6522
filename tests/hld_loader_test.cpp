// Syntax definitions as the loader reads them and as the check reports on
// them: the cases are tests/data/definitions.cases (definition text, the
// printed rule tree or the error, what the check says).
#include "engine/hld_loader.h"

#include "test_prelude.h"

#include <random>

#include "engine/definition_check.h"
#include "hld_print.h"

namespace {

std::string Replaced(std::string text, const std::string& what, const std::string& by) {
    for (size_t at; (at = text.find(what)) != std::string::npos;) text.replace(at, what.size(), by);
    return text;
}

}  // namespace

TEST(Definitions, LoadedTreesAndCheckReports) {
    TempFolder dir;
    const std::string file = dir / "def.hld";
    for (const auto& c : tintext::testing::ReadBlocks("definitions.cases")) {
        dir.WriteFiles("def.hld", c[0]);
        std::string tree;
        try {
            const HldTree loaded = LoadHld(file);
            tree = tintext::testing::Print(loaded);
            for (const auto& [name, section] : loaded.sections)
                for (const HldRule& rule : section.rules)
                    for (const HldPattern& p : rule.patterns)
                        EXPECT_TRUE(p.file == file || std::count(loaded.includedFiles.begin(), loaded.includedFiles.end(), p.file))
                            << c.where << " " << p.file;
        } catch (const Error& e) {
            tree = "error " + std::to_string(e.Number()) + ": " + Replaced(e.Description(), dir.path() + "/", "");
        }
        EXPECT_TRUE(Like(tree, c[1])) << c.where << " " << c.title << "\n" << tree;
        if (c.parts.size() < 3) continue;
        std::string report;
        for (const DefinitionProblem& problem : CheckDefinition(file))
            report += (report.empty() ? "" : "\n") + FormatProblem("def.hld", problem);
        EXPECT_TRUE(Like(report, c[2])) << c.where << " " << c.title << "\n" << report;
    }
}

TEST(Definitions, KeyAndValueParts) {
    for (const auto& row : tintext::testing::ReadRows("hld_key_value.tsv")) {
        EXPECT_EQ(GetKeyPart(row[0]), row[1]) << row.where;
        EXPECT_EQ(GetValuePart(row[0]), row[2]) << row.where;
    }
}

TEST(Definitions, CheckOfAMissingFileSaysSo) {
    TempFolder dir;
    const std::vector<DefinitionProblem> missing = CheckDefinition(dir / "none.hld");
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_TRUE(Like(FormatProblem("a.hld", missing[0]), "a.hld: ...not found...")) << missing[0].message;
}

TEST(Definitions, BigAndBinaryInputsLoadOrFailCleanly) {
    TempFolder dir;
    const std::string longPattern(1 << 20, 'x');
    std::string many = "[M]\nPATTERN=" + longPattern + "\nFORMAT-HTML=" + longPattern + "\n";
    for (int i = 0; i < 100000; ++i) many += "PATTERN=a\nFORMAT-HTML=b\n";
    const HldTree big = LoadHld(dir.Write("def.hld", many));
    const HldSection& section = big.sections.at(0).second;
    ASSERT_EQ(section.rules.size(), 100001u);
    EXPECT_EQ(section.rules[0].patterns[0].pattern, longPattern);
    EXPECT_EQ(section.rules[0].formats.Find("HTML")->size(), longPattern.size());
    EXPECT_EQ(section.rules.back().patterns[0].line, 200001);

    std::mt19937 random(42);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(64 * 1024, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        EXPECT_NE(tintext::testing::Raised([&] { LoadHld(dir.Write("def.hld", bytes)); }).Description(), "");
    }
}

// A long chain of definitions, each taking in the next, ends in an error at
// a fixed depth rather than running the loader out of stack.
TEST(Definitions, IncludeChainsEndAtAFixedDepth) {
    TempFolder dir;
    for (int k = 0; k < 40; ++k)
        dir.Write("d" + std::to_string(k) + ".hld", "[M]\nINCLUDE=d" + std::to_string(k + 1) + ".hld\n");
    dir.Write("d40.hld", "[M]\n");
    const Error e = tintext::testing::Raised([&] { LoadHld(dir / "d0.hld"); });
    EXPECT_EQ(e.Description(), "INCLUDE lines nested more than 16 deep in " + (dir / "d15.hld") + ", line 2.");
    EXPECT_EQ(LoadHld(dir / "d30.hld").sections.size(), 11u);
}

// The workbench checks the text in its editor, which may differ from the file.
TEST(Definitions, CheckTheTextInHandNotTheFile) {
    TempFolder dir;
    const std::string file = dir.Write("d.hld", "[Main]\nPATTERN=[^]\n");
    std::string lines;
    for (const DefinitionProblem& problem : CheckDefinitionText("[Main]\nPATTERN=(\nENTER=Nowhere\n", file))
        lines += std::to_string(problem.line) + " ";
    EXPECT_EQ(lines, "2 3 ");
    EXPECT_EQ(CheckDefinitionText("FORMAT-HTML=x\n", file).at(0).message.rfind("cannot be loaded: ", 0), 0u);
    EXPECT_TRUE(CheckDefinition(file).empty());
}
