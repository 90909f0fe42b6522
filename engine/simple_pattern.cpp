#include "engine/simple_pattern.h"

#include <algorithm>
#include <bitset>

#include "engine/regexp_syntax.h"

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

bool IsSpaceChar(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigitChar(int c) { return c >= '0' && c <= '9'; }

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
            case 'w': set.ascii[c] = IsWordByte(c); break;
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

}  // namespace

class SimplePatternParser {
public:
    SimplePatternParser(std::string_view source, bool ignoreCase) : src_(source), ignoreCase_(ignoreCase) {}

    // The whole pattern; nothing for anything outside the simple kind.
    std::optional<SimplePattern> Run() {
        SimplePattern simple;
        if (!Alternatives(simple.alternatives_, false) || !Exact(simple)) return std::nullopt;
        MarkPlain(simple);
        return simple;
    }

private:
    using Item = SimplePattern::Item;
    using Element = SimplePattern::Element;
    using Sequence = SimplePattern::Sequence;

    // Without groups and lookaheads the matcher takes a shorter way, over
    // the sets alone.
    static void MarkPlain(SimplePattern& simple) {
        simple.plain_ = std::all_of(simple.alternatives_.begin(), simple.alternatives_.end(), [](const Sequence& s) {
            return !s.lookahead && std::all_of(s.elements.begin(), s.elements.end(),
                                               [](const Element& element) { return element.group.empty(); });
        });
        if (!simple.plain_) return;
        for (Sequence& sequence : simple.alternatives_)
            for (const Element& element : sequence.elements) sequence.sets.push_back(element.item);
    }

    // Alternatives up to the end, or up to the ")" closing a lookahead.
    bool Alternatives(std::vector<Sequence>& alternatives, bool nested) {
        while (true) {
            Sequence sequence;
            while (i_ < src_.size() && src_[i_] != '|' && src_[i_] != ')') {
                if (At('(')) {
                    if (At('?', 1) && At(':', 2)) {
                        if (!Group(sequence.elements)) return false;
                    } else if (At('?', 1) && (At('=', 2) || At('!', 2))) {
                        if (!Lookahead(sequence)) return false;
                    } else {
                        return false;  // a capture or a lookbehind
                    }
                    continue;
                }
                Element element;
                if (!SetItem(element.item)) return false;
                sequence.elements.push_back(element);
            }
            if (sequence.elements.empty()) return false;  // an empty alternative
            alternatives.push_back(std::move(sequence));
            if (i_ == src_.size()) return !nested;
            if (src_[i_] == ')') return nested;
            ++i_;  // "|"
        }
    }

    bool SetItem(Item& item) {
        std::optional<CharSet> set = Atom();
        if (!set || !Quantifier(item.min, item.max)) return false;
        for (int c = 0; c < 128; ++c) item.bytes[c] = set->ascii[c] ? SimplePattern::In : SimplePattern::Out;
        for (int c = 128; c < 256; ++c) item.bytes[c] = set->beyondAscii ? SimplePattern::Unknown : SimplePattern::Out;
        return true;
    }

    // "(?:" sets ")" and a quantifier; a group taken once is just its sets.
    bool Group(std::vector<Element>& elements) {
        i_ += 3;
        Element group;
        while (!At(')')) {
            if (i_ >= src_.size() || At('(') || At('|')) return false;
            Item item;
            if (!SetItem(item)) return false;
            group.group.push_back(item);
        }
        ++i_;
        if (group.group.empty() || !Quantifier(group.min, group.max)) return false;
        if (group.min == 1 && group.max == 1) {
            for (const Item& item : group.group) elements.push_back(Element{item, {}, 1, 1});
            return true;
        }
        // Each round must take a character, or the engine's rules for
        // empty rounds would come into play.
        if (std::none_of(group.group.begin(), group.group.end(), [](const Item& item) { return item.min > 0; }))
            return false;
        group.item = Item{};
        elements.push_back(std::move(group));
        return true;
    }

