#include "engine/simple_pattern.h"

#include <algorithm>
#include <bitset>

namespace tintext {

namespace {

// A character set: its ASCII members, and whether it may also hold
// characters beyond ASCII (then the engine must judge those).
struct CharSet {
    std::bitset<128> ascii;
    bool beyondAscii = false;

    void Add(const CharSet& other) {
        ascii |= other.ascii;
        beyondAscii = beyondAscii || other.beyondAscii;
    }
};

bool IsWordChar(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }
bool IsSpaceChar(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigitChar(int c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsOctalChar(char c) { return c >= '0' && c <= '7'; }
int HexValue(char c) {
    if (IsDigitChar(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

CharSet OneChar(char32_t c) {
    CharSet set;
    set.ascii.set(c);
    return set;
}

// \d \D \w \W \s \S: the ASCII-only ones hold nothing beyond ASCII (the
// engine reads \d and \w without Unicode properties); \s has the Unicode
// spaces, and the negated ones hold everything beyond ASCII but those.
CharSet ClassEscape(char escape) {
    CharSet set;
    for (int c = 0; c < 128; ++c) {
        switch (escape | 0x20) {
            case 'd': set.ascii[c] = IsDigitChar(c); break;
            case 'w': set.ascii[c] = IsWordChar(c); break;
            default: set.ascii[c] = IsSpaceChar(c); break;
        }
    }
    set.beyondAscii = escape == 's';
    if (escape >= 'A' && escape <= 'Z') {
        set.ascii.flip();
        set.beyondAscii = true;
    }
    return set;
}

// Without case a letter stands for both of its cases, and k and s also for
// the Kelvin sign and the long s, which lie beyond ASCII.
void FoldCase(CharSet& set) {
    for (int c = 'a'; c <= 'z'; ++c) {
        bool either = set.ascii[c] || set.ascii[c - 0x20];
        set.ascii[c] = set.ascii[c - 0x20] = either;
    }
    if (set.ascii['k'] || set.ascii['s']) set.beyondAscii = true;
}

class Parser {
public:
    Parser(std::string_view source, bool ignoreCase) : src_(source), ignoreCase_(ignoreCase) {}

    // False for anything but alternatives of quantified sets, all ASCII.
    bool Run(std::vector<std::vector<SimplePattern::Item>>& alternatives) {
        while (true) {
            std::vector<SimplePattern::Item> items;
            while (i_ < src_.size() && src_[i_] != '|') {
                SimplePattern::Item item;
                std::optional<CharSet> set = Atom();
                if (!set || !Quantifier(item.min, item.max)) return false;
                for (int c = 0; c < 128; ++c) item.bytes[c] = set->ascii[c] ? SimplePattern::In : SimplePattern::Out;
                for (int c = 128; c < 256; ++c) item.bytes[c] = set->beyondAscii ? SimplePattern::Unknown : SimplePattern::Out;
                items.push_back(item);
            }
            if (items.empty()) return false;  // an empty alternative
            alternatives.push_back(std::move(items));
            if (i_ == src_.size()) return true;
            ++i_;  // "|"
        }
    }

private:
    bool At(char c, size_t ahead = 0) const { return i_ + ahead < src_.size() && src_[i_ + ahead] == c; }

    std::optional<CharSet> Atom() {
        char c = src_[i_];
        switch (c) {
            case '\\': return Escape();
            case '[': return Class();
            case '.': {  // all but the line terminators
                ++i_;
                CharSet set;
                set.ascii.set();
                set.ascii.reset('\n');
                set.ascii.reset('\r');
                set.beyondAscii = true;
                return set;
            }
            case '(': case ')': case '^': case '$': case '*': case '+': case '?': return std::nullopt;
            case '{': {
                uint32_t min = 0, max = 0;
                if (Braces(min, max)) return std::nullopt;  // a quantifier with nothing to repeat
                ++i_;
                return Literal('{');
            }
            default:
                if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
                ++i_;
                return Literal(c);
        }
    }

    CharSet Literal(char32_t c) const {
        CharSet set = OneChar(c);
        if (ignoreCase_) FoldCase(set);
        return set;
    }

    // None, ?, *, +, {n}, {n,} or {n,m}; a lazy one is refused.
    bool Quantifier(uint32_t& min, uint32_t& max) {
        min = max = 1;
        if (i_ < src_.size()) {
            switch (src_[i_]) {
                case '?': min = 0; ++i_; break;
                case '*': min = 0, max = SimplePattern::kUnbounded; ++i_; break;
                case '+': max = SimplePattern::kUnbounded; ++i_; break;
                case '{':
                    if (!Braces(min, max)) return true;  // a literal "{" comes next
                    break;
                default: return true;
            }
        }
        return !At('?');
    }

    // "{n}", "{n,}" or "{n,m}" at the position, which moves past it; false
    // (position unchanged) when the text there is not one.
    bool Braces(uint32_t& min, uint32_t& max) {
        size_t k = i_ + 1;
        auto number = [&](uint32_t& value) {
            size_t start = k;
            uint64_t n = 0;
            while (k < src_.size() && IsDigitChar(src_[k])) n = std::min<uint64_t>(n * 10 + (src_[k++] - '0'), 1u << 30);
            value = static_cast<uint32_t>(n);
            return k > start;
        };
        uint32_t low = 0, high = 0;
        if (!number(low)) return false;
        high = low;
        if (k < src_.size() && src_[k] == ',') {
            ++k;
            if (!number(high)) high = SimplePattern::kUnbounded;
        }
        if (k >= src_.size() || src_[k] != '}' || high < low) return false;
        i_ = k + 1;
        min = low;
        max = high;
        return true;
    }

    std::optional<CharSet> Escape() {
        ++i_;
        if (i_ >= src_.size()) return std::nullopt;
        char c = src_[i_];
        switch (c) {
            case 'd': case 'D': case 'w': case 'W': case 's': case 'S':
                ++i_;
                return ClassEscape(c);
            case 'b': case 'B': case 'k': return std::nullopt;  // assertions; named references
            default: {
                std::optional<char32_t> value = CharacterEscape(false);
                if (!value) return std::nullopt;
                return Literal(*value);
            }
        }
    }

    // The ASCII character that an escape stands for (the position is just
    // behind the backslash); nothing for one beyond ASCII or in doubt.
    // Without groups, \1 to \7 are octal and \8 \9 the digits.
    std::optional<char32_t> CharacterEscape(bool inClass) {
        char c = src_[i_];
        switch (c) {
            case 'f': ++i_; return 0x0C;
            case 'n': ++i_; return 0x0A;
            case 'r': ++i_; return 0x0D;
            case 't': ++i_; return 0x09;
            case 'v': ++i_; return 0x0B;
            case 'c':
                if (i_ + 1 < src_.size()) {
                    char x = src_[i_ + 1];
                    if (IsLetter(x) || (inClass && (IsDigitChar(x) || x == '_'))) {
                        i_ += 2;
                        return static_cast<char32_t>(x) % 32;
                    }
                }
                return std::nullopt;
            case 'x':
            case 'u': {
                size_t digits = c == 'x' ? 2 : 4;
                if (i_ + digits >= src_.size()) {
                    ++i_;
                    return static_cast<char32_t>(c);
                }
                char32_t value = 0;
                for (size_t k = 1; k <= digits; ++k) {
                    int digit = HexValue(src_[i_ + k]);
                    if (digit < 0) {
                        ++i_;
                        return static_cast<char32_t>(c);  // not a hex escape: the letter itself
                    }
                    value = value * 16 + static_cast<char32_t>(digit);
                }
                i_ += digits + 1;
                if (value >= 0x80) return std::nullopt;
                return value;
            }
            default:
                if (IsOctalChar(c)) {
                    size_t maxDigits = c <= '3' ? 3 : 2;
                    char32_t value = 0;
                    for (size_t n = 0; n < maxDigits && i_ < src_.size() && IsOctalChar(src_[i_]); ++n)
                        value = value * 8 + static_cast<char32_t>(src_[i_++] - '0');
                    if (value >= 0x80) return std::nullopt;
                    return value;
                }
                if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
                ++i_;
                return static_cast<char32_t>(c);  // identity escape
        }
    }

    // One member of a class: a character, or a class escape (as a set).
    struct ClassAtom {
        bool isChar = true;
        char32_t c = 0;
        CharSet set;
    };

    std::optional<ClassAtom> ReadClassAtom() {
        if (i_ >= src_.size()) return std::nullopt;
        if (src_[i_] != '\\') {
            if (static_cast<unsigned char>(src_[i_]) >= 0x80) return std::nullopt;
            return ClassAtom{true, static_cast<char32_t>(src_[i_++]), {}};
        }
        ++i_;
        if (i_ >= src_.size()) return std::nullopt;
        char c = src_[i_];
        switch (c) {
            case 'd': case 'D': case 'w': case 'W': case 's': case 'S':
                ++i_;
                return ClassAtom{false, 0, ClassEscape(c)};
            case 'b': ++i_; return ClassAtom{true, 8, {}};
            case '-': ++i_; return ClassAtom{true, '-', {}};
            default: {
                std::optional<char32_t> value = CharacterEscape(true);
                if (!value) return std::nullopt;
                return ClassAtom{true, *value, {}};
            }
        }
    }

    std::optional<CharSet> Class() {
        ++i_;
        bool negated = At('^');
        if (negated) ++i_;
        CharSet set;
        auto add = [&](const ClassAtom& atom) { set.Add(atom.isChar ? OneChar(atom.c) : atom.set); };
        while (true) {
            if (i_ >= src_.size()) return std::nullopt;
            if (src_[i_] == ']') {
                ++i_;
                break;
            }
            std::optional<ClassAtom> first = ReadClassAtom();
            if (!first) return std::nullopt;
            if (At('-') && i_ + 1 < src_.size() && src_[i_ + 1] != ']') {
                ++i_;
                std::optional<ClassAtom> second = ReadClassAtom();
                if (!second) return std::nullopt;
                if (first->isChar && second->isChar) {
                    if (second->c < first->c) return std::nullopt;
                    for (char32_t c = first->c; c <= second->c; ++c) set.ascii.set(c);
                } else {
                    // A class escape at either end makes "-" a plain character.
                    add(*first);
                    set.ascii.set('-');
                    add(*second);
                }
            } else {
                add(*first);
            }
        }
        // Case folds the members; negation then takes what is left.
        if (ignoreCase_) FoldCase(set);
        if (negated) {
            set.ascii.flip();
            set.beyondAscii = true;
        }
        return set;
    }

    std::string_view src_;
    bool ignoreCase_;
    size_t i_ = 0;
};

bool Disjoint(const SimplePattern::Item& a, const SimplePattern::Item& b) {
    for (int c = 0; c < 128; ++c)
        if (a.bytes[c] == SimplePattern::In && b.bytes[c] == SimplePattern::In) return false;
    return true;
}

// Greedy matching without going back gives the backtracking result when no
// character that a repeat could take might instead be the start of what
// follows it. What follows may begin as late as the first item that must
// take a character; when no item after a repeat must, the greedy way cannot
// fail from there and is the one the engine tries first. Characters beyond
// ASCII need no check: the matcher gives up on them.
bool GreedyIsExact(const std::vector<SimplePattern::Item>& items) {
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].max == items[i].min) continue;
        size_t last = i + 1;
        while (last < items.size() && items[last].min == 0) ++last;
        if (last == items.size()) continue;
        for (size_t j = i + 1; j <= last; ++j)
            if (!Disjoint(items[i], items[j])) return false;
    }
    return true;
}

}  // namespace

std::optional<SimplePattern> SimplePattern::Parse(std::string_view pattern, bool ignoreCase) {
    SimplePattern simple;
    if (!Parser(pattern, ignoreCase).Run(simple.alternatives_)) return std::nullopt;
    for (const std::vector<Item>& items : simple.alternatives_)
        if (!GreedyIsExact(items)) return std::nullopt;
    return simple;
}

// Alternatives are tried in order and the first that matches wins, as the
// engine does: nothing follows them that could make it go back.
SimplePattern::Result SimplePattern::MatchAt(std::string_view text, size_t at, size_t& end) const {
    for (const std::vector<Item>& items : alternatives_) {
        size_t p = at;
        bool matched = true;
        for (const Item& item : items) {
            if (item.max == 1) {  // the common single character, without the loop
                uint8_t member = p < text.size() ? item.bytes[static_cast<unsigned char>(text[p])] : uint8_t{Out};
                if (member == In) {
                    ++p;
                    continue;
                }
                if (member == Unknown) return Result::Unknown;
                if (item.min == 0) continue;
                matched = false;
                break;
            }
            size_t start = p;
            size_t stop = item.max < text.size() - p ? p + item.max : text.size();
            while (p < stop) {
                uint8_t member = item.bytes[static_cast<unsigned char>(text[p])];
                if (member != In) {
                    if (member == Unknown) return Result::Unknown;
                    break;
                }
                ++p;
            }
            if (p - start < item.min) {
                matched = false;
                break;
            }
        }
        if (matched) {
            end = p;
            return Result::Match;
        }
    }
    return Result::NoMatch;
}

}  // namespace tintext
