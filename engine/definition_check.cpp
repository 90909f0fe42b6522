#include "engine/definition_check.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "engine/hld_loader.h"
#include "engine/regexp.h"
#include "support/ascii_text.h"
#include "support/error.h"
#include "support/system.h"
#include "support/text_codec.h"
#include "support/utf8.h"

namespace tintext {

namespace {

// One problem per output line: the engine's and the loader's texts may hold line breaks.
std::string OneLine(const std::string& text) {
    std::string flat = ReplaceAll(ReplaceAll(text, "\r\n", " "), "\n", " ");
    std::string squeezed;
    for (char c : flat) {
        if (c == ' ' && !squeezed.empty() && squeezed.back() == ' ') continue;
        squeezed.push_back(c);
    }
    return TrimBlanks(squeezed);
}

std::string ErrorText(const Error& e) { return "Error " + std::to_string(e.Number()) + ". " + OneLine(e.Description()); }

// The lines of the text as the loader splits them.
std::vector<std::string> Lines(const std::string& fileText) {
    const std::string text = ReplaceAll(fileText, "\r\n", "\n");
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    for (size_t start = 0;;) {
        size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

// A section taken in by an INCLUDE line: its problems are its own file's.
bool TakenIn(const HldTree& hld, const std::string& name) {
    return std::any_of(hld.includedFiles.begin(), hld.includedFiles.end(), [&](const std::string& file) {
        return name.starts_with(file.substr(file.rfind('/') + 1) + ":");
    });
}

void CheckPatterns(const HldTree& hld, std::vector<DefinitionProblem>& problems) {
    for (const auto& [name, section] : hld.sections) {
        if (TakenIn(hld, name)) continue;
        for (const HldRule& rule : section.rules) {
            for (const HldPattern& pattern : rule.patterns) {
                try {
                    // Compiled as the formatter compiles it: a loaded section never runs MultiLine.
                    CompiledRegex compiled(pattern.pattern, section.ignoreCase, false);
                } catch (const Error& e) {
                    problems.push_back({pattern.line + 1, "invalid pattern \"" + pattern.pattern + "\": " + ErrorText(e)});
                }
            }
        }
    }
}

// ENTER values are compared with the section names exactly, as the formatter does.
void CheckEnterLines(const HldTree& hld, std::vector<DefinitionProblem>& problems) {
    for (const HldEnterLine& enter : hld.enterLines) {
        if (!hld.sections.Find(enter.target)) {
            problems.push_back({enter.line + 1, "ENTER names no section: \"" + enter.target + "\""});
        }
    }
}

// The text from the first character that is not a blank or a tab, trailing blanks removed.
std::string Unindented(const std::string& line) {
    const size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : TrimBlanks(std::string_view(line).substr(first));
}

// The start of a line, for a message.
std::string Shown(const std::string& line) { return line.size() <= 40 ? line : line.substr(0, 37) + "..."; }

// The loader trims blanks only, so a tab before a keyword makes the line text it passes over.
void CheckIndentedLines(const std::vector<std::string>& lines, std::vector<DefinitionProblem>& problems) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line.find('\t') > first) continue;
        const std::string rest = Unindented(line);
        if (!IsDefinitionLine(rest)) continue;
        problems.push_back({static_cast<int32_t>(i + 1),
                            "indented with a tab, so the line is ignored: \"" + Shown(rest) + "\" (indent with blanks)"});
    }
}

// Format keys are compared with letter case: FORMAT-html is a key no conversion reads.
void CheckKeyCase(const std::vector<std::string>& lines, std::vector<DefinitionProblem>& problems) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string line = TrimBlanks(lines[i]);
        const char* keyword = nullptr;
        for (const char* word : {"FORMAT", "HEADER", "FOOTER"})
            if (StartsWithIgnoreCase(line, word)) keyword = word;
        if (!keyword) continue;
        const std::string key = GetKeyPart(line);
        if (key == kHtmlFormatKey || !EqualsIgnoreCase(Unindented(key), kHtmlFormatKey)) continue;
        problems.push_back({static_cast<int32_t>(i + 1), "the key \"" + key + "\" is not " + kHtmlFormatKey +
                                                             ": keys are compared with letter case, so the line is "
                                                             "not used (write " + keyword + "-" + kHtmlFormatKey + ")"});
    }
}

// The loader splits lines at line feeds: a line that ends in a carriage return
// alone runs on into the next one.
std::optional<DefinitionProblem> LineEndProblem(const std::string& text) {
    const std::string joined = ReplaceAll(text, "\r\n", "\n");
    const size_t cr = joined.find('\r');
    // A CR that ends the file joins nothing.
    if (cr == std::string::npos || cr + 1 == joined.size()) return std::nullopt;
    const auto line = static_cast<int32_t>(1 + std::count(joined.begin(), joined.begin() + cr, '\n'));
    if (joined.find('\n') == std::string::npos)
        return DefinitionProblem{line, "the lines end in CR alone, so the whole file reads as one line "
                                       "(save it with LF or CR LF line ends)"};
    return DefinitionProblem{line, "the line ends in CR alone, so it and the next line read as one "
                                   "(save it with LF or CR LF line ends)"};
}

// A definition that is not UTF-8 is read whole as Windows-1252, so patterns
// written in UTF-8 no longer match.
std::optional<DefinitionProblem> Utf8Problem(const std::string& bytes) {
    size_t bad = 0;
    if (IsValidUtf8(bytes, &bad)) return std::nullopt;
    const size_t lineStart = bad == 0 ? 0 : bytes.rfind('\n', bad - 1) + 1;
    const auto line = static_cast<int32_t>(1 + std::count(bytes.begin(), bytes.begin() + bad, '\n'));
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(bytes[bad]));
    return DefinitionProblem{line, "not UTF-8: byte " + std::string(byte) + " in column " +
                                       std::to_string(bad - lineStart + 1) +
                                       "; the whole file is read as Windows-1252, so its UTF-8 text does not match"};
}

