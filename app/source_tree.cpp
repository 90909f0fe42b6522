#include "app/source_tree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <utility>

namespace tintext {

namespace {

// One character of a [...] set at pattern[i] (i after the "["); the index
// after the "]", or npos when the set is not closed (then "[" is literal).
size_t MatchSet(std::string_view pattern, size_t i, char c, bool& matched) {
    bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
    if (negated) ++i;
    bool found = false;
    for (size_t first = i; i < pattern.size(); ++i) {
        if (pattern[i] == ']' && i > first) {
            matched = found != negated && c != '/';
            return i + 1;
        }
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
            found = found || (c >= pattern[i] && c <= pattern[i + 2]);
            i += 2;
        } else {
            found = found || c == pattern[i];
        }
    }
    return std::string_view::npos;
}

std::string_view LastPart(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// One line of a .gitignore, for the paths below the folder that holds it.
struct IgnoreRule {
    std::string base;  // that folder, relative to the root ("" or "a/b/")
    std::string pattern;
    bool negated = false;
    bool foldersOnly = false;
    bool anchored = false;  // holds a "/" other than at its end: matched from the base
};

std::vector<IgnoreRule> ReadIgnoreFile(const std::string& file, const std::string& base) {
    std::vector<IgnoreRule> rules;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        while (!line.empty() && line.back() == ' ' && (line.size() < 2 || line[line.size() - 2] != '\\')) line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        IgnoreRule rule;
        rule.base = base;
        if (line[0] == '!') {
            rule.negated = true;
            line.erase(0, 1);
        } else if (line.starts_with("\\!") || line.starts_with("\\#")) {
            line.erase(0, 1);
        }
        if (line.ends_with("/")) {
            rule.foldersOnly = true;
            line.pop_back();
        }
        rule.anchored = line.find('/') != std::string::npos;
        if (line.starts_with("/")) line.erase(0, 1);
        if (line.empty()) continue;
        rule.pattern = line;
        rules.push_back(std::move(rule));
    }
    return rules;
}

bool Ignored(const std::vector<IgnoreRule>& rules, const std::string& relative, bool folder) {
    bool ignored = false;
    for (const IgnoreRule& rule : rules) {
        if (rule.foldersOnly && !folder) continue;
        if (!relative.starts_with(rule.base)) continue;
        const std::string_view below = std::string_view(relative).substr(rule.base.size());
        if (GlobMatches(rule.pattern, rule.anchored ? below : LastPart(below))) ignored = !rule.negated;
    }
    return ignored;
}

bool AnyMatches(const std::vector<std::string>& patterns, const std::string& relative) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& pattern) { return TreePatternMatches(pattern, relative); });
}

// The include patterns that name hidden files: those whose last part is
// written with the leading dot (".htaccess", "**/.*"). As in a shell, "*"
// alone does not reach them.
std::vector<std::string> HiddenFilePatterns(const std::vector<std::string>& include) {
    std::vector<std::string> patterns;
    for (const std::string& pattern : include)
        if (LastPart(pattern).starts_with(".")) patterns.push_back(pattern);
    return patterns;
}

class Walker {
public:
    Walker(const std::string& root, const TreeFilter& filter)
        : root_(root), filter_(filter), hiddenIncludes_(HiddenFilePatterns(filter.include)) {}

    SourceTree Walk() {
        struct stat st {};
        if (::stat(root_.c_str(), &st) == 0) visited_.insert({st.st_dev, st.st_ino});
        std::vector<IgnoreRule> rules;
        Folder("", rules);
        return std::move(tree_);
    }

private:
    const std::string root_;
    const TreeFilter& filter_;
    const std::vector<std::string> hiddenIncludes_;
    SourceTree tree_;
    std::set<std::pair<dev_t, ino_t>> visited_;

    std::string PathOf(const std::string& relative) const { return relative.empty() ? root_ : root_ + "/" + relative; }

