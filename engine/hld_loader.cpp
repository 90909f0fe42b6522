#include "engine/hld_loader.h"

#include <deque>
#include <optional>
#include <string_view>
#include <unordered_set>

#include "support/ascii_text.h"
#include "support/conversions.h"
#include "support/error.h"
#include "support/system.h"

namespace tintext {

namespace {

enum class LineKind {
    Blank, Section, Pattern, Format, Enter, Return, Header, Footer, Comment, IgnoreCase, MultiLine, Page, BlanksKey, Language, Other
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
    return LineKind::Other;
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

// Builds the tree line by line. Sections live in a deque until the end, so the
// current rule stays addressable after its section has been closed: a FORMAT,
// ENTER or RETURN line after the next section header still changes it.
class Loader {
public:
    explicit Loader(const std::string& fileName) : fileName_(fileName) { sections_.emplace_back(); }

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
            case LineKind::IgnoreCase: section.ignoreCase = SafeCBool(Value(GetValuePart(line))); break;
            case LineKind::MultiLine: section.multiLine = SafeCBool(Value(GetValuePart(line))); break;
            default: break;
        }
    }

    HldTree Finish() {
        CloseSection();
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
        return tree;
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

    HldRule& CurrentRule(const char* keyword, int32_t index) {
        if (!rule_) {
            throw Error(err::ObjectVariableNotSet, kProgramSource,
                        std::string(keyword) + " line before any PATTERN line" + Where(index));
        }
        return *rule_;
    }

    const std::string& fileName_;
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
    const std::string text = ReplaceAll(fileText, "\r\n", "\n");
    Loader loader(fileName);
    const std::string_view view(text);
    int32_t index = 0;
    for (size_t start = 0; start < view.size(); ++index) {
        size_t end = view.find('\n', start);
        if (end == std::string_view::npos) end = view.size();
        loader.Line(view.substr(start, end - start), index);
        start = end + 1;
    }
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