// Characters a section must be able to take on their own: every ASCII
// character and a few beyond (a no-break space, Latin, a symbol, CJK, an
// emoji, the line separator).
std::vector<std::string> ProbeCharacters() {
    std::vector<std::string> probes;
    for (int c = 1; c < 0x80; ++c) probes.emplace_back(1, static_cast<char>(c));
    for (const char* other : {"\u00A0", "\u00E9", "\u20AC", "\u4E2D", "\U0001F600", "\u2028"}) probes.emplace_back(other);
    return probes;
}

std::string Described(const std::string& character) {
    size_t pos = 0;
    char32_t code = 0;
    DecodeUtf8(character, pos, code);
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(code));
    return code > 0x20 && code != 0x7F ? "\"" + character + "\" (" + number + ")" : std::string(number);
}

// The line of a section's header, or 0 when it cannot be told.
int32_t HeaderLine(const std::vector<std::string>& lines, const std::string& name) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string line = TrimBlanks(lines[i]);
        if (line.size() >= 2 && line[0] == '[' && line.compare(1, line.size() - 2, name) == 0) return static_cast<int32_t>(i + 1);
    }
    return 0;
}

// The formatter skips a character at which no rule matches: it is dropped
// from the output. A section is sound when, for each probe character, one of
// its patterns matches that character on its own.
void CheckCatchAll(const HldTree& hld, const std::vector<std::string>& lines, std::vector<DefinitionProblem>& problems) {
    static const std::vector<std::string> probes = ProbeCharacters();
    for (const auto& [name, section] : hld.sections) {
        if (TakenIn(hld, name)) continue;
        std::vector<std::unique_ptr<CompiledRegex>> patterns;
        bool catchAll = false;
        bool invalid = false;  // told as an invalid pattern; the section cannot run at all
        for (const HldRule& rule : section.rules) {
            for (const HldPattern& pattern : rule.patterns) {
                try {
                    patterns.push_back(std::make_unique<CompiledRegex>(pattern.pattern, section.ignoreCase, false));
                    catchAll = catchAll || patterns.back()->Analysis().oneChar == OneCharKind::Any;
                } catch (const Error&) {
                    invalid = true;
                }
            }
        }
        if (catchAll || invalid) continue;
        for (const std::string& probe : probes) {
            const bool taken = std::any_of(patterns.begin(), patterns.end(), [&](const auto& re) {
                try {
                    return re->MatchAt(probe, 0) && re->End() > 0;
                } catch (const Error&) {
                    return false;
                }
            });
            if (taken) continue;
            problems.push_back({HeaderLine(lines, name),
                                "section \"" + name + "\" has no catch-all: no rule matches " + Described(probe) +
                                    " on its own, so such characters are dropped from the output "
                                    "(a last rule PATTERN=[\\s\\S] keeps them)"});
            break;
        }
    }
}

DefinitionProblem LoadProblem(const Error& e) {
    if (e.Number() == err::FileNotFound || e.Number() == err::PathNotFound) {
        return {0, "the file or its folder was not found"};
    }
    return {0, "cannot be loaded: " + ErrorText(e)};
}

void SortByLine(std::vector<DefinitionProblem>& problems) {
    std::stable_sort(problems.begin(), problems.end(),
                     [](const DefinitionProblem& a, const DefinitionProblem& b) { return a.line < b.line; });
}

}  // namespace

std::vector<DefinitionProblem> CheckDefinition(const std::string& fileName) {
    std::string bytes;
    try {
        bytes = ReadFileBytesOf(fileName);
    } catch (const Error& e) {
        return {LoadProblem(e)};
    }
    const std::optional<DefinitionProblem> encoding = Utf8Problem(bytes);
    std::vector<DefinitionProblem> problems = CheckDefinitionText(DecodeFileText(std::move(bytes)), fileName);
    if (encoding) {
        problems.push_back(*encoding);
        SortByLine(problems);
    }
    return problems;
}

std::vector<DefinitionProblem> CheckDefinitionText(const std::string& text, const std::string& fileName) {
    std::vector<DefinitionProblem> problems;
    HldTree hld;
    try {
        hld = LoadHldText(text, fileName);
    } catch (const Error& e) {
        // The text is in hand: a file not found is one that an INCLUDE line names.
        problems.push_back({0, "cannot be loaded: " + ErrorText(e)});
        return problems;
    }
    if (hld.sections.empty()) {
        problems.push_back({0, "no sections: a conversion stops at \"Initialize progress bar\""});
    }
    const std::vector<std::string> lines = Lines(text);
    CheckPatterns(hld, problems);
    CheckEnterLines(hld, problems);
    CheckIndentedLines(lines, problems);
    CheckKeyCase(lines, problems);
    if (std::optional<DefinitionProblem> lineEnds = LineEndProblem(text)) problems.push_back(*lineEnds);
    CheckCatchAll(hld, lines, problems);
    SortByLine(problems);
    return problems;
}

std::string FormatProblem(const std::string& fileName, const DefinitionProblem& problem) {
    if (problem.line <= 0) return fileName + ": " + problem.message;
    return fileName + ":" + std::to_string(problem.line) + ": " + problem.message;
}

}  // namespace tintext
