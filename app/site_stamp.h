// What the pages of a run over a folder were made with, kept beside them in
// DEST/.tintext-stamp after a complete run: the options that shape every
// page, and the files of the tree that have pages (the links between pages
// depend on them). A page newer than its file and definition is up to date
// only when neither changed in a way that reaches it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tintext {

inline constexpr const char* kSiteStamp = ".tintext-stamp";

struct SiteStamp {
    std::string options;             // "name=value" lines
    std::vector<std::string> files;  // paths in the tree, sorted
};

// The stamp in `dest`; nothing when there is none or it is not one.
std::optional<SiteStamp> ReadSiteStamp(const std::string& dest);
// Puts the stamp in place whole; raises the file errors.
void WriteSiteStamp(const std::string& dest, const SiteStamp& stamp);
// Removes it, so that pages made while the stamp no longer holds are never
// vouched for by it; a stamp already gone is no failure.
void RemoveSiteStamp(const std::string& dest);

// Which of the pages up to date by their times a change of stamp makes out
// of date: all of them when the options differ or no stamp was read; when
// only the files differ, those whose source names (by its last part) a file
// that was added or removed, as only such a page can gain or lose a link.
class StaleTest {
public:
    StaleTest(const std::optional<SiteStamp>& before, const SiteStamp& now);
    // Whether the stamp changed at all (then it is written again).
    bool Changed() const { return changed_; }
    // Reads the source only when files were added or removed.
    bool Stale(const std::string& sourcePath) const;

private:
    bool changed_ = false;
    bool all_ = false;
    std::vector<std::string> names_;
};

}  // namespace tintext
