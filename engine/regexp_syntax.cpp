// ECMAScript (without the u flag, with the web-compatibility grammar that
// script engines accept) to PCRE2 (UTF mode, no UCP).
//
// Bridged: "." and "$" and (for MultiLine) "^" as ECMAScript defines them;
// \s and \S with the Unicode spaces; [] matches nothing, [^] anything;
// \xHH, \uHHHH (surrogate pairs joined), \cX, \0 and legacy octal escapes;
// identity escapes of any other character (\/, \A, \G, \K, \Q, \z ... are the
// plain letters); \N as a back reference only when the pattern has N groups,
// else octal or the digit; named groups; "{" "}" "]" as literals where they
// form no quantifier; a quantifier with nothing to repeat, after an assertion,
// or after another quantifier ("a**", "a++") is rejected as the script
// engines do. PCRE2-only syntax ((?i), (?#...), (*VERB), \p{..}, [[:alpha:]])
// is either rejected or read as ECMAScript literals.
//
// Differences left knowingly:
// - Case-insensitive matching uses Unicode case folding, so "s" also matches
//   U+017F and "k" U+212A, which ECMAScript's non-Unicode mode keeps apart.
// - The text is UTF-8, not UTF-16: a lone surrogate escape matches nothing, a
//   class bound that is a surrogate is moved to the nearest code point, and a
//   surrogate pair in a class is one character.
// - A group inside a repeated group keeps its text from an earlier round
//   ((?:(a)|b)+ on "ab" gives group 1 "a"); ECMAScript clears it each round.
// - Lookbehind must have a fixed length per alternative, and quantifier
//   bounds are limited to 65535 (PCRE2's limits; such patterns give 5017).
#include "engine/regexp_syntax.h"

#include <array>
#include <cstdio>
#include <vector>

