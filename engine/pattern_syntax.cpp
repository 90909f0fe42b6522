#include "engine/pattern_syntax.h"

#include <algorithm>
#include <optional>

#include "support/utf8.h"

namespace tintext {

CaselessFormList CaselessForms(char32_t c) {
    if (c >= 0x80 || (c | 0x20) < 'a' || (c | 0x20) > 'z') return {{c}, 1};
    if ((c | 0x20) == 'k') return {{c, c ^ 0x20, 0x212A}, 3};
    if ((c | 0x20) == 's') return {{c, c ^ 0x20, 0x17F}, 3};
    return {{c, c ^ 0x20}, 2};
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

[[noreturn]] void Fail(int32_t number, const std::string& detail = {}) {
    std::string text = RegexpErrorText(number);
    if (!detail.empty()) text += ": " + detail;
    throw Error(number, kProgramSource, text);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsOctal(char c) { return c >= '0' && c <= '7'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

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

// The character an escape stands for; `i` is just behind the backslash and
// moves past the escape. It may be a lone surrogate. `inClass` allows the
// digits and "_" after \c, as class escapes do. Nothing when an identity
// escape is not valid UTF-8.
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

// Deeper nesting than any regular-expression engine takes, and than the
// walks over the tree should recurse.
constexpr int kMaxDepth = 1000;

class Parser {
public:
    explicit Parser(std::string_view source) : src_(source) {}

    ParsedPattern Run() {
        Prescan();
        ParsedPattern parsed;
        parsed.text = src_;
        parsed.alternatives = Alternatives(0);
        parsed.captureCount = static_cast<uint32_t>(groupNames_.size());
        return parsed;
    }

private:
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

    // The alternatives up to the end (depth 0) or up to the ")" closing a
    // group, which is left to the caller.
    std::vector<Alternative> Alternatives(int depth) {
        if (depth > kMaxDepth) Fail(regexp_err::SyntaxError, "parentheses are too deeply nested");
        std::vector<Alternative> alternatives(1);
        quantifiable_ = false;
        afterQuantifier_ = false;
        while (i_ < src_.size()) {
            Alternative& terms = alternatives.back();
            switch (src_[i_]) {
                case ')':
                    if (depth == 0) Fail(regexp_err::SyntaxError, "unmatched ')'");
                    return alternatives;
                case '|':
                    ++i_;
                    alternatives.emplace_back();
                    Assertion();
                    break;
                case '*': case '+': case '?': case '{': Quantify(terms); break;
                default: terms.push_back(Term(depth)); break;
            }
        }
        if (depth > 0) Fail(regexp_err::ExpectedParen);
        return alternatives;
    }

    PatternNode Term(int depth) {
        const size_t start = i_;
        PatternNode node;
        switch (src_[i_]) {
            case '\\': Escape(node); break;
            case '[': Class(node); break;
            case '(': Group(node, depth); break;
            case '^':
                ++i_;
                node.kind = PatternNode::LineStart;
                Assertion();
                break;
            case '$':
                ++i_;
                node.kind = PatternNode::LineEnd;
                Assertion();
                break;
            case '.':
                ++i_;
                node.kind = PatternNode::Dot;
                Atom();
                break;
            default: Literal(node, NextSourceChar()); break;
        }
        node.text = src_.substr(start, i_ - start);
        return node;
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

    void Literal(PatternNode& node, char32_t c) {
        node.kind = PatternNode::Char;
        node.c = c;
        Atom();
    }

    // A quantifier for the last term; "{" that forms none is a literal.
    void Quantify(Alternative& terms) {
        Quantifier q;
        switch (src_[i_]) {
            case '*': q = {Quantifier::Star, false, false, 0, Quantifier::kUnbounded}; break;
            case '+': q = {Quantifier::Plus, false, false, 1, Quantifier::kUnbounded}; break;
            case '?': q = {Quantifier::Question, false, false, 0, 1}; break;
            default:
                if (!Braces(q)) {
                    size_t start = i_++;
                    PatternNode node;
                    Literal(node, '{');
                    node.text = src_.substr(start, 1);
                    terms.push_back(std::move(node));
                    return;
                }
                break;
        }
        if (q.form != Quantifier::Braces) ++i_;
        if (!quantifiable_ || afterQuantifier_) Fail(regexp_err::UnexpectedQuantifier);
        if (At('?')) {
            ++i_;
            q.lazy = true;
        }
        terms.back().quantifier = q;
        quantifiable_ = false;
        afterQuantifier_ = true;
    }

    // "{n}", "{n,}" or "{n,m}" at the position, which moves past it; false,
    // with the position unchanged, when the text there is not one.
    bool Braces(Quantifier& q) {
        size_t k = i_ + 1;
        auto number = [&](uint32_t& value) {
            size_t start = k;
            uint64_t n = 0;
            while (k < src_.size() && IsDigit(src_[k])) {
                n = std::min<uint64_t>(n * 10 + static_cast<uint64_t>(src_[k] - '0'), 1000000000);
                ++k;
            }
            value = static_cast<uint32_t>(n);
            return k > start;
        };
        q = {Quantifier::Braces};
        if (!number(q.min)) return false;
        q.max = q.min;
        bool bounded = true;
        if (k < src_.size() && src_[k] == ',') {
            ++k;
            q.hasComma = true;
            bounded = number(q.max);
            if (!bounded) q.max = Quantifier::kUnbounded;
        }
        if (k >= src_.size() || src_[k] != '}') return false;
        i_ = k + 1;
        if (q.hasComma && bounded && q.max < q.min)
            Fail(regexp_err::SyntaxError, "numbers out of order in {} quantifier");
        return true;
    }

    void Group(PatternNode& node, int depth) {
        ++i_;
        node.kind = PatternNode::Group;
        if (!At('?')) {
            node.group = PatternNode::Capturing;
        } else if (At(':', 1)) {
            node.group = PatternNode::NonCapturing;
            i_ += 2;
        } else if (At('=', 1) || At('!', 1)) {
            node.group = At('=', 1) ? PatternNode::Lookahead : PatternNode::NegativeLookahead;
            i_ += 2;
        } else if (At('<', 1) && (At('=', 2) || At('!', 2))) {
            node.group = At('=', 2) ? PatternNode::Lookbehind : PatternNode::NegativeLookbehind;
            i_ += 3;
        } else if (At('<', 1)) {
            size_t close = src_.find('>', i_ + 2);
            if (close == std::string_view::npos || close == i_ + 2) Fail(regexp_err::SyntaxError, "invalid group name");
            node.group = PatternNode::NamedCapturing;
            i_ = close + 1;
        } else {
            Fail(regexp_err::SyntaxError, "invalid group");
        }
        node.alternatives = Alternatives(depth + 1);
        ++i_;  // ")"
        // A lookbehind is an assertion; a lookahead may be repeated, as the
        // script engines allow.
        if (node.IsLookbehind())
            Assertion();
        else
            Atom();
    }

    // The character after a backslash, where i_ is moved.
    char EscapedChar() {
        ++i_;
        if (i_ >= src_.size()) Fail(regexp_err::SyntaxError, "\\ at end of pattern");
        return src_[i_];
    }

    static bool IsClassEscape(char c) {
        return c == 'd' || c == 'D' || c == 'w' || c == 'W' || c == 's' || c == 'S';
    }

    void Escape(PatternNode& node) {
        const char c = EscapedChar();
        if (IsClassEscape(c)) {
            ++i_;
            node.kind = PatternNode::ClassEscape;
            node.escape = c;
            Atom();
            return;
        }
        switch (c) {
            case 'b':
            case 'B':
                ++i_;
                node.kind = PatternNode::WordBoundary;
                node.escape = c;
                Assertion();
                return;
            case 'k':
                if (hasNames_) {
                    NamedReference(node);
                    return;
                }
                break;
            default:
                if (c >= '1' && c <= '9' && BackReference(node)) return;
                break;
        }
        Literal(node, CharacterEscape(false));
    }

    // \N for N up to the number of groups; false leaves it to octal or the digit.
    bool BackReference(PatternNode& node) {
        size_t k = i_;
        uint64_t n = 0;
        while (k < src_.size() && IsDigit(src_[k])) n = std::min<uint64_t>(n * 10 + (src_[k++] - '0'), 1u << 30);
        if (n > groupNames_.size()) return false;
        i_ = k;
        node.kind = PatternNode::BackReference;
        node.number = static_cast<uint32_t>(n);
        Atom();
        return true;
    }

    void NamedReference(PatternNode& node) {
        if (!At('<', 1)) Fail(regexp_err::SyntaxError, "invalid named reference");
        size_t close = src_.find('>', i_ + 2);
        if (close == std::string_view::npos) Fail(regexp_err::SyntaxError, "invalid named reference");
        std::string_view name = src_.substr(i_ + 2, close - i_ - 2);
        for (size_t g = 0; g < groupNames_.size(); ++g) {
            if (!groupNames_[g].empty() && groupNames_[g] == name) {
                i_ = close + 1;
                node.kind = PatternNode::BackReference;
                node.number = static_cast<uint32_t>(g + 1);
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

    void Class(PatternNode& node) {
        ++i_;
        node.kind = PatternNode::Class;
        node.negated = At('^');
        if (node.negated) ++i_;
        std::vector<ClassItem>& items = node.items;
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
        Atom();
    }

    ClassItem ClassAtom() {
        if (src_[i_] != '\\') {
            char32_t c = NextSourceChar();
            return {ClassItem::Range, c, c};
        }
        const char c = EscapedChar();
        switch (c) {
            case 'd': case 'D': case 'w': case 'W': ++i_; return {ClassItem::Escape, 0, 0, c};
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

    std::string_view src_;
    size_t i_ = 0;
    std::vector<std::string> groupNames_;  // one per capturing group; empty when unnamed
    bool hasNames_ = false;
    bool quantifiable_ = false;
    bool afterQuantifier_ = false;
};

}  // namespace

ParsedPattern ParseEcmaPattern(std::string_view pattern) { return Parser(pattern).Run(); }

}  // namespace tintext
