#include "engine/hld_loader.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "engine/job.h"
#include "engine/language_table.h"
#include "support/ascii_text.h"
#include "support/conversions.h"
#include "support/error.h"
#include "support/system.h"

namespace tintext {

namespace {

enum class LineKind {
    Blank, Section, Pattern, Format, Enter, Return, Header, Footer, Comment, IgnoreCase, MultiLine, Page, BlanksKey, Language, Include, Other
};

// A definition-level key line: the keyword alone before the "=". Lines that
// merely begin with the word stay unrecognised, as they always were.
bool IsKeyLine(const std::string& line, const char* keyword) {
    const size_t equals = line.find('=');
    return equals != std::string::npos && EqualsIgnoreCase(TrimBlanks(std::string_view(line).substr(0, equals)), keyword);
}

// The kinds of line, tested in this order; the first that holds decides.
LineKind KindOf(const std::string& line) {
    static const struct {
        const char* keyword;
        LineKind kind;
    } keywords[] = {
        {"PATTERN", LineKind::Pattern}, {"FORMAT", LineKind::Format}, {"ENTER", LineKind::Enter},
        {"RETURN", LineKind::Return},   {"HEADER", LineKind::Header}, {"FOOTER", LineKind::Footer},
    };
    if (line.empty()) return LineKind::Blank;
    if (line[0] == '[') return LineKind::Section;
    for (const auto& k : keywords)
        if (StartsWithIgnoreCase(line, k.keyword)) return k.kind;
    if (line[0] == '\'' || line[0] == '#') return LineKind::Comment;
    if (StartsWithIgnoreCase(line, "IGNORECASE")) return LineKind::IgnoreCase;
    if (StartsWithIgnoreCase(line, "MULTILINE")) return LineKind::MultiLine;
    if (IsKeyLine(line, "PAGE")) return LineKind::Page;
    if (IsKeyLine(line, "BLANKS")) return LineKind::BlanksKey;
    if (IsKeyLine(line, "LANGUAGE")) return LineKind::Language;
    if (IsKeyLine(line, "INCLUDE")) return LineKind::Include;
    return LineKind::Other;
}

// The words of a value, split at blanks and tabs.
std::vector<std::string> Words(const std::string& value) {
    std::vector<std::string> words;
    for (size_t start = 0; (start = value.find_first_not_of(" \t", start)) != std::string::npos;) {
        const size_t end = std::min(value.find_first_of(" \t", start), value.size());
        words.push_back(value.substr(start, end - start));
        start = end;
    }
    return words;
}

// Byte length of the UTF-8 character that starts at text[pos].
size_t CharLength(std::string_view text, size_t pos) {
    size_t end = pos + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    return end - pos;
}

// Byte position where the last character of text begins.
size_t LastCharStart(std::string_view text) {
    size_t pos = text.size() - 1;
    while (pos > 0 && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) --pos;
    return pos;
}

// Definitions taken in (INCLUDE) by a chain deeper than this are refused: a
// chain without a cycle is this long only by mistake.
constexpr size_t kMaxIncludeDepth = 16;

// What the loads of one definition and of those it takes in share: the
// sections taken in so far, under their final names, and the chain of files
// under way, to refuse a cycle.
struct IncludeContext {
    OrderedMap<HldSection> sections;
    std::unordered_map<std::string, std::string> firstOf;  // prefix -> the final name of its first section
    std::vector<std::string> files;                        // resolved paths, as taken in
    std::vector<std::string> chain;                        // canonical paths being loaded, outermost first
};

struct PendingInclude {
    size_t section;  // index into the loader's sections
    std::vector<std::string> keys;
    size_t nameCount;  // the keys that are the language's names
    std::string first;
};

// Sections taken in from x.hld are named "x.hld:Name", apart from the
// including definition's own.
std::string IncludedName(const std::string& prefix, const std::string& name) { return prefix + ":" + name; }

// Builds the tree line by line. Sections live in a deque until the end, so the
// current rule stays addressable after its section has been closed: a FORMAT,
// ENTER or RETURN line after the next section header still changes it.
class Loader {
public:
    Loader(const std::string& fileName, IncludeContext& context) : fileName_(fileName), context_(context) {
        sections_.emplace_back();
    }