namespace tintext {

namespace {

// ECMAScript's white space and line terminators, as class items.
constexpr const char* kSpaceItems =
    "\\x{9}-\\x{d}\\x{20}\\x{a0}\\x{1680}\\x{2000}-\\x{200a}\\x{2028}\\x{2029}\\x{202f}\\x{205f}"
    "\\x{3000}\\x{feff}";
constexpr const char* kLineTerminators = "\\n\\r\\x{2028}\\x{2029}";
constexpr const char* kNothing = "[^\\x{0}-\\x{10ffff}]";
constexpr const char* kAnything = "[\\x{0}-\\x{10ffff}]";

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsAsciiAlnum(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

void AppendCodePoint(std::string& out, char32_t c) {
    if (IsAsciiAlnum(c)) {
        out += static_cast<char>(c);
        return;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "\\x{%x}", static_cast<unsigned>(c));
    out += buf;
}

void AppendRange(std::string& out, char32_t low, char32_t high) {
    if (IsSurrogate(low)) low = 0xE000;
    if (IsSurrogate(high)) high = 0xD7FF;
    if (low > high) return;  // only surrogates: nothing in UTF-8 text
    AppendCodePoint(out, low);
    if (high != low) {
        out += '-';
        AppendCodePoint(out, high);
    }
}

// PCRE2 has no class subtraction, so a class holding \S (whose ECMAScript
// meaning PCRE2's \S does not share) becomes an alternative.
std::string ClassText(const std::vector<ClassItem>& items, bool negated) {
    std::string inner;
    bool notSpace = false;
    for (const ClassItem& item : items) {
        switch (item.kind) {
            case ClassItem::Escape:
                inner += '\\';
                inner += item.escape;
                break;
            case ClassItem::Space: inner += kSpaceItems; break;
            case ClassItem::NotSpace: notSpace = true; break;
            case ClassItem::Range: AppendRange(inner, item.low, item.high); break;
        }
    }
    if (!notSpace) {
        if (inner.empty()) return negated ? kAnything : kNothing;
        return std::string(negated ? "[^" : "[") + inner + "]";
    }
    std::string spaces = std::string("[") + kSpaceItems + "]";
    std::string notSpaces = std::string("[^") + kSpaceItems + "]";
    if (inner.empty()) return negated ? spaces : notSpaces;
    if (negated) return "(?:(?![" + inner + "])" + spaces + ")";
    return "(?:[" + inner + "]|" + notSpaces + ")";
}

// The words of a group of plain words, (?:Abs|And|Array|...), as keyword
// lists are written: at least four, each of word characters written as
// themselves, unrepeated. Empty for any other group.
std::vector<std::string> ListedWords(const PatternNode& group) {
    if (group.group != PatternNode::NonCapturing || group.alternatives.size() < 4) return {};
    std::vector<std::string> words;
    for (const Alternative& alternative : group.alternatives) {
        if (alternative.empty()) return {};
        std::string word;
        for (const PatternNode& node : alternative) {
            if (node.kind != PatternNode::Char || node.text.size() != 1 || node.quantifier.form != Quantifier::None ||
                !IsWordByte(static_cast<unsigned char>(node.text[0])))
                return {};
            word += node.text[0];
        }
        words.push_back(std::move(word));
    }
    return words;
}

// The engine tries a list's words one by one, so it gets them sorted by
// their first characters, (?:A(?:bs|nd|rray)|...). Words that differ there
// cannot both match, and within a first character the order stays, so the
// first word to match is the same. Unsorted lists cost up to 5% more
// formatter instructions (ASP; Python 2%).
std::string SortedWords(const std::vector<std::string_view>& words, bool ignoreCase) {
    std::string out;
    for (std::string_view word : words)
        if (word.empty()) {
            // A word that ends here may match along with any longer one:
            // only the written order keeps the same winner.
            for (std::string_view w : words) out += std::string(w) + "|";
            out.pop_back();
            return out;
        }
    // Groups in the order of their first words; one pass, so long lists stay cheap.
    std::array<int, 256> groupOf;
    groupOf.fill(-1);
    std::vector<std::vector<std::string_view>> rests;
    std::vector<char> firsts;
    for (std::string_view word : words) {
        unsigned char c = static_cast<unsigned char>(word[0]);
        unsigned char key = ignoreCase && (c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? (c | 0x20) : c;
        if (groupOf[key] < 0) {
            groupOf[key] = static_cast<int>(rests.size());
            rests.emplace_back();
            firsts.push_back(word[0]);
        }
        rests[static_cast<size_t>(groupOf[key])].push_back(word.substr(1));
    }
    for (size_t g = 0; g < rests.size(); ++g) {
        if (g > 0) out += '|';
        out += firsts[g];
        if (rests[g].size() == 1)
            out += rests[g][0];
        else
            out += "(?:" + SortedWords(rests[g], ignoreCase) + ")";
    }
    return out;
}

class Emitter {
public:
    Emitter(bool multiLine, bool ignoreCase) : multiLine_(multiLine), ignoreCase_(ignoreCase) {}

    std::string Run(const std::vector<Alternative>& alternatives) {
        Alternatives(alternatives);
        return std::move(out_);
    }

private:
    void Alternatives(const std::vector<Alternative>& alternatives) {
        for (size_t a = 0; a < alternatives.size(); ++a) {
            if (a > 0) out_ += '|';
            for (const PatternNode& node : alternatives[a]) Node(node);
        }
    }

    void Node(const PatternNode& node) {
        switch (node.kind) {
            case PatternNode::Char:
                if (IsSurrogate(node.c))
                    out_ += kNothing;  // no UTF-8 text holds one
                else
                    AppendCodePoint(out_, node.c);
                break;
            case PatternNode::Dot: out_ += std::string("[^") + kLineTerminators + "]"; break;
            case PatternNode::ClassEscape:
                if (node.escape == 's' || node.escape == 'S') {
                    out_ += node.escape == 's' ? "[" : "[^";
                    out_ += kSpaceItems;
                    out_ += ']';
                } else {
                    out_ += '\\';
                    out_ += node.escape;
                }
                break;
            case PatternNode::Class: out_ += ClassText(node.items, node.negated); break;
            case PatternNode::BackReference: out_ += "\\g{" + std::to_string(node.number) + "}"; break;
            case PatternNode::Group: Group(node); break;
            case PatternNode::LineStart:
                out_ += multiLine_ ? std::string("(?:^|(?<=[") + kLineTerminators + "]))" : std::string("^");
                break;
            case PatternNode::LineEnd:
                out_ += multiLine_ ? std::string("(?=[") + kLineTerminators + "]|\\z)" : std::string("\\z");
                break;
            case PatternNode::WordBoundary:
                out_ += '\\';
                out_ += node.escape;
                break;
        }
        Repeat(node.quantifier);
    }

    void Group(const PatternNode& node) {
        std::vector<std::string> words = ListedWords(node);
        if (!words.empty()) {
            out_ += "(?:" + SortedWords(std::vector<std::string_view>(words.begin(), words.end()), ignoreCase_) + ")";
            return;
        }
        switch (node.group) {
            // A named group is an ordinary capturing group here; references to
            // it are numbered, so any name PCRE2 dislikes works.
            case PatternNode::Capturing:
            case PatternNode::NamedCapturing: out_ += '('; break;
            case PatternNode::NonCapturing: out_ += "(?:"; break;
            case PatternNode::Lookahead: out_ += "(?="; break;
            case PatternNode::NegativeLookahead: out_ += "(?!"; break;
            case PatternNode::Lookbehind: out_ += "(?<="; break;
            case PatternNode::NegativeLookbehind: out_ += "(?<!"; break;
        }
        Alternatives(node.alternatives);
        out_ += ')';
    }

    void Repeat(const Quantifier& q) {
        switch (q.form) {
            case Quantifier::None: return;
            case Quantifier::Star: out_ += '*'; break;
            case Quantifier::Plus: out_ += '+'; break;
            case Quantifier::Question: out_ += '?'; break;
            case Quantifier::Braces:
                out_ += "{" + std::to_string(q.min);
                if (q.hasComma) out_ += "," + (q.max == Quantifier::kUnbounded ? std::string() : std::to_string(q.max));
                out_ += '}';
                break;
        }
        if (q.lazy) out_ += '?';
    }

    bool multiLine_;
    bool ignoreCase_;
    std::string out_;
};

}  // namespace

TranslatedPattern TranslateEcmaPattern(const ParsedPattern& pattern, bool multiLine, bool ignoreCase) {
    return {Emitter(multiLine, ignoreCase).Run(pattern.alternatives), pattern.captureCount};
}

TranslatedPattern TranslateEcmaPattern(std::string_view pattern, bool multiLine, bool ignoreCase) {
    return TranslateEcmaPattern(ParseEcmaPattern(pattern), multiLine, ignoreCase);
}

}  // namespace tintext
