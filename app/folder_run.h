// A run over a folder: every file of the tree that a definition serves is
// converted into DEST/<path in the tree>.htm, on several threads, largest
// files first, skipping pages that are up to date; DEST/index.html lists
// them, and the pages share the stylesheet DEST/tintext.css.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/batch_run.h"
#include "engine/page.h"

namespace tintext {

class ConsoleEnvironment;
class JobEnvironment;

struct FolderRunOptions {
    std::string source;  // the tree's root
    std::string dest;    // the folder of the pages
    std::vector<std::string> include, exclude;
    unsigned jobs = 0;   // 0: the number of online processors
    bool force = false;  // convert up-to-date pages again
    bool all = false;    // files no definition serves too, as plain text
    std::string hldfile;    // the definition for every file (/hld, /lang); empty: each file's own
    std::string hldfolder;  // empty: the shipped folder
    int32_t overwritemode = 0;
    int32_t dostext = 0;
    CodePageChoice codePage;
    PageOptions page;
    std::string themesFolder;  // where the page's theme is read, for the shared stylesheet
};

// The page of a file of the tree: DEST/<relative>.htm.
std::string PagePathFor(const std::string& dest, const std::string& relative);

// Runs the conversion and returns the exit status: 0 every page written or
// up to date, 1 some not written (failed, kept, or a folder unreadable), 2 a
// usage error (no DEST, DEST is SRC or inside it and not excluded), 3
// cancelled. Failures are told through `environment`, each naming its file;
// the progress bar and the summary line go to the console when there is one
// (nullptr under the dialogs, which get the failures in one message at the end).
int RunFolder(const FolderRunOptions& options, JobEnvironment& environment, ConsoleEnvironment* console);

// Whether `path` names a folder (following links).
bool IsFolder(const std::string& path);

}  // namespace tintext
