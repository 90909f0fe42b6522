// The files of a source tree that a run over a folder converts: the walk,
// with hidden folders and files (a file unless an include names it),
// .gitignore'd paths and the user's include and exclude patterns left out,
// and symbolic links to folders followed once.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace tintext {

// Whether `path` (folder parts separated by "/") matches the glob `pattern`
// as a whole: * and ? stand for characters other than "/", ** for any
// characters, "**/" for any number of whole folder parts, [a-z] and [!a-z]
// for one character of (or not of) a set, and \ takes the next character
// as it stands.
bool GlobMatches(std::string_view pattern, std::string_view path);

// A user's include or exclude pattern against a path in the tree: a pattern
// without "/" is matched against the last part alone, at any depth; one
// with "/" against the whole path (a leading "/" is dropped).
bool TreePatternMatches(std::string_view pattern, std::string_view relativePath);

struct TreeFile {
    std::string relative;  // from the tree's root, parts separated by "/"
    std::string path;      // the root joined with `relative`
    uint64_t size = 0;
    struct timespec modified {};
};

struct TreeFilter {
    std::vector<std::string> include;  // empty: every file but hidden ones
    std::vector<std::string> exclude;
    // A folder never entered (the run's own output inside the tree), by
    // device and inode; 0 and 0 when none.
    dev_t skipDevice = 0;
    ino_t skipInode = 0;
};

struct SourceTree {
    std::vector<TreeFile> files;  // in the order of the walk
    // Folders that could not be read, links followed already: each a whole message.
    std::vector<std::string> problems;
};

SourceTree WalkSourceTree(const std::string& root, const TreeFilter& filter);

}  // namespace tintext
