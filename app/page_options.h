// The command-line options that shape the page around the output: theme,
// css, fragment, inline, linenumbers, highlight and wrap.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "engine/page.h"
#include "support/dictionary.h"

namespace tintext {

// "3,10-12" as line ranges; on a malformed list, nothing, and `error` names
// the bad item.
std::optional<std::vector<LineRange>> ParseLineRanges(const std::string& text, std::string& error);

// The page options of a command line. The themes are those of `themesFolder`.
// On a usage error (an unknown theme, a malformed highlight list, options
// that cannot go together), nothing, and `error` says what is wrong.
std::optional<PageOptions> ReadPageOptions(const Dictionary& parameters, const std::string& themesFolder,
                                           std::string& error);

// The themes that a run's definition will use: beside a definition named
// with its folder, beside the definitions of `hldFolder`, or the shipped ones.
std::string ThemesFolderOfRun(const std::string& definition, const std::string& hldFolder);

// The main dialog's page choices (theme, line numbers, fragment), read as
// ReadPageOptions reads the same options from a command line.
std::optional<PageOptions> PageOptionsOfDialog(const DialogSettings& settings, const std::string& themesFolder,
                                               std::string& error);

}  // namespace tintext