    // "(?=" or "(?!" simple alternatives ")", closing the sequence.
    bool Lookahead(Sequence& sequence) {
        sequence.negative = At('!', 2);
        i_ += 3;
        auto inner = std::make_shared<SimplePattern>();
        if (!Alternatives(inner->alternatives_, true)) return false;
        ++i_;  // ")"
        if (i_ < src_.size() && src_[i_] != '|' && src_[i_] != ')') return false;  // not last, or quantified
        for (const Sequence& s : inner->alternatives_)
            if (s.lookahead) return false;
        if (!Exact(*inner)) return false;
        MarkPlain(*inner);
        sequence.lookahead = std::move(inner);
        return true;
    }

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
        std::optional<ClassAtom> atom = EscapeAtom(false);
        if (!atom) return std::nullopt;
        return atom->isChar ? Literal(atom->c) : atom->set;
    }

    // The ASCII character that an escape stands for (the position is just
    // behind the backslash); nothing for one beyond ASCII or in doubt (a
    // lone \c, which reads nothing).
    std::optional<char32_t> CharacterEscape(bool inClass) {
        size_t before = i_;
        std::optional<char32_t> c = ReadCharacterEscape(src_, i_, inClass);
        if (!c || *c >= 0x80 || i_ == before) return std::nullopt;
        return c;
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
        return EscapeAtom(true);
    }

    // The escape just behind a backslash, in a class or outside one: a
    // class escape as a set, or a character. Outside a class \b and \B are
    // assertions and \k a named reference, none of them simple; inside, \b
    // is a backspace and \- a "-".
    std::optional<ClassAtom> EscapeAtom(bool inClass) {
        if (i_ >= src_.size()) return std::nullopt;
        char c = src_[i_];
        switch (c) {
            case 'd': case 'D': case 'w': case 'W': case 's': case 'S':
                ++i_;
                return ClassAtom{false, 0, ClassEscape(c)};
            case 'b':
                if (!inClass) return std::nullopt;
                ++i_;
                return ClassAtom{true, 8, {}};
            case 'B': case 'k':
                if (!inClass) return std::nullopt;
                break;
            case '-':
                if (!inClass) break;
                ++i_;
                return ClassAtom{true, '-', {}};
            default: break;
        }
        std::optional<char32_t> value = CharacterEscape(inClass);
        if (!value) return std::nullopt;
        return ClassAtom{true, *value, {}};
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

    // ---- when greedy matching gives the engine's result ----
    //
    // The matcher never goes back: each set takes all it can, and each group
    // repeats while a whole round matches (a round that fails is undone).
    // The engine tries that same way first and goes back on failure, by
    // giving back characters a set took or rounds a group made. Giving back
    // cannot help when the character given back can start nothing that may
    // come next: the sets that follow, up to the first that must take a
    // character, on every way the pattern may go on (into the rest of a
    // round, into a new round, past the group), and a lookahead closing the
    // alternative counts as a set of the characters its match may start
    // with. A round's first character is one that the group's first sets
    // take, which must likewise be foreign to what may follow the group.
    // Nothing needs checking where everything after a top-level set or
    // group may be skipped up to an end that cannot fail: the greedy way
    // then cannot fail either. A negative lookahead may turn a shorter match
    // into a success, so nothing that can give back may reach it. Characters
    // beyond ASCII need no check: the matcher gives up on them.

    using Chars = std::bitset<128>;

    static Chars AsciiOf(const Item& item) {
        Chars chars;
        for (int c = 0; c < 128; ++c) chars[c] = item.bytes[c] == SimplePattern::In;
        return chars;
    }

    // What may come next from some point: the characters that may start it,
    // and whether the end of the alternative can be reached taking none.
    struct Next {
        Chars chars;
        bool reachesEnd = false;
    };

    // Group sets from `k` up to the first that must take a character; true
    // when there is one.
    static bool AddGroupSets(const Element& group, size_t k, Chars& chars) {
        for (; k < group.group.size(); ++k) {
            chars |= AsciiOf(group.group[k]);
            if (group.group[k].min > 0) return true;
        }
        return false;
    }

    // What may follow element `e` of the sequence, before the lookahead.
    static Next AfterElement(const Sequence& sequence, size_t e) {
        Next next;
        for (++e; e < sequence.elements.size(); ++e) {
            const Element& element = sequence.elements[e];
            if (element.group.empty()) {
                next.chars |= AsciiOf(element.item);
                if (element.item.min > 0) return next;
            } else {
                AddGroupSets(element, 0, next.chars);  // rounds always take one
                if (element.min > 0) return next;
            }
        }
        next.reachesEnd = true;
        return next;
    }

    // What may follow set `k` of group `e`: the rest of the round, then a
    // new round or what follows the group.
    static Next AfterGroupSet(const Sequence& sequence, size_t e, size_t k) {
        const Element& group = sequence.elements[e];
        Next next;
        if (AddGroupSets(group, k + 1, next.chars)) return next;
        if (group.max > 1) AddGroupSets(group, 0, next.chars);
        Next after = AfterElement(sequence, e);
        next.chars |= after.chars;
        next.reachesEnd = after.reachesEnd;
        return next;
    }

    // The characters that may start a match of a pattern without
    // lookaheads; nothing when it may match empty.
    static std::optional<Chars> FirstChars(const SimplePattern& pattern) {
        Chars chars;
        for (const Sequence& sequence : pattern.alternatives_) {
            Next next = AfterElement(sequence, static_cast<size_t>(-1));
            if (next.reachesEnd) return std::nullopt;
            chars |= next.chars;
        }
        return chars;
    }

    // Whether giving back characters of `taken` (a set, or a group's first
    // sets) is useless given what may follow; `topLevel` allows skipping
    // the check where the greedy way cannot fail.
    static bool GiveBackUseless(const Sequence& sequence, const Chars& taken, Next next, bool topLevel) {
        if (next.reachesEnd && sequence.lookahead) {
            if (sequence.negative) return false;
            std::optional<Chars> first = FirstChars(*sequence.lookahead);
            if (first) {
                next.chars |= *first;
                next.reachesEnd = false;
            }
        }
        if (next.reachesEnd && topLevel) return true;
        return (taken & next.chars).none();
    }

    static bool Exact(const SimplePattern& pattern) {
        for (const Sequence& sequence : pattern.alternatives_) {
            for (size_t e = 0; e < sequence.elements.size(); ++e) {
                const Element& element = sequence.elements[e];
                if (element.group.empty()) {
                    if (element.item.max > element.item.min &&
                        !GiveBackUseless(sequence, AsciiOf(element.item), AfterElement(sequence, e), true))
                        return false;
                    continue;
                }
                for (size_t k = 0; k < element.group.size(); ++k) {
                    const Item& item = element.group[k];
                    if (item.max > item.min &&
                        !GiveBackUseless(sequence, AsciiOf(item), AfterGroupSet(sequence, e, k), false))
                        return false;
                }
                Chars first;
                AddGroupSets(element, 0, first);
                if (element.max > element.min && !GiveBackUseless(sequence, first, AfterElement(sequence, e), true))
                    return false;
            }
        }
        return true;
    }

    std::string_view src_;
    bool ignoreCase_;
    size_t i_ = 0;
};

