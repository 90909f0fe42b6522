#include "app/site_stamp.h"

#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <set>

#include "support/error.h"
#include "support/file_io.h"
#include "support/output_file.h"

namespace tintext {

namespace {

// The first line of a stamp; a format of another version is no stamp.
constexpr const char* kStampHeader = "tintext site stamp 1\n";

std::string PathOf(const std::string& dest) { return dest + "/" + kSiteStamp; }

// Empty when the file cannot be read: no stamp yet, or a source gone since
// the tree was walked (its page fails on its own).
std::string TextOrNothing(const std::string& path) {
    try {
        return ReadWholeFile(path, "Ostrand.System->ReadFile");
    } catch (const Error&) {
        return {};
    }
}

std::string LastPart(const std::string& path) { return path.substr(path.rfind('/') + 1); }

}  // namespace

// The options, then each file, each ended by a NUL: no path holds one.
std::optional<SiteStamp> ReadSiteStamp(const std::string& dest) {
    const std::string text = TextOrNothing(PathOf(dest));
    if (!text.starts_with(kStampHeader)) return std::nullopt;
    std::vector<std::string> parts;
    size_t start = std::string(kStampHeader).size();
    for (size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    if (parts.empty() || start != text.size()) return std::nullopt;  // cut short
    SiteStamp stamp{parts[0], {}};
    stamp.files.assign(std::make_move_iterator(parts.begin() + 1), std::make_move_iterator(parts.end()));
    return stamp;
}

void WriteSiteStamp(const std::string& dest, const SiteStamp& stamp) {
    std::string text = kStampHeader + stamp.options + '\0';
    for (const std::string& file : stamp.files) text += file + '\0';
    OutputFile file(PathOf(dest), "Ostrand.System->WriteFileFromString", Placement::Replace);
    file.Write(text);
    file.Commit();
}

void RemoveSiteStamp(const std::string& dest) { ::unlink(PathOf(dest).c_str()); }

StaleTest::StaleTest(const std::optional<SiteStamp>& before, const SiteStamp& now) {
    if (!before || before->options != now.options) {
        changed_ = all_ = true;
        return;
    }
    std::vector<std::string> added, removed;
    std::set_difference(now.files.begin(), now.files.end(), before->files.begin(), before->files.end(),
                        std::back_inserter(added));
    std::set_difference(before->files.begin(), before->files.end(), now.files.begin(), now.files.end(),
                        std::back_inserter(removed));
    std::set<std::string> names;
    for (const auto* list : {&added, &removed})
        for (const std::string& path : *list) names.insert(LastPart(path));
    names_.assign(names.begin(), names.end());
    changed_ = !names_.empty();
}

bool StaleTest::Stale(const std::string& sourcePath) const {
    if (all_) return true;
    if (names_.empty()) return false;
    const std::string text = TextOrNothing(sourcePath);
    return std::any_of(names_.begin(), names_.end(),
                       [&](const std::string& name) { return text.find(name) != std::string::npos; });
}

}  // namespace tintext
