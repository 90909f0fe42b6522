// The rule tree of a loaded syntax definition: sections in file order, each
// with its rules, header and footer texts per format key, and options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tintext {

// Insertion-ordered map from text keys (compared exactly, with case) to T.
template <class T>
class OrderedMap {
public:
    using Entry = std::pair<std::string, T>;

    // nullptr when the key is absent.
    const T* Find(const std::string& key) const {
        auto it = index_.find(key);
        return it == index_.end() ? nullptr : &entries_[it->second].second;
    }
    T* Find(const std::string& key) {
        auto it = index_.find(key);
        return it == index_.end() ? nullptr : &entries_[it->second].second;
    }
    // False (and nothing changes) when the key is already present. The key must
    // not refer into the value: in Add(x.name, std::move(x)) the move may come first.
    bool Add(std::string key, T value) {
        if (index_.count(key)) return false;
        index_.emplace(key, entries_.size());
        entries_.emplace_back(std::move(key), std::move(value));
        return true;
    }
    // The value under the key, inserted default-constructed at the end when absent.
    T& operator[](const std::string& key) {
        if (T* found = Find(key)) return *found;
        Add(key, T{});
        return entries_.back().second;
    }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const Entry& at(size_t position) const { return entries_.at(position); }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

private:
    std::vector<Entry> entries_;
    std::unordered_map<std::string, size_t> index_;
};

struct HldPattern {
    std::string pattern;  // the regular expression, as written
    int32_t line = 0;     // zero-based index of its PATTERN line
    std::string file;     // the definition's file name as passed to the loader
};

struct HldRule {
    std::vector<HldPattern> patterns;
    OrderedMap<std::string> formats;   // format key -> template ("HTML" is the one used)
    bool returns = false;              // end the section after this rule matched
    std::optional<std::string> enter;  // section to run nested after this rule matched
};

struct HldSection {
    std::string name;
    std::vector<HldRule> rules;
    OrderedMap<std::vector<std::string>> header;  // format key -> texts in file order
    OrderedMap<std::vector<std::string>> footer;
    bool ignoreCase = true;
    // Stored as loaded; a loaded section always runs its patterns with
    // MultiLine off (a Boolean never reads as the text "0").
    bool multiLine = true;
    // INCLUDE lines: a language's name, extension or file name (folded as
    // FoldLanguageName does) -> the first section of the definition taken in
    // for it. Entered by a match whose first group names one of them, the
    // section runs that definition on its text up to where a match of one of
    // its own returning rules begins.
    OrderedMap<std::string> includes;
};

// An ENTER line as written: a rule keeps only its last one, and the formatter
// finds a missing section only when it gets there; the check tells each.
struct HldEnterLine {
    int32_t line = 0;    // zero-based index of the line
    std::string target;  // the section it names
};

struct HldTree {
    OrderedMap<HldSection> sections;  // in the order of their header lines
    std::vector<HldEnterLine> enterLines;  // in file order
    // A PAGE=themes line: the program writes the page (or the fragment)
    // around the output, with its themes' stylesheet. Without it the
    // definition's own headers and footers are the whole page.
    bool page = false;
    // The first name of a LANGUAGE=name, other names line: the title of a
    // page read from standard input.
    std::string language;
    // Blanks in matched text are written as blanks, not "&nbsp;": so with
    // PAGE=themes, and as a BLANKS=plain or BLANKS=nbsp line says.
    bool plainBlanks = false;
    // The definitions its INCLUDE lines took in, at any depth, as found.
    std::vector<std::string> includedFiles;
};

// The format key the formatter reads.
inline constexpr const char* kHtmlFormatKey = "HTML";

}  // namespace tintext