    // relative: "" for the root, else "a/b"; rules: those of the folders above.
    void Folder(const std::string& relative, std::vector<IgnoreRule> rules) {
        const std::string path = PathOf(relative);
        const std::string base = relative.empty() ? "" : relative + "/";
        for (IgnoreRule& rule : ReadIgnoreFile(path + "/.gitignore", base)) rules.push_back(std::move(rule));
        DIR* dir = ::opendir(path.c_str());
        if (!dir) {
            tree_.problems.push_back("the folder " + path + " cannot be read: " + std::strerror(errno));
            return;
        }
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) Entry(base + name, name, rules);
    }

    void Entry(const std::string& relative, const std::string& name, const std::vector<IgnoreRule>& rules) {
        const std::string path = PathOf(relative);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            struct stat link {};
            if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) return;  // a dangling link
            tree_.problems.push_back(path + " cannot be read: " + std::strerror(errno));
            return;
        }
        if (S_ISDIR(st.st_mode)) {
            if (name.starts_with(".")) return;
            if (st.st_dev == filter_.skipDevice && st.st_ino == filter_.skipInode) return;
            if (Ignored(rules, relative, true)) return;
            if (AnyMatches(filter_.exclude, relative) || AnyMatches(filter_.exclude, relative + "/")) return;
            if (!visited_.insert({st.st_dev, st.st_ino}).second) {
                tree_.problems.push_back("the folder " + path + " was reached before (a symbolic link loop, or a "
                                         "second link to it); it is not followed again");
                return;
            }
            Folder(relative, rules);
            return;
        }
        if (!S_ISREG(st.st_mode)) return;  // FIFOs, devices and sockets are no source files
        if (Ignored(rules, relative, false) || AnyMatches(filter_.exclude, relative)) return;
        // Hidden files (.htaccess, .gitignore) are left out as hidden folders
        // are, unless an include names them.
        if (name.starts_with(".") ? !AnyMatches(hiddenIncludes_, relative)
                                  : !filter_.include.empty() && !AnyMatches(filter_.include, relative))
            return;
        tree_.files.push_back({relative, path, static_cast<uint64_t>(st.st_size), st.st_mtim});
    }
};

}  // namespace

bool GlobMatches(std::string_view pattern, std::string_view path) {
    size_t p = 0, s = 0;
    while (p < pattern.size()) {
        const char c = pattern[p];
        if (c == '*') {
            const bool any = p + 1 < pattern.size() && pattern[p + 1] == '*';
            size_t rest = p + (any ? 2 : 1);
            while (rest < pattern.size() && pattern[rest] == '*') ++rest;
            if (any && rest < pattern.size() && pattern[rest] == '/') {
                // "**/": no folder part at all, or up to any "/" of the path.
                if (GlobMatches(pattern.substr(rest + 1), path.substr(s))) return true;
                for (size_t i = s; i < path.size(); ++i)
                    if (path[i] == '/' && GlobMatches(pattern.substr(rest + 1), path.substr(i + 1))) return true;
                return false;
            }
            for (size_t i = s; i <= path.size(); ++i) {
                if (GlobMatches(pattern.substr(rest), path.substr(i))) return true;
                if (i < path.size() && path[i] == '/' && !any) return false;
            }
            return false;
        }
        if (s >= path.size()) return false;
        if (c == '?') {
            if (path[s] == '/') return false;
        } else if (c == '[') {
            bool matched = false;
            const size_t after = MatchSet(pattern, p + 1, path[s], matched);
            if (after != std::string_view::npos) {
                if (!matched) return false;
                p = after;
                ++s;
                continue;
            }
            if (path[s] != '[') return false;
        } else if (c == '\\' && p + 1 < pattern.size()) {
            if (path[s] != pattern[++p]) return false;
        } else if (path[s] != c) {
            return false;
        }
        ++p;
        ++s;
    }
    return s == path.size();
}

bool TreePatternMatches(std::string_view pattern, std::string_view relativePath) {
    if (pattern.starts_with("/")) pattern.remove_prefix(1);
    const bool whole = pattern.find('/') != std::string_view::npos;
    return GlobMatches(pattern, whole ? relativePath : LastPart(relativePath));
}

SourceTree WalkSourceTree(const std::string& root, const TreeFilter& filter) { return Walker(root, filter).Walk(); }

}  // namespace tintext
