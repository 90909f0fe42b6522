#include "app/settings.h"

#include "test_prelude.h"

#include "scoped_variable.h"
#include "support/program_info.h"
#include "support/system.h"

namespace {

const std::string kSettingsKey = "HKEY_CURRENT_USER\\Software\\Tintext Project\\Tintext\\Settings\\";

class Settings : public ::testing::Test {
protected:
    void SetUp() override { SetProgramFolder("/opt/tintext"); }
    void TearDown() override { SetProgramFolder(""); }
    std::string StoreText() const { return tintext::testing::ReadBytes(folder_ + "/HKEY_CURRENT_USER.reg"); }

    tintext::testing::TempFolder temp_;
    std::string folder_ = temp_.path();
    tintext::testing::ScopedVariable store_{"TINTEXT_REGISTRY_DIR", folder_};
    tintext::testing::ScopedVariable home_{"HOME", "/home/tester"};
    System sys_;
};

// Every field, in the order of DialogSettings, separated by "|".
std::string Described(const DialogSettings& s) {
    std::string text;
    for (const std::string& field : {s.inputFile, s.outputFile, s.hldFile, std::to_string(s.showOutput),
                                     std::to_string(s.useDefaultHld), s.inputDir, s.outputDir, s.hldDir, s.codePage,
                                     s.theme, std::to_string(s.lineNumbers), std::to_string(s.fragment)})
        text += (text.empty() ? "" : "|") + field;
    return text;
}

TEST_F(Settings, FreshStoreGivesDefaultsAndWritesNothing) {
    EXPECT_EQ(Described(LoadDialogSettings()),
              "/opt/tintext/Examples/asp-ex1.asp|/opt/tintext/output.htm||1|1|/home/tester|/home/tester|/home/tester||auto|0|0");
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/HKEY_CURRENT_USER.reg"));
}

TEST_F(Settings, SavedValuesComeBackAtTheNextLoad) {
    const DialogSettings s{"/in.asp", "/tmp/new output.htm", "vb.hld", 0, 2, "/in", "/out", "/srv/hld", "gbk",
                           "high-contrast", 1, 1};
    SaveDialogSettings(s);
    EXPECT_EQ(Described(LoadDialogSettings()), Described(s));
}

// A run that changes no setting leaves the store file untouched; one that
// changes some writes all eight once.
TEST_F(Settings, SavingUnchangedSettingsWritesNothing) {
    SaveDialogSettings(LoadDialogSettings());
    const std::string first = StoreText();
    std::filesystem::remove(folder_ + "/HKEY_CURRENT_USER.reg.lock");
    SaveDialogSettings(LoadDialogSettings());
    EXPECT_EQ(StoreText(), first);
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/HKEY_CURRENT_USER.reg.lock"));

    DialogSettings s = LoadDialogSettings();
    s.hldFile = "py.hld";
    SaveDialogSettings(s);
    EXPECT_TRUE(std::filesystem::exists(folder_ + "/HKEY_CURRENT_USER.reg.lock"));
    EXPECT_EQ(LoadDialogSettings().hldFile, "py.hld");
    EXPECT_EQ(LoadDialogSettings().inputFile, "/opt/tintext/Examples/asp-ex1.asp");
}

TEST_F(Settings, PresentButEmptyIsNotAbsent) {
    WriteSetting(kCompanyName, kProgramTitle, "Settings", "InputDir", "");
    EXPECT_EQ(LoadDialogSettings().inputDir, "");
    EXPECT_EQ(ReadSetting(kCompanyName, kProgramTitle, "Settings", "InputDir", "default"), "");
    EXPECT_EQ(ReadSetting(kCompanyName, kProgramTitle, "Settings", "Absent", "default"), "default");
}

TEST_F(Settings, StoredNumbersReadAsText) {
    ASSERT_TRUE(sys_.RegWrite(kSettingsKey + "Count", Value(int32_t{5})));
    EXPECT_EQ(ReadSetting(kCompanyName, kProgramTitle, "Settings", "Count", "0"), "5");
}

// Check boxes read 0 to 2; anything else gives the default: ticked for
// ShowOutput and UseDefaultHLD, clear for the page choices.
TEST_F(Settings, CheckBoxStatesOutsideZeroToTwoGiveTheDefault) {
    for (const tintext::testing::Row& row : tintext::testing::ReadRows("check_box_settings.tsv")) {
        for (const char* name : {"ShowOutput", "UseDefaultHLD", "LineNumbers", "Fragment"})
            WriteSetting(kCompanyName, kProgramTitle, "Settings", name, row[0]);
        const DialogSettings s = LoadDialogSettings();
        EXPECT_EQ(std::to_string(s.showOutput) + std::to_string(s.useDefaultHld), row[1]) << row.where;
        EXPECT_EQ(std::to_string(s.lineNumbers) + std::to_string(s.fragment), row[2]) << row.where;
    }
}

}  // namespace
