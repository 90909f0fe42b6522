#include "app/settings.h"

#include <optional>
#include <vector>

#include "support/conversions.h"
#include "support/program_info.h"
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

std::string DialogSettingPath(const std::string& key) {
    return SettingPath(kCompanyName, kProgramTitle, kSettingsSection, key);
}

// A stored value as setting text: the default when absent (a present empty value is not absent).
std::string SettingText(Value value, const std::string& defaultValue) {
    if (value.IsNull() || value.IsEmpty()) value = Value(defaultValue);
    return SafeCStr(value);
}

// A check box state: a whole number 0 (clear), 1 (ticked) or 2 (greyed);
// anything else stored there gives the default.
int32_t CheckState(const Value& stored, int32_t defaultState) {
    std::optional<double> number = ParseNumericText(SettingText(stored, std::to_string(defaultState)));
    if (!number) return defaultState;
    double state = RoundHalfEven(*number);
    return state == 0 || state == 1 || state == 2 ? static_cast<int32_t>(state) : defaultState;
}

}  // namespace

std::string ReadSetting(const std::string& company, const std::string& product, const std::string& section,
                        const std::string& key, const std::string& defaultValue) {
    return SettingText(System().RegRead(SettingPath(company, product, section, key)), defaultValue);
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
    // One reading of the store for all of them.
    const char* names[] = {"InputFile", "OutputFile", "HLDFile", "ShowOutput",    "UseDefaultHLD",
                           "InputDir",  "OutputDir",  "HLDDir",  "CodePage",      "Theme",
                           "LineNumbers", "Fragment"};
    std::vector<std::string> paths;
    for (const char* name : names) paths.push_back(DialogSettingPath(name));
    const std::vector<Value> stored = System().RegReadValues(paths);
    DialogSettings s;
    s.inputFile = SettingText(stored[0], programFolder + "/Examples/asp-ex1.asp");
    s.outputFile = SettingText(stored[1], programFolder + "/output.htm");
    s.hldFile = SettingText(stored[2], "");
    s.showOutput = CheckState(stored[3], 1);
    s.useDefaultHld = CheckState(stored[4], 1);
    s.inputDir = SettingText(stored[5], startFolder);
    s.outputDir = SettingText(stored[6], startFolder);
    s.hldDir = SettingText(stored[7], startFolder);
    s.codePage = SettingText(stored[8], "");
    s.theme = SettingText(stored[9], kDefaultTheme);
    s.lineNumbers = CheckState(stored[10], 0);
    s.fragment = CheckState(stored[11], 0);
    return s;
}

void SaveDialogSettings(const DialogSettings& s) {
    // One locked write at most, none when the store already holds these values.
    // A value that cannot be stored keeps its previous content; nothing to tell the user.
    System().RegWriteValues({
        {DialogSettingPath("InputFile"), Value(s.inputFile)},
        {DialogSettingPath("OutputFile"), Value(s.outputFile)},
        {DialogSettingPath("ShowOutput"), Value(std::to_string(s.showOutput))},
        {DialogSettingPath("InputDir"), Value(s.inputDir)},
        {DialogSettingPath("OutputDir"), Value(s.outputDir)},
        {DialogSettingPath("HLDDir"), Value(s.hldDir)},
        {DialogSettingPath("UseDefaultHLD"), Value(std::to_string(s.useDefaultHld))},
        {DialogSettingPath("HLDFile"), Value(s.hldFile)},
        {DialogSettingPath("CodePage"), Value(s.codePage)},
        {DialogSettingPath("Theme"), Value(s.theme)},
        {DialogSettingPath("LineNumbers"), Value(std::to_string(s.lineNumbers))},
        {DialogSettingPath("Fragment"), Value(std::to_string(s.fragment))},
    });
}

int32_t ReadShowOnce(const std::string& id) {
    return SafeCLng(Value(ReadSetting(kCompanyName, kProgramTitle, kShowOnceSection, id, "0")));
}

void WriteShowOnce(const std::string& id, int32_t value) {
    WriteSetting(kCompanyName, kProgramTitle, kShowOnceSection, id, std::to_string(value));
}

}  // namespace tintext