    void Lines(const std::string& fileText) {
        const std::string text = ReplaceAll(fileText, "\r\n", "\n");
        const std::string_view view(text);
        int32_t index = 0;
        for (size_t start = 0; start < view.size(); ++index) {
            size_t end = view.find('\n', start);
            if (end == std::string_view::npos) end = view.size();
            Line(view.substr(start, end - start), index);
            start = end + 1;
        }
    }

    void Line(std::string_view raw, int32_t index) {
        const std::string line = TrimBlanks(raw);
        const LineKind kind = KindOf(line);
        switch (kind) {
            case LineKind::Blank:
            case LineKind::Comment:
            case LineKind::Other:
                return;  // the pattern run goes on
            case LineKind::Section:
                patternRun_ = false;
                OpenSection(line, index);
                return;
            case LineKind::Pattern:
                AddPattern(line, index);
                return;
            case LineKind::Page:  // belongs to the whole definition, wherever it stands
                PageValue(GetValuePart(line), index);
                page_ = true;
                return;
            case LineKind::Language: {  // "Visual Basic, VB": the first name
                const std::string names = GetValuePart(line);
                language_ = TrimBlanks(std::string_view(names).substr(0, names.find(',')));
                return;
            }
            case LineKind::BlanksKey:
                blanks_ = PlainBlanks(GetValuePart(line), index);
                return;
            default:
                break;
        }
        patternRun_ = false;
        HldSection& section = sections_.back();
        switch (kind) {
            case LineKind::Format: CurrentRule("FORMAT", index).formats[GetKeyPart(line)] = GetValuePart(line); break;
            case LineKind::Enter:
                CurrentRule("ENTER", index).enter = GetValuePart(line);
                enterLines_.push_back({index, GetValuePart(line)});
                break;
            case LineKind::Return: CurrentRule("RETURN", index).returns = true; break;
            case LineKind::Header: section.header[GetKeyPart(line)].push_back(GetValuePart(line)); break;
            case LineKind::Footer: section.footer[GetKeyPart(line)].push_back(GetValuePart(line)); break;
            case LineKind::Include: {
                const std::vector<std::string> files = Words(GetValuePart(line));
                if (files.empty())
                    throw Error(err::InvalidArgument, kProgramSource, "INCLUDE names no definition file" + Where(index));
                for (const std::string& file : files) Include(file, index);
                break;
            }
            case LineKind::IgnoreCase: section.ignoreCase = SafeCBool(Value(GetValuePart(line))); break;
            case LineKind::MultiLine: section.multiLine = SafeCBool(Value(GetValuePart(line))); break;
            default: break;
        }
    }

    // The tree of the definition loaded first: its own sections, then those taken in.
    HldTree Finish() {
        CloseSection();
        FinishIncludes();
        HldTree tree;
        tree.page = page_;
        tree.language = language_;
        tree.plainBlanks = blanks_.value_or(page_);
        tree.enterLines = std::move(enterLines_);
        for (HldSection& section : sections_) {
            if (section.name.empty()) continue;
            std::string name = section.name;  // the section itself moves
            tree.sections.Add(name, std::move(section));
        }
        for (size_t k = 0; k < context_.sections.size(); ++k) {
            const std::string name = context_.sections.at(k).first;
            if (!tree.sections.Add(name, std::move(*context_.sections.Find(name))))
                throw Error(err::DuplicateKey, kProgramSource,
                            "Section \"" + name + "\" defined twice, in " + fileName_ + " and taken in.");
        }
        tree.includedFiles = context_.files;
        return tree;
    }

