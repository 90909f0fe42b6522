// The per-user settings store: values below
// HKEY_CURRENT_USER\Software\<company>\Tintext\<section>\<key>.
#pragma once

#include <cstdint>
#include <string>

#include "engine/theme.h"

namespace tintext {

// Reads one value; the default when it is absent (a present empty value is not absent).
std::string ReadSetting(const std::string& company, const std::string& product, const std::string& section,
                        const std::string& key, const std::string& defaultValue);
void WriteSetting(const std::string& company, const std::string& product, const std::string& section,
                  const std::string& key, const std::string& value);

// The values of section "Settings" that the main dialog shows and the batch
// run writes back: the files, folders and check boxes, the input's code page
// and the dialog's page choices.
struct DialogSettings {
    std::string inputFile;
    std::string outputFile;
    std::string hldFile;
    int32_t showOutput = 1;     // check box state 0, 1 or 2
    int32_t useDefaultHld = 1;  // check box state 0, 1 or 2
    std::string inputDir;
    std::string outputDir;
    std::string hldDir;
    // The input's code page as stored ("936", "gbk"); empty or "auto": found
    // from each input. KnownCodePages() lists what a choice offers.
    std::string codePage;
    // The page choices of the main dialog, as /theme, /linenumbers and
    // /fragment take them. Command-line runs do not use them: a script's
    // output must not depend on what was last picked in the dialog.
    std::string theme = kDefaultTheme;
    int32_t lineNumbers = 0;  // check box state 0, 1 or 2
    int32_t fragment = 0;     // check box state 0, 1 or 2
};

// Reads the values in their loading order, with defaults formed from the program folder.
DialogSettings LoadDialogSettings();
// Writes them all in their saving order.
void SaveDialogSettings(const DialogSettings& settings);

// The notice dialog's choice for a notice id ("Feedback", "Support") in
// section "ShowOnce": 1 hide in future, -1 confirmed with the box clear,
// 0 when absent.
int32_t ReadShowOnce(const std::string& id);
void WriteShowOnce(const std::string& id, int32_t value);

}  // namespace tintext
