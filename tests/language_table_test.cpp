// The languages that definitions declare (LANGUAGE, EXTENSIONS, FILENAMES),
// what /lang finds by them, the default choice for an input, and the shipped
// library's declarations against its file names and links.
#include "engine/language_table.h"

#include "test_prelude.h"

#include <map>

#include "digits_definition.h"
#include "support/program_info.h"

namespace {

const std::string kShippedFolder = TINTEXT_SOURCE_DIR "/hld";

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : "|") + word;
    return text;
}

TEST(ReadLanguage, ReadsTheLinesBeforeTheFirstSection) {
    Files dir;
    for (const Row& row : ReadRows("language_lines.tsv")) {
        dir.Put("x.hld", row[0]);
        const std::optional<Language> language = ReadLanguage(dir.P("x.hld"));
        ASSERT_TRUE(language) << row.where;
        EXPECT_EQ(language->file, dir.P("x.hld"));
        EXPECT_EQ(Joined(language->names) + " " + Joined(language->extensions) + " " + Joined(language->fileNames) +
                      " " + language->DisplayName(),
                  row[1] + " " + row[2] + " " + row[3] + " " + row[4])
            << row.where;
    }
    EXPECT_FALSE(ReadLanguage(dir.P("missing.hld")));
}

class LanguageFolder : public ::testing::Test {
protected:
    Files dir;
    // A definitions folder as engine_language_folder.tsv has it; each
    // definition's rules are those of kDigitsHld.
    void SetUp() override {
        for (const Row& row : ReadRows("engine_language_folder.tsv")) {
            if (row[1].starts_with("-> ")) fs::create_symlink(row[1].substr(3), dir.P(row[0]));
            else dir.Put(row[0], row[1] + (row[0].ends_with(".hld") ? kDigitsHld : ""));
        }
    }
};

TEST_F(LanguageFolder, TableListsEachFileOnceByName) {
    std::vector<std::string> shown;
    for (const Language& language : LanguageTable(dir.P("defs")))
        shown.push_back(language.DisplayName() + "=" + fs::path(language.file).filename().string());
    EXPECT_EQ(Joined(shown), "Makefile=make.hld|mine=mine.hld|Plain text=txt.hld|Python=py.hld|VB.NET=vbnet.hld|Visual Basic=vb.hld");
    EXPECT_TRUE(LanguageTable(dir.P("nowhere")).empty());
}

TEST_F(LanguageFolder, FindLanguageByNameExtensionOrFile) {
    const std::vector<Language> table = LanguageTable(dir.P("defs"));
    for (const Row& row : ReadRows("language_lookup.tsv")) {
        const Language* found = FindLanguage(table, row[0]);
        EXPECT_EQ(found ? fs::path(found->file).filename().string() : "", row[1]) << row.where;
    }
    EXPECT_EQ(FindLanguage(table, ""), nullptr);
}

TEST_F(LanguageFolder, NearestNamesForAMistypedLanguage) {
    const std::vector<Language> table = LanguageTable(dir.P("defs"));
    EXPECT_EQ(NearestLanguageNames(table, "pyton", 1), std::vector<std::string>{"Python"});
    EXPECT_EQ(NearestLanguageNames(table, "VB Scrpt", 1), std::vector<std::string>{"VBScript"});
    EXPECT_EQ(NearestLanguageNames(table, "nonesuch", 3).size(), 3u);
}

TEST_F(LanguageFolder, DefaultDefinitionForAnInput) {
    for (const Row& row : ReadRows("default_choice.tsv")) {
        const DefaultDefinition chosen = ChooseDefaultDefinition(dir.P("defs"), row[0]);
        EXPECT_EQ((chosen.plainText ? "!" : "") + fs::path(chosen.path).filename().string(), row[1]) << row.where;
        EXPECT_EQ(fs::path(chosen.path).parent_path(), dir.P("defs")) << row.where;
    }
}

// A folder without a plain-text definition of its own borrows the shipped
// one; with none at all, the path named by the extension is kept so that
// the failure names it.
TEST(DefaultDefinition, PlainTextFromTheShippedFolderOrNone) {
    Files dir;
    dir.Put("defs/c.hld", kDigitsHld);
    SetProgramFolder(TINTEXT_SOURCE_DIR);
    DefaultDefinition chosen = ChooseDefaultDefinition(dir.P("defs"), "x.rs");
    EXPECT_TRUE(chosen.plainText);
    EXPECT_EQ(chosen.path, kShippedFolder + "/txt.hld");
    SetProgramFolder(dir.P("nowhere"));
    chosen = ChooseDefaultDefinition(dir.P("defs"), "x.rs");
    EXPECT_FALSE(chosen.plainText);
    EXPECT_EQ(chosen.path, dir.P("defs/rs.hld"));
    SetProgramFolder("");
}

// Every definition of the library says what it serves, and the default
// choice agrees: each extension and file name a definition lists leads to
// it, and every link in the folder is listed by the file it leads to.
TEST(ShippedLanguages, DeclarationsMatchTheDefaultChoice) {
    const std::vector<Language> table = LanguageTable(kShippedFolder);
    ASSERT_GE(table.size(), 19u);
    std::map<std::string, std::string> claimedBy;  // extension or file name -> definition
    for (const Language& language : table) {
        SCOPED_TRACE(language.file);
        EXPECT_FALSE(language.names.empty()) << "no LANGUAGE line";
        EXPECT_FALSE(language.extensions.empty() && language.fileNames.empty()) << "no EXTENSIONS or FILENAMES line";
        const fs::path file = fs::canonical(language.file);
        auto expectChosen = [&](const std::string& input, const std::string& served) {
            const DefaultDefinition chosen = ChooseDefaultDefinition(kShippedFolder, input);
            EXPECT_FALSE(chosen.plainText) << input;
            EXPECT_TRUE(fs::exists(chosen.path) && fs::canonical(chosen.path) == file) << input << " -> " << chosen.path;
            const auto [at, added] = claimedBy.emplace(served, language.file);
            EXPECT_TRUE(added) << served << " is also served by " << at->second;
        };
        for (const std::string& extension : language.extensions) expectChosen("x." + extension, "." + extension);
        for (const std::string& name : language.fileNames) expectChosen("dir/" + name, name);
        // /lang names must lead to one definition each.
        for (const std::string& name : language.names) {
            const Language* found = FindLanguage(table, name);
            EXPECT_TRUE(found && found->file == language.file) << "\"" << name << "\" leads elsewhere";
        }
    }
    for (const auto& entry : fs::directory_iterator(kShippedFolder)) {
        if (!entry.is_symlink()) continue;
        const std::string name = entry.path().stem().string();
        const auto claimed = claimedBy.find(claimedBy.count(name) ? name : "." + name);
        EXPECT_TRUE(claimed != claimedBy.end() && fs::canonical(claimed->second) == fs::canonical(entry.path()))
            << entry.path().filename() << " is a link that its definition does not list";
        EXPECT_TRUE(fs::read_symlink(entry.path()).parent_path().empty()) << entry.path() << " leads out of the folder";
    }
}

}  // namespace