    // A definition taken in: its sections join the context as "prefix:Name",
    // ENTER lines renamed alike; the name of its first section is returned.
    std::string FinishIncluded(const std::string& prefix) {
        CloseSection();
        FinishIncludes();
        std::string first;
        for (HldSection& section : sections_) {
            if (section.name.empty()) continue;
            for (HldRule& rule : section.rules)
                if (rule.enter && !rule.enter->empty()) rule.enter = IncludedName(prefix, *rule.enter);
            section.name = IncludedName(prefix, section.name);
            if (first.empty()) first = section.name;
            std::string name = section.name;
            context_.sections.Add(name, std::move(section));
        }
        return first;
    }

private:
    std::string Where(int32_t index) const { return " in " + fileName_ + ", line " + std::to_string(index + 1) + "."; }

    void OpenSection(const std::string& line, int32_t index) {
        // The name runs from the second character to the last but one.
        CloseSection();
        if (line.size() == 1) {
            throw Error(err::InvalidArgument, kProgramSource, "Section header \"[\" without a name" + Where(index));
        }
        sections_.emplace_back();
        sections_.back().name = line.substr(1, LastCharStart(line) - 1);
        sectionLine_ = index;
    }

    // A closed section with a name is kept; one without is dropped at the end.
    void CloseSection() {
        const std::string& name = sections_.back().name;
        if (name.empty()) return;
        if (!names_.insert(name).second) {
            throw Error(err::DuplicateKey, kProgramSource, "Section \"" + name + "\" defined twice" + Where(sectionLine_));
        }
    }

    void AddPattern(const std::string& line, int32_t index) {
        HldSection& section = sections_.back();
        if (!patternRun_) {
            section.rules.emplace_back();
            rule_ = &section.rules.back();
        }
        // "PATTERN" and the character after it (meant to be "=") are skipped.
        const size_t start = line.size() > 7 ? 7 + CharLength(line, 7) : line.size();
        rule_->patterns.push_back({line.substr(start), index, fileName_});
        patternRun_ = true;
    }

    // The one kind of page there is; other values are kept for kinds to come.
    void PageValue(const std::string& value, int32_t index) const {
        if (!EqualsIgnoreCase(value, "themes"))
            throw Error(err::InvalidArgument, kProgramSource,
                        "PAGE must be themes, not \"" + value + "\"" + Where(index));
    }

    bool PlainBlanks(const std::string& value, int32_t index) const {
        if (EqualsIgnoreCase(value, "plain")) return true;
        if (EqualsIgnoreCase(value, "nbsp")) return false;
        throw Error(err::InvalidArgument, kProgramSource,
                    "BLANKS must be plain or nbsp, not \"" + value + "\"" + Where(index));
    }

    // INCLUDE=x.hld y.hld: each found beside this definition, else as a
    // bare name is (the user's own, then the shipped one); loaded once per tree.
    void Include(const std::string& value, int32_t index) {
        if (sections_.back().name.empty())
            throw Error(err::InvalidArgument, kProgramSource, "INCLUDE line before any section" + Where(index));
        namespace fs = std::filesystem;
        const std::string beside = (fs::path(fileName_).parent_path() / value).string();
        std::error_code ec;
        const std::string path = fs::is_regular_file(beside, ec) ? beside : FindDefaultDefinition(value);
        if (!fs::is_regular_file(path, ec))
            // An error of the definition's line, as the loader's others are: the file is not missing.
            throw Error(err::InvalidArgument, kProgramSource,
                        "INCLUDE names no definition file: \"" + value + "\"" + Where(index));
        const std::string canonical = fs::weakly_canonical(path, ec).string();
        if (std::find(context_.chain.begin(), context_.chain.end(), canonical) != context_.chain.end()) {
            std::string cycle;
            for (auto open = std::find(context_.chain.begin(), context_.chain.end(), canonical);
                 open != context_.chain.end(); ++open)
                cycle += fs::path(*open).filename().string() + " > ";
            throw Error(err::InvalidArgument, kProgramSource,
                        "INCLUDE=" + value + " closes a cycle of definitions (" + cycle + value + ")" + Where(index));
        }
        if (context_.chain.size() >= kMaxIncludeDepth)
            throw Error(err::InvalidArgument, kProgramSource,
                        "INCLUDE lines nested more than " + std::to_string(kMaxIncludeDepth) + " deep" + Where(index));
        const std::string prefix = fs::path(path).filename().string();
        std::string first = FirstSectionOf(path, prefix, canonical);
        if (first.empty())
            throw Error(err::InvalidArgument, kProgramSource, "INCLUDE=" + value + " has no section" + Where(index));
        const std::optional<Language> language = ReadLanguage(path);
        pendingIncludes_.push_back({sections_.size() - 1, language ? language->Keys() : std::vector<std::string>{},
                                    language ? language->names.size() : 0, std::move(first)});
    }

