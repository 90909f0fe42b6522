#include "app/settings.h"

#include <optional>

#include "support/conversions.h"
#include "support/environment.h"
#include "support/system.h"
#include "support/user_folders.h"

namespace tintext {

namespace {

constexpr const char* kSettingsSection = "Settings";
constexpr const char* kShowOnceSection = "ShowOnce";

std::string SettingPath(const std::string& company, const std::string& product, const std::string& section,
                        const std::string& key) {
    return "HKEY_CURRENT_USER\\Software\\" + company + "\\" + product + "\\" + section + "\\" + key;
}

std::string ReadDialogSetting(const std::string& key, const std::string& defaultValue) {
    return ReadSetting(kCompanyName, kProgramTitle, kSettingsSection, key, defaultValue);
}

void WriteDialogSetting(const std::string& key, const std::string& value) {
    WriteSetting(kCompanyName, kProgramTitle, kSettingsSection, key, value);
}

// A check box state: a whole number 0 (clear), 1 (ticked) or 2 (greyed);
// anything else stored there gives the default.
int32_t ReadCheckState(const std::string& key, int32_t defaultState) {
    std::optional<double> number = ParseNumericText(ReadDialogSetting(key, std::to_string(defaultState)));
    if (!number) return defaultState;
    double state = RoundHalfEven(*number);
    return state == 0 || state == 1 || state == 2 ? static_cast<int32_t>(state) : defaultState;
}

}  // namespace

std::string ReadSetting(const std::string& company, const std::string& product, const std::string& section,
                        const std::string& key, const std::string& defaultValue) {
    System system;
    Value value = system.RegRead(SettingPath(company, product, section, key));
    if (value.IsNull() || value.IsEmpty()) value = Value(defaultValue);
    return SafeCStr(value);
}

void WriteSetting(const std::string& company, const std::string& product, const std::string& section,
                  const std::string& key, const std::string& value) {
    // A value that cannot be stored keeps its previous content; nothing to tell the user.
    System system;
    system.RegWrite(SettingPath(company, product, section, key), Value(value));
}

DialogSettings LoadDialogSettings() {
    const std::string programFolder = ProgramFolder();
    // The remembered Browse folders start at the user's home folder: it is
    // where a user of this system expects a file dialog to begin, and the
    // root of the file system (what a drive root stood for) rarely holds
    // the user's files.
    const std::string startFolder = HomeFolder();
    DialogSettings s;
    s.inputFile = ReadDialogSetting("InputFile", programFolder + "/Examples/asp-ex1.asp");
    s.outputFile = ReadDialogSetting("OutputFile", programFolder + "/output.htm");
    s.hldFile = ReadDialogSetting("HLDFile", "");
    s.showOutput = ReadCheckState("ShowOutput", 1);
    s.useDefaultHld = ReadCheckState("UseDefaultHLD", 1);
    s.inputDir = ReadDialogSetting("InputDir", startFolder);
    s.outputDir = ReadDialogSetting("OutputDir", startFolder);
    s.hldDir = ReadDialogSetting("HLDDir", startFolder);
    return s;
}

void SaveDialogSettings(const DialogSettings& s) {
    WriteDialogSetting("InputFile", s.inputFile);
    WriteDialogSetting("OutputFile", s.outputFile);
    WriteDialogSetting("ShowOutput", std::to_string(s.showOutput));
    WriteDialogSetting("InputDir", s.inputDir);
    WriteDialogSetting("OutputDir", s.outputDir);
    WriteDialogSetting("HLDDir", s.hldDir);
    WriteDialogSetting("UseDefaultHLD", std::to_string(s.useDefaultHld));
    WriteDialogSetting("HLDFile", s.hldFile);
}

int32_t ReadShowOnce(const std::string& id) {
    return SafeCLng(Value(ReadSetting(kCompanyName, kProgramTitle, kShowOnceSection, id, "0")));
}

void WriteShowOnce(const std::string& id, int32_t value) {
    WriteSetting(kCompanyName, kProgramTitle, kShowOnceSection, id, std::to_string(value));
}

}  // namespace tintext