std::optional<SimplePattern> SimplePattern::Parse(std::string_view pattern, bool ignoreCase) {
    return SimplePatternParser(pattern, ignoreCase).Run();
}

namespace {

enum class Step { Fail, Taken, Unknown };

// One set at `p`, which moves past what it takes.
inline Step MatchItem(const SimplePattern::Item& item, std::string_view text, size_t& p) {
    if (item.max == 1) {  // the common single character, without the loop
        uint8_t member = p < text.size() ? item.bytes[static_cast<unsigned char>(text[p])] : uint8_t{SimplePattern::Out};
        if (member == SimplePattern::In) {
            ++p;
            return Step::Taken;
        }
        if (member == SimplePattern::Unknown) return Step::Unknown;
        return item.min == 0 ? Step::Taken : Step::Fail;
    }
    size_t start = p;
    size_t stop = item.max < text.size() - p ? p + item.max : text.size();
    while (p < stop) {
        uint8_t member = item.bytes[static_cast<unsigned char>(text[p])];
        if (member != SimplePattern::In) {
            if (member == SimplePattern::Unknown) return Step::Unknown;
            break;
        }
        ++p;
    }
    return p - start < item.min ? Step::Fail : Step::Taken;
}

// A group's rounds at `p`; a round that fails is undone.
inline Step MatchGroup(const SimplePattern::Element& group, std::string_view text, size_t& p) {
    uint32_t rounds = 0;
    while (rounds < group.max) {
        size_t q = p;
        Step step = Step::Taken;
        for (const SimplePattern::Item& item : group.group) {
            step = MatchItem(item, text, q);
            if (step != Step::Taken) break;
        }
        if (step == Step::Unknown) return step;
        if (step == Step::Fail) break;
        p = q;
        ++rounds;
    }
    return rounds < group.min ? Step::Fail : Step::Taken;
}

}  // namespace

// Alternatives are tried in order and the first that matches wins, as the
// engine does: nothing follows them that could make it go back. A lookahead
// is settled by the first match of its pattern, as the engine does too.
SimplePattern::Result SimplePattern::MatchAt(std::string_view text, size_t at, size_t& end) const {
    if (!plain_) return MatchElements(text, at, end);
    // The common case without groups or lookaheads, kept to the fewest steps.
    for (const Sequence& sequence : alternatives_) {
        size_t p = at;
        bool matched = true;
        for (const Item& item : sequence.sets) {
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

SimplePattern::Result SimplePattern::MatchElements(std::string_view text, size_t at, size_t& end) const {
    for (const Sequence& sequence : alternatives_) {
        size_t p = at;
        bool matched = true;
        for (const Element& element : sequence.elements) {
            Step step = element.group.empty() ? MatchItem(element.item, text, p) : MatchGroup(element, text, p);
            if (step == Step::Unknown) return Result::Unknown;
            if (step == Step::Fail) {
                matched = false;
                break;
            }
        }
        if (!matched) continue;
        if (sequence.lookahead) {
            size_t ignored = 0;
            Result ahead = sequence.lookahead->MatchAt(text, p, ignored);
            if (ahead == Result::Unknown) return Result::Unknown;
            if ((ahead == Result::Match) == sequence.negative) continue;
        }
        end = p;
        return Result::Match;
    }
    return Result::NoMatch;
}

}  // namespace tintext