    // Loads the definition at `path` into the context, unless it is there
    // already; the final name of its first section.
    std::string FirstSectionOf(const std::string& path, const std::string& prefix, const std::string& canonical) {
        const auto known = context_.firstOf.find(prefix);
        if (known != context_.firstOf.end()) return known->second;
        context_.chain.push_back(canonical);
        Loader nested(path, context_);
        nested.Lines(ReadFileTextOf(path));
        const std::string first = nested.FinishIncluded(prefix);
        context_.chain.pop_back();
        context_.files.push_back(path);
        context_.firstOf[prefix] = first;
        return first;
    }

    // Each section's languages: the names of every definition it takes in
    // before their extensions, as FindLanguage prefers them.
    void FinishIncludes() {
        for (size_t pass = 0; pass < 2; ++pass) {
            for (const PendingInclude& include : pendingIncludes_) {
                OrderedMap<std::string>& keys = sections_[include.section].includes;
                for (size_t k = 0; k < include.keys.size(); ++k) {
                    if ((k < include.nameCount) == (pass == 0)) keys.Add(include.keys[k], include.first);
                }
            }
        }
        pendingIncludes_.clear();
    }

    HldRule& CurrentRule(const char* keyword, int32_t index) {
        if (!rule_) {
            throw Error(err::ObjectVariableNotSet, kProgramSource,
                        std::string(keyword) + " line before any PATTERN line" + Where(index));
        }
        return *rule_;
    }

    const std::string& fileName_;
    IncludeContext& context_;
    std::vector<PendingInclude> pendingIncludes_;
    std::deque<HldSection> sections_;  // the first one is the unnamed one before any header
    std::unordered_set<std::string> names_;
    HldRule* rule_ = nullptr;
    bool patternRun_ = false;
    bool page_ = false;
    std::string language_;
    std::optional<bool> blanks_;
    std::vector<HldEnterLine> enterLines_;
    int32_t sectionLine_ = 0;  // where the current section's header stands
};

}  // namespace

bool IsDefinitionLine(const std::string& line) {
    switch (KindOf(line)) {
        case LineKind::Blank:
        case LineKind::Comment:
        case LineKind::Other: return false;
        default: return true;
    }
}

HldTree LoadHld(const std::string& fileName) { return LoadHldText(ReadFileTextOf(fileName), fileName); }

HldTree LoadHldText(const std::string& fileText, const std::string& fileName) {
    IncludeContext context;
    std::error_code ec;
    context.chain.push_back(std::filesystem::weakly_canonical(fileName, ec).string());
    Loader loader(fileName, context);
    loader.Lines(fileText);
    return loader.Finish();
}

std::string GetKeyPart(const std::string& line) {
    const size_t dash = line.find('-');
    if (dash == std::string::npos) return {};
    const size_t equals = line.find('=', dash + 1);
    if (equals == std::string::npos) return {};
    std::string key = line.substr(dash + 1, equals - dash - 1);
    key.erase(key.find_last_not_of(' ') + 1);
    return key;
}

std::string GetValuePart(const std::string& line) {
    const size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : TrimBlanks(std::string_view(line).substr(equals + 1));
}

}  // namespace tintext
