#include "engine/simple_pattern.h"

#include <algorithm>
#include <bitset>

#include "engine/pattern_syntax.h"

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

CharSet OneChar(char32_t c) {
    CharSet set;
    set.ascii.set(c);
    return set;
}

CharSet ClassEscape(char escape) {
    CharSet set;
    for (int c = 0; c < 128; ++c) set.ascii[c] = ClassEscapeHolds(escape, static_cast<unsigned char>(c));
    set.beyondAscii = ClassEscapeReachesBeyondAscii(escape);
    return set;
}

// Without case a letter stands for its other forms too; those beyond
// ASCII make the set one the engine must judge there.
void FoldCase(CharSet& set) {
    std::bitset<128> members = set.ascii;
    for (int c = 0; c < 128; ++c) {
        if (!members[c]) continue;
        for (char32_t form : CaselessForms(static_cast<char32_t>(c))) {
            if (form < 0x80)
                set.ascii.set(form);
            else
                set.beyondAscii = true;
        }
    }
}

}  // namespace

class SimplePatternBuilder {
public:
    explicit SimplePatternBuilder(bool ignoreCase) : ignoreCase_(ignoreCase) {}

    // The whole pattern; nothing for anything outside the simple kind.
    std::optional<SimplePattern> Run(const ParsedPattern& pattern) {
        SimplePattern simple;
        if (!Alternatives(pattern.alternatives, simple.alternatives_, false) || !Exact(simple)) return std::nullopt;
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

    // Alternatives of sets and groups, each maybe closed by a lookahead
    // (not inside a lookahead).
    bool Alternatives(const std::vector<Alternative>& alternatives, std::vector<Sequence>& out, bool inLookahead) {
        for (const Alternative& alternative : alternatives) {
            Sequence sequence;
            for (const PatternNode& node : alternative) {
                if (node.kind != PatternNode::Group) {
                    Element element;
                    if (!SetItem(node, element.item)) return false;
                    sequence.elements.push_back(element);
                } else if (node.group == PatternNode::NonCapturing) {
                    if (!Group(node, sequence.elements)) return false;
                } else if (node.group == PatternNode::Lookahead || node.group == PatternNode::NegativeLookahead) {
                    if (inLookahead || &node != &alternative.back() || node.quantifier.form != Quantifier::None ||
                        !Lookahead(node, sequence))
                        return false;
                } else {
                    return false;  // a capture or a lookbehind
                }
            }
            if (sequence.elements.empty()) return false;  // an empty alternative, or a lookahead alone
            out.push_back(std::move(sequence));
        }
        return true;
    }

    // A set with its quantifier.
    bool SetItem(const PatternNode& node, Item& item) {
        std::optional<CharSet> set = Set(node);
        if (!set || !Greedy(node.quantifier, &item.min, &item.max)) return false;
        for (int c = 0; c < 128; ++c) item.bytes[c] = set->ascii[c] ? SimplePattern::In : SimplePattern::Out;
        for (int c = 128; c < 256; ++c) item.bytes[c] = set->beyondAscii ? SimplePattern::Unknown : SimplePattern::Out;
        return true;
    }

    // "(?:" sets ")" and a quantifier; a group taken once is just its sets.
    bool Group(const PatternNode& node, std::vector<Element>& elements) {
        if (node.alternatives.size() != 1 || node.alternatives[0].empty()) return false;
        Element group;
        for (const PatternNode& inner : node.alternatives[0]) {
            Item item;
            if (inner.kind == PatternNode::Group || !SetItem(inner, item)) return false;
            group.group.push_back(item);
        }
        if (!Greedy(node.quantifier, &group.min, &group.max)) return false;
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

    // A lookahead of simple alternatives, closing the sequence.
    bool Lookahead(const PatternNode& node, Sequence& sequence) {
        sequence.negative = node.group == PatternNode::NegativeLookahead;
        auto inner = std::make_shared<SimplePattern>();
        if (!Alternatives(node.alternatives, inner->alternatives_, true) || !Exact(*inner)) return false;
        MarkPlain(*inner);
        sequence.lookahead = std::move(inner);
        return true;
    }

    // A greedy quantifier's bounds (none is once); a lazy one is refused.
    static bool Greedy(const Quantifier& q, uint32_t* min, uint32_t* max) {
        if (q.lazy) return false;
        *min = q.min;
        *max = q.max == Quantifier::kUnbounded ? SimplePattern::kUnbounded : q.max;
        return true;
    }

    // The characters a node of one character matches; nothing for any other
    // node, or for a character beyond ASCII.
    std::optional<CharSet> Set(const PatternNode& node) const {
        switch (node.kind) {
            case PatternNode::Char: {
                if (node.c >= 0x80) return std::nullopt;
                CharSet set = OneChar(node.c);
                if (ignoreCase_) FoldCase(set);
                return set;
            }
            case PatternNode::Dot: {  // all but the line terminators
                CharSet set;
                set.ascii.set();
                set.ascii.reset('\n');
                set.ascii.reset('\r');
                set.beyondAscii = true;
                return set;
            }
            case PatternNode::ClassEscape: return ClassEscape(node.escape);
            case PatternNode::Class: return Class(node);
            default: return std::nullopt;
        }
    }

    std::optional<CharSet> Class(const PatternNode& node) const {
        CharSet set;
        for (const ClassItem& item : node.items) {
            switch (item.kind) {
                case ClassItem::Escape: set.Add(ClassEscape(item.escape)); break;
                case ClassItem::Space: set.Add(ClassEscape('s')); break;
                case ClassItem::NotSpace: set.Add(ClassEscape('S')); break;
                case ClassItem::Range:
                    if (item.high >= 0x80) return std::nullopt;
                    for (char32_t c = item.low; c <= item.high; ++c) set.ascii.set(c);
                    break;
            }
        }
        // Case folds the members; negation then takes what is left.
        if (ignoreCase_) FoldCase(set);
        if (node.negated) {
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

    bool ignoreCase_;
};

std::optional<SimplePattern> SimplePattern::Build(const ParsedPattern& pattern, bool ignoreCase) {
    return SimplePatternBuilder(ignoreCase).Run(pattern);
}

std::optional<SimplePattern> SimplePattern::Parse(std::string_view pattern, bool ignoreCase) {
    try {
        return Build(ParseEcmaPattern(pattern), ignoreCase);
    } catch (const Error&) {
        return std::nullopt;  // not a pattern at all
    }
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
