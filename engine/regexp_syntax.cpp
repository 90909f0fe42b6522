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

#include <cstdio>
#include <optional>
#include <vector>

#include "support/utf8.h"

namespace tintext {

std::vector<char32_t> CaselessForms(char32_t c) {
    if (c >= 0x80 || (c | 0x20) < 'a' || (c | 0x20) > 'z') return {c};
    std::vector<char32_t> forms{c, c ^ 0x20};
    if ((c | 0x20) == 'k') forms.push_back(0x212A);
    if ((c | 0x20) == 's') forms.push_back(0x17F);
    return forms;
}

std::string RegexpErrorText(int32_t number) {
    switch (number) {
        case regexp_err::SyntaxError: return "Syntax error in regular expression";
        case regexp_err::UnexpectedQuantifier: return "Unexpected quantifier";
        case regexp_err::ExpectedBracket: return "Expected ']' in regular expression";
        case regexp_err::ExpectedParen: return "Expected ')' in regular expression";
        case regexp_err::InvalidRange: return "Invalid range in character set";
        case regexp_err::TooMuchBacktracking: return "The pattern needs too much backtracking on the input";
        default: return "Unexpected error in regular expression";
    }
}

namespace {

// ECMAScript's white space and line terminators, as class items.
constexpr const char* kSpaceItems =
    "\\x{9}-\\x{d}\\x{20}\\x{a0}\\x{1680}\\x{2000}-\\x{200a}\\x{2028}\\x{2029}\\x{202f}\\x{205f}"
    "\\x{3000}\\x{feff}";
constexpr const char* kLineTerminators = "\\n\\r\\x{2028}\\x{2029}";
constexpr const char* kNothing = "[^\\x{0}-\\x{10ffff}]";
constexpr const char* kAnything = "[\\x{0}-\\x{10ffff}]";

[[noreturn]] void Fail(int32_t number, const std::string& detail = {}) {
    std::string text = RegexpErrorText(number);
    if (!detail.empty()) text += ": " + detail;
    throw Error(number, kProgramSource, text);
}

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsOctal(char c) { return c >= '0' && c <= '7'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiAlnum(char32_t c) { return c < 128 && (IsAsciiLetter(static_cast<char>(c)) || IsDigit(static_cast<char>(c))); }
int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendCodePoint(std::string& out, char32_t c) {
    if (IsAsciiAlnum(c)) {
        out += static_cast<char>(c);
        return;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "\\x{%x}", static_cast<unsigned>(c));
    out += buf;
}

// Sets of bytes, for what a match can hold. Any character beyond ASCII
// counts as all the bytes from 0x80 up.
using ByteSet = std::array<bool, 256>;

ByteSet AsciiWhere(bool (*member)(unsigned char), bool withNonAscii) {
    ByteSet set{};
    for (int c = 0; c < 128; ++c) set[c] = member(static_cast<unsigned char>(c));
    for (int c = 128; c < 256; ++c) set[c] = withNonAscii;
    return set;
}

bool IsAsciiSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigitByte(unsigned char c) { return c >= '0' && c <= '9'; }

// \d \D \w \W \s \S; the non-ASCII spaces count as any non-ASCII.
ByteSet EscapeBytes(char escape) {
    switch (escape) {
        case 'd': return AsciiWhere(IsDigitByte, false);
        case 'D': return AsciiWhere([](unsigned char c) { return !IsDigitByte(c); }, true);
        case 'w': return AsciiWhere(IsWordByte, false);
        case 'W': return AsciiWhere([](unsigned char c) { return !IsWordByte(c); }, true);
        case 's': return AsciiWhere(IsAsciiSpace, true);
        default: return AsciiWhere([](unsigned char c) { return !IsAsciiSpace(c); }, true);
    }
}

ByteSet CharBytes(char32_t c) {
    ByteSet set{};
    if (c < 0x80) {
        set[c] = true;
    } else {
        for (int b = 128; b < 256; ++b) set[b] = true;
    }
    return set;
}

void AddBytes(ByteSet& to, const ByteSet& from) {
    for (int c = 0; c < 256; ++c) to[c] = to[c] || from[c];
}

// One member of a character class.
struct ClassItem {
    enum Kind { Range, Escape, Space, NotSpace } kind = Range;
    char32_t low = 0, high = 0;  // Range (a single character has low == high)
    char escape = 0;             // Escape: d D w W, as PCRE2 reads them without UCP
};

ByteSet ClassBytes(const std::vector<ClassItem>& items, bool negated) {
    ByteSet set{};
    for (const ClassItem& item : items) {
        switch (item.kind) {
            case ClassItem::Escape: AddBytes(set, EscapeBytes(item.escape)); break;
            case ClassItem::Space: AddBytes(set, EscapeBytes('s')); break;
            case ClassItem::NotSpace: AddBytes(set, EscapeBytes('S')); break;
            case ClassItem::Range:
                for (char32_t c = item.low; c <= item.high && c < 0x80; ++c) set[c] = true;
                if (item.high >= 0x80) AddBytes(set, CharBytes(0x80));
                break;
        }
    }
    if (negated) {
        for (int c = 0; c < 128; ++c) set[c] = !set[c];
        AddBytes(set, CharBytes(0x80));
    }
    return set;
}

class Translator {
public:
    Translator(std::string_view source, bool multiLine, bool ignoreCase)
        : src_(source), multiLine_(multiLine), ignoreCase_(ignoreCase) {}

    TranslatedPattern Run() {
        Prescan();
        while (i_ < src_.size()) Term();
        if (!open_.empty()) Fail(regexp_err::ExpectedParen);
        TranslatedPattern result;
        result.pcre = std::move(out_);
        result.captureCount = static_cast<uint32_t>(groupNames_.size());
        result.oneChar = OneChar();
        result.startsAtLineStart = StartsAtLineStart(src_);
        result.startLiterals = StartLiterals(src_).value_or(std::vector<std::string>());
        result.matchBytes = matchBytes_;
        result.precedingItems = PrecedingItems(src_);
        result.hasStartAnchor = hasStartAnchor_;
        result.lookbehindLooksFurther = lookbehindLooksFurther_;
        return result;
    }

private:
    struct OpenGroup {
        bool lookbehind;
        bool lookaround = false;
    };

    void NoteAssertionInLookbehind() {
        for (const OpenGroup& group : open_) lookbehindLooksFurther_ |= group.lookbehind;
    }

    // What an atom takes becomes part of the match unless a lookaround holds it.
    void Consume(const ByteSet& bytes) {
        if (lookarounds_ == 0) AddBytes(matchBytes_, bytes);
    }
    void ConsumeChar(char32_t c) {
        if (lookarounds_ > 0) return;
        if (c < 0x80)
            matchBytes_[c] = true;
        else
            Consume(CharBytes(c));
    }

    // Group numbers are needed before the groups are reached: \2 may stand
    // before group 2, and only the total decides between back reference and octal.
    void Prescan() {
        bool inClass = false;
        for (size_t k = 0; k < src_.size(); ++k) {
            char c = src_[k];
            if (c == '\\') {
                ++k;
                continue;
            }
            if (inClass) {
                if (c == ']') inClass = false;
                continue;
            }
            if (c == '[') {
                inClass = true;
            } else if (c == '(') {
                if (k + 1 >= src_.size() || src_[k + 1] != '?') {
                    groupNames_.emplace_back();
                } else if (k + 3 < src_.size() && src_[k + 2] == '<' && src_[k + 3] != '=' &&
                           src_[k + 3] != '!') {
                    size_t close = src_.find('>', k + 3);
                    std::string name(src_.substr(k + 3, close == std::string_view::npos ? 0 : close - k - 3));
                    if (!name.empty()) hasNames_ = true;
                    groupNames_.push_back(name);
                }
            }
        }
    }

    OneCharKind OneChar() const {
        if (src_ == ".") return OneCharKind::AnyButLineTerminator;
        static constexpr std::string_view kAnyForms[] = {"[\\s\\S]", "[\\S\\s]", "[\\w\\W]", "[\\W\\w]",
                                                         "[\\d\\D]", "[\\D\\d]", "[^]"};
        for (std::string_view form : kAnyForms)
            if (src_ == form) return OneCharKind::Any;
        return OneCharKind::None;
    }

    // The end of the group that opens at `open` (just behind its ")"), or of
    // the class or escape there; the pattern is known to be well formed.
    static size_t SkipItem(std::string_view text, size_t open) {
        if (text[open] == '\\') return std::min(open + 2, text.size());
        if (text[open] == '[') {
            size_t k = open + 1;
            if (k < text.size() && text[k] == '^') ++k;
            for (; k < text.size() && text[k] != ']'; ++k)
                if (text[k] == '\\') ++k;
            return std::min(k + 1, text.size());
        }
        if (text[open] != '(') return open + 1;
        int depth = 0;
        for (size_t k = open; k < text.size(); ++k) {
            char c = text[k];
            if (c == '\\' || c == '[') {
                k = SkipItem(text, k) - 1;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth == 0) {
                return k + 1;
            }
        }
        return text.size();
    }

    // The top-level alternatives of `text`, split at "|" outside groups and classes.
    static std::vector<std::string_view> Alternatives(std::string_view text) {
        std::vector<std::string_view> parts;
        size_t begin = 0;
        for (size_t k = 0; k < text.size();) {
            if (text[k] == '|') {
                parts.push_back(text.substr(begin, k - begin));
                begin = ++k;
            } else {
                k = SkipItem(text, k);
            }
        }
        parts.push_back(text.substr(begin));
        return parts;
    }

    static bool IsLookaround(std::string_view item) {
        return item.starts_with("(?=") || item.starts_with("(?!") || item.starts_with("(?<=") ||
               item.starts_with("(?<!");
    }

    // Whether `text` holds nothing but assertions: lookarounds, ^, or groups
    // of alternatives made of them (an empty alternative included).
    static bool OnlyAssertions(std::string_view text) {
        for (size_t k = 0; k < text.size();) {
            size_t next = SkipItem(text, k);
            std::string_view item = text.substr(k, next - k);
            if (item == "^" || IsLookaround(item)) {
                // zero-width
            } else if (item.starts_with("(?:") && item.size() >= 4) {
                for (std::string_view alt : Alternatives(item.substr(3, item.size() - 4)))
                    if (!OnlyAssertions(alt)) return false;
            } else {
                return false;
            }
            k = next;
            // A quantified assertion is still zero-width.
            while (k < text.size() && (text[k] == '?' || text[k] == '*' || text[k] == '+')) ++k;
        }
        return true;
    }

    static bool IsQuantifierStart(std::string_view text, size_t k) {
        return k < text.size() && (text[k] == '?' || text[k] == '*' || text[k] == '+' || text[k] == '{');
    }

    static bool StartsAtLineStart(std::string_view text) {
        constexpr std::string_view kLead = "(?:^|(?<=\\n))";
        return text.starts_with(kLead) && !IsQuantifierStart(text, kLead.size()) && Alternatives(text).size() == 1;
    }

    // A character that stands for itself in a pattern.
    static bool IsPlainLiteral(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::string_view("_-,:;<>=!#%&'\"@~`/ ").find(c) != std::string_view::npos;
    }

    // The character an item of one literal character stands for: a plain
    // one, or an escaped punctuation mark; 0 for any other item.
    static char LiteralItem(std::string_view item) {
        if (item.size() == 1 && IsPlainLiteral(item[0])) return item[0];
        if (item.size() == 2 && item[0] == '\\' && std::string_view("\\/.*+?()[]{}|^$-").find(item[1]) != std::string_view::npos)
            return item[1];
        return 0;
    }

    // The literal text that every match of `text` begins with, behind
    // assertions, for each alternative (a group of alternatives that each
    // begin so counts as its alternatives); nothing when that is not so.
    using Literals = std::vector<std::string>;
    static std::optional<Literals> StartLiterals(std::string_view text) {
        Literals literals;
        for (std::string_view alt : Alternatives(text)) {
            size_t k = 0;
            while (k < alt.size()) {  // the assertions in front
                size_t next = SkipItem(alt, k);
                std::string_view item = alt.substr(k, next - k);
                if (item != "\\b" && item != "\\B" && !OnlyAssertions(item)) break;
                k = next;
                while (IsQuantifierStart(alt, k) && alt[k] != '{') ++k;
            }
            if (k >= alt.size()) return std::nullopt;
            if (alt[k] == '(') {
                size_t next = SkipItem(alt, k);
                if (IsQuantifierStart(alt, next)) return std::nullopt;
                std::string_view inner = alt.substr(k + 1, next - k - 2);
                if (inner.starts_with("?:")) {
                    inner.remove_prefix(2);
                } else if (inner.starts_with("?")) {
                    return std::nullopt;  // lookarounds were taken above; names are not worth it
                }
                std::optional<Literals> nested = StartLiterals(inner);
                if (!nested) return std::nullopt;
                literals.insert(literals.end(), nested->begin(), nested->end());
                continue;
            }
            std::string literal;
            while (k < alt.size()) {
                size_t next = SkipItem(alt, k);
                char c = LiteralItem(alt.substr(k, next - k));
                if (!c || IsQuantifierStart(alt, next)) break;  // a quantified character may be absent
                literal += c;
                k = next;
            }
            if (literal.empty()) return std::nullopt;
            literals.push_back(std::move(literal));
        }
        return literals;
    }

    static std::vector<std::string> PrecedingItems(std::string_view text) {
        if (!text.starts_with("(?<=")) return {};
        size_t close = SkipItem(text, 0);
        if (IsQuantifierStart(text, close) || Alternatives(text).size() != 1) return {};
        std::vector<std::string> items;
        for (std::string_view alt : Alternatives(text.substr(4, close - 5))) {
            size_t last = std::string_view::npos;
            for (size_t k = 0; k < alt.size(); k = SkipItem(alt, k)) last = k;
            if (last == std::string_view::npos) return {};
            while (last > 0 && (static_cast<unsigned char>(alt[last]) & 0xC0) == 0x80) --last;  // a whole character
            std::string_view item = alt.substr(last);
            // Quantifiers, groups, assertions and back references say too little.
            if (item[0] == '(' || (item.size() == 1 && std::string_view("?*+{}()|^$").find(item[0]) != std::string_view::npos))
                return {};
            if (item.size() == 2 && item[0] == '\\' && std::string_view("bBk123456789").find(item[1]) != std::string_view::npos)
                return {};
            items.emplace_back(item);
        }
        return items;
    }

    bool At(char c, size_t offset = 0) const { return i_ + offset < src_.size() && src_[i_ + offset] == c; }

    char32_t NextSourceChar() {
        char32_t c;
        if (!DecodeUtf8(src_, i_, c)) Fail(regexp_err::SyntaxError, "the pattern is not valid UTF-8 text");
        return c;
    }

    void Atom() {
        quantifiable_ = true;
        afterQuantifier_ = false;
    }
    void Assertion() {
        quantifiable_ = false;
        afterQuantifier_ = false;
    }

    void Literal(char32_t c) {
        if (IsSurrogate(c)) {
            out_ += kNothing;  // no UTF-8 text holds one
        } else {
            AppendCodePoint(out_, c);
            ConsumeChar(c);
        }
        Atom();
    }

    void Term() {
        char c = src_[i_];
        switch (c) {
            case '\\': Escape(); return;
            case '[': Class(); return;
            case '(': OpenParen(); return;
            case ')':
                if (open_.empty()) Fail(regexp_err::SyntaxError, "unmatched ')'");
                ++i_;
                out_ += ')';
                if (open_.back().lookbehind)
                    Assertion();
                else
                    Atom();
                if (open_.back().lookaround) --lookarounds_;
                open_.pop_back();
                return;
            case '|':
                ++i_;
                out_ += '|';
                Assertion();
                return;
            case '^':
                ++i_;
                hasStartAnchor_ = true;
                NoteAssertionInLookbehind();
                out_ += multiLine_ ? std::string("(?:^|(?<=[") + kLineTerminators + "]))" : std::string("^");
                Assertion();
                return;
            case '$':
                ++i_;
                out_ += multiLine_ ? std::string("(?=[") + kLineTerminators + "]|\\z)" : std::string("\\z");
                Assertion();
                return;
            case '.':
                ++i_;
                out_ += std::string("[^") + kLineTerminators + "]";
                Consume(AsciiWhere([](unsigned char c) { return c != '\n' && c != '\r'; }, true));
                Atom();
                return;
            case '*':
            case '+':
            case '?':
                ++i_;
                Quantifier(std::string(1, c));
                return;
            case '{': {
                std::optional<std::string> braces = Braces();
                if (braces) {
                    Quantifier(*braces);
                } else {
                    ++i_;
                    Literal('{');
                }
                return;
            }
            default: Literal(NextSourceChar()); return;
        }
    }

    void Quantifier(const std::string& text) {
        if (!quantifiable_ || afterQuantifier_) Fail(regexp_err::UnexpectedQuantifier);
        out_ += text;
        if (At('?')) {
            ++i_;
            out_ += '?';
        }
        quantifiable_ = false;
        afterQuantifier_ = true;
    }

    // "{n}", "{n,}" or "{n,m}" at the position: its PCRE2 text, with the
    // position moved past it; otherwise nothing, and "{" is a literal.
    std::optional<std::string> Braces() {
        size_t k = i_ + 1;
        auto number = [&](uint64_t& value) {
            size_t start = k;
            value = 0;
            while (k < src_.size() && IsDigit(src_[k])) {
                value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(src_[k] - '0'), 1000000000);
                ++k;
            }
            return k > start;
        };
        uint64_t low = 0, high = 0;
        if (!number(low)) return std::nullopt;
        bool bounded = true, hasComma = false;
        if (k < src_.size() && src_[k] == ',') {
            ++k;
            hasComma = true;
            bounded = number(high);
        }
        if (k >= src_.size() || src_[k] != '}') return std::nullopt;
        i_ = k + 1;
        if (hasComma && bounded && high < low) Fail(regexp_err::SyntaxError, "numbers out of order in {} quantifier");
        std::string text = "{" + std::to_string(low);
        if (hasComma) text += "," + (bounded ? std::to_string(high) : std::string());
        return text + "}";
    }

    void OpenParen() {
        ++i_;
        if (!At('?')) {
            out_ += '(';
            open_.push_back({false});
            Assertion();
            return;
        }
        if (At(':', 1) && WordList()) return;
        if (At(':', 1) || At('=', 1) || At('!', 1)) {
            out_ += "(?";
            out_ += src_[i_ + 1];
            bool lookahead = src_[i_ + 1] != ':';
            i_ += 2;
            open_.push_back({false, lookahead});
            if (lookahead) ++lookarounds_;
        } else if (At('<', 1) && (At('=', 2) || At('!', 2))) {
            out_ += "(?<";
            out_ += src_[i_ + 2];
            i_ += 3;
            open_.push_back({true, true});
            ++lookarounds_;
        } else if (At('<', 1)) {
            // A named group is an ordinary capturing group here; references to
            // it are turned into numbered ones, so any name PCRE2 dislikes works.
            size_t close = src_.find('>', i_ + 2);
            if (close == std::string_view::npos || close == i_ + 2) Fail(regexp_err::SyntaxError, "invalid group name");
            i_ = close + 1;
            out_ += '(';
            open_.push_back({false});
        } else {
            Fail(regexp_err::SyntaxError, "invalid group");
        }
        Assertion();
    }

    // A group of plain words, (?:Abs|And|Array|...), as keyword lists are
    // written: the engine tries the words one by one, so it gets them
    // sorted by their first characters, (?:A(?:bs|nd|rray)|...). Words that
    // differ there cannot both match, and within a first character the
    // order stays, so the first word to match is the same. False, with
    // nothing done, for any other group.
    bool WordList() {
        size_t end = SkipItem(src_, i_ - 1);  // i_ is just behind the "("
        if (end < i_ + 3 || src_[end - 1] != ')') return false;
        std::vector<std::string_view> words = Alternatives(src_.substr(i_ + 2, end - i_ - 3));
        if (words.size() < 4) return false;
        for (std::string_view word : words) {
            if (word.empty()) return false;
            for (char c : word)
                if (!IsWordByte(static_cast<unsigned char>(c))) return false;
            for (char c : word) ConsumeChar(static_cast<unsigned char>(c));
        }
        out_ += "(?:" + SortedWords(words) + ")";
        i_ = end;
        Atom();
        return true;
    }

    std::string SortedWords(const std::vector<std::string_view>& words) const {
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
            unsigned char key = ignoreCase_ && (c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? (c | 0x20) : c;
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
                out += "(?:" + SortedWords(rests[g]) + ")";
        }
        return out;
    }

    // The character after a backslash, where i_ is moved.
    char EscapedChar() {
        ++i_;
        if (i_ >= src_.size()) Fail(regexp_err::SyntaxError, "\\ at end of pattern");
        return src_[i_];
    }

    // \d, \D, \w and \W mean the same to both engines, in a class and out of one.
    static bool IsDigitOrWordEscape(char c) { return c == 'd' || c == 'D' || c == 'w' || c == 'W'; }

    void Escape() {
        const char c = EscapedChar();
        if (IsDigitOrWordEscape(c)) {
            ++i_;
            out_ += '\\';
            out_ += c;
            Consume(EscapeBytes(c));
            Atom();
            return;
        }
        switch (c) {
            case 's':
            case 'S':
                ++i_;
                out_ += c == 's' ? "[" : "[^";
                out_ += kSpaceItems;
                out_ += ']';
                Consume(EscapeBytes(c));
                Atom();
                return;
            case 'b':
            case 'B':
                ++i_;
                out_ += '\\';
                out_ += c;
                NoteAssertionInLookbehind();
                Assertion();
                return;
            case 'k':
                if (hasNames_) {
                    NamedReference();
                    return;
                }
                break;
            default:
                if (c >= '1' && c <= '9' && BackReference()) return;
                break;
        }
        Literal(CharacterEscape(false));
    }

    // \N for N up to the number of groups; false leaves it to octal or the digit.
    bool BackReference() {
        size_t k = i_;
        uint64_t n = 0;
        while (k < src_.size() && IsDigit(src_[k])) n = std::min<uint64_t>(n * 10 + (src_[k++] - '0'), 1u << 30);
        if (n > groupNames_.size()) return false;
        i_ = k;
        out_ += "\\g{" + std::to_string(n) + "}";
        Consume(AsciiWhere([](unsigned char) { return true; }, true));  // what the group took, wherever it stood
        Atom();
        return true;
    }

    void NamedReference() {
        if (!At('<', 1)) Fail(regexp_err::SyntaxError, "invalid named reference");
        size_t close = src_.find('>', i_ + 2);
        if (close == std::string_view::npos) Fail(regexp_err::SyntaxError, "invalid named reference");
        std::string_view name = src_.substr(i_ + 2, close - i_ - 2);
        for (size_t g = 0; g < groupNames_.size(); ++g) {
            if (!groupNames_[g].empty() && groupNames_[g] == name) {
                i_ = close + 1;
                out_ += "\\g{" + std::to_string(g + 1) + "}";
                Consume(AsciiWhere([](unsigned char) { return true; }, true));
                Atom();
                return;
            }
        }
        Fail(regexp_err::SyntaxError, "invalid named reference");
    }

    char32_t CharacterEscape(bool inClass) {
        std::optional<char32_t> c = ReadCharacterEscape(src_, i_, inClass);
        if (!c) Fail(regexp_err::SyntaxError, "the pattern is not valid UTF-8 text");
        return *c;
    }

    // ---- character classes ----

    void Class() {
        ++i_;
        bool negated = At('^');
        if (negated) ++i_;
        std::vector<ClassItem> items;
        while (true) {
            if (i_ >= src_.size()) Fail(regexp_err::ExpectedBracket);
            if (src_[i_] == ']') {
                ++i_;
                break;
            }
            ClassItem first = ClassAtom();
            if (At('-') && i_ + 1 < src_.size() && src_[i_ + 1] != ']') {
                ++i_;
                ClassItem second = ClassAtom();
                if (first.kind == ClassItem::Range && second.kind == ClassItem::Range) {
                    if (second.low < first.low) Fail(regexp_err::InvalidRange);
                    first.high = second.low;
                    items.push_back(first);
                } else {
                    // A class escape at either end makes "-" a plain character.
                    items.push_back(first);
                    items.push_back({ClassItem::Range, '-', '-'});
                    items.push_back(second);
                }
            } else {
                items.push_back(first);
            }
        }
        out_ += ClassText(items, negated);
        Consume(ClassBytes(items, negated));
        Atom();
    }

    ClassItem ClassAtom() {
        if (src_[i_] != '\\') {
            char32_t c = NextSourceChar();
            return {ClassItem::Range, c, c};
        }
        const char c = EscapedChar();
        if (IsDigitOrWordEscape(c)) {
            ++i_;
            return {ClassItem::Escape, 0, 0, c};
        }
        switch (c) {
            case 's': ++i_; return {ClassItem::Space};
            case 'S': ++i_; return {ClassItem::NotSpace};
            case 'b': ++i_; return {ClassItem::Range, 8, 8};
            case '-': ++i_; return {ClassItem::Range, '-', '-'};
            default: {
                char32_t value = CharacterEscape(true);
                return {ClassItem::Range, value, value};
            }
        }
    }

    // PCRE2 has no class subtraction, so a class holding \S (whose ECMAScript
    // meaning PCRE2's \S does not share) becomes an alternative.
    static std::string ClassText(const std::vector<ClassItem>& items, bool negated) {
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

    static void AppendRange(std::string& out, char32_t low, char32_t high) {
        if (IsSurrogate(low)) low = 0xE000;
        if (IsSurrogate(high)) high = 0xD7FF;
        if (low > high) return;  // only surrogates: nothing in UTF-8 text
        AppendCodePoint(out, low);
        if (high != low) {
            out += '-';
            AppendCodePoint(out, high);
        }
    }

    std::string_view src_;
    bool multiLine_;
    bool ignoreCase_;
    size_t i_ = 0;
    std::string out_;
    std::vector<std::string> groupNames_;  // one per capturing group; empty when unnamed
    bool hasNames_ = false;
    std::vector<OpenGroup> open_;
    int lookarounds_ = 0;  // open lookaround groups
    bool hasStartAnchor_ = false;
    bool lookbehindLooksFurther_ = false;
    ByteSet matchBytes_{};
    bool quantifiable_ = false;
    bool afterQuantifier_ = false;
};

}  // namespace

namespace {

std::optional<char32_t> Hex4(std::string_view src, size_t at) {
    if (at + 4 > src.size()) return std::nullopt;
    char32_t value = 0;
    for (size_t k = at; k < at + 4; ++k) {
        int digit = HexValue(src[k]);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<char32_t>(digit);
    }
    return value;
}

// \0 to \377: up to three octal digits when the first is 0-3, else up to two.
char32_t LegacyOctal(std::string_view src, size_t& i) {
    size_t maxDigits = src[i] <= '3' ? 3 : 2;
    char32_t value = 0;
    for (size_t n = 0; n < maxDigits && i < src.size() && IsOctal(src[i]); ++n)
        value = value * 8 + static_cast<char32_t>(src[i++] - '0');
    return value;
}

}  // namespace

std::optional<char32_t> ReadCharacterEscape(std::string_view src, size_t& i, bool inClass) {
    auto at = [&](size_t k, char c) { return k < src.size() && src[k] == c; };
    char c = src[i];
    switch (c) {
        case 'f': ++i; return 0x0C;
        case 'n': ++i; return 0x0A;
        case 'r': ++i; return 0x0D;
        case 't': ++i; return 0x09;
        case 'v': ++i; return 0x0B;
        case 'c':
            if (i + 1 < src.size()) {
                char x = src[i + 1];
                if (IsAsciiLetter(x) || (inClass && (IsDigit(x) || x == '_'))) {
                    i += 2;
                    return static_cast<char32_t>(x) % 32;
                }
            }
            return '\\';  // a lone backslash; the "c" is read next as itself
        case 'x':
            if (i + 2 < src.size() && HexValue(src[i + 1]) >= 0 && HexValue(src[i + 2]) >= 0) {
                char32_t value = static_cast<char32_t>(HexValue(src[i + 1]) * 16 + HexValue(src[i + 2]));
                i += 3;
                return value;
            }
            ++i;
            return 'x';
        case 'u': {
            std::optional<char32_t> unit = Hex4(src, i + 1);
            if (!unit) {
                ++i;
                return 'u';
            }
            i += 5;
            if (*unit >= 0xD800 && *unit <= 0xDBFF && at(i, '\\') && at(i + 1, 'u')) {
                std::optional<char32_t> trail = Hex4(src, i + 2);
                if (trail && *trail >= 0xDC00 && *trail <= 0xDFFF) {
                    i += 6;
                    return 0x10000 + ((*unit - 0xD800) << 10) + (*trail - 0xDC00);
                }
            }
            return *unit;
        }
        default: {
            if (IsOctal(c)) return LegacyOctal(src, i);
            char32_t value;  // identity escape, including \8 and \9
            if (!DecodeUtf8(src, i, value)) return std::nullopt;
            return value;
        }
    }
}

TranslatedPattern TranslateEcmaPattern(std::string_view pattern, bool multiLine, bool ignoreCase) {
    return Translator(pattern, multiLine, ignoreCase).Run();
}

}  // namespace tintext
