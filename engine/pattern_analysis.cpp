#include "engine/pattern_analysis.h"

#include <algorithm>

#include "support/utf8.h"

namespace tintext {

namespace {

bool IsAsciiLetter(int c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

ByteTable FirstBytes(const EngineStartInfo& engine) {
    ByteTable bytes{};
    if (engine.mayMatchEmpty) {
        bytes.fill(true);
    } else if (engine.firstUnit) {
        // The engine may keep a letter's two cases as one caseless first unit
        // without telling which: take both.
        unsigned char c = *engine.firstUnit;
        bytes[c] = true;
        if (IsAsciiLetter(c)) bytes[c ^ 0x20] = true;
    } else if (engine.firstTable) {
        bytes = *engine.firstTable;
    } else {
        bytes.fill(true);
    }
    for (int c = 0x80; c < 0xC0; ++c) bytes[c] = false;  // never the start of a character
    return bytes;
}

ByteTable MatchBytes(ByteTable bytes, bool ignoreCase) {
    if (!ignoreCase) return bytes;
    // A character beyond ASCII may fold to an ASCII letter; the letters take
    // what they fold with.
    bool nonAscii = std::any_of(bytes.begin() + 0x80, bytes.end(), [](bool b) { return b; });
    for (int c = 'a'; c <= 'z'; ++c) {
        if (!nonAscii && !bytes[c] && !bytes[c - 0x20]) continue;
        for (char32_t form : CaselessForms(static_cast<char32_t>(c))) {
            if (form < 0x80)
                bytes[form] = true;
            else
                std::fill(bytes.begin() + 0x80, bytes.end(), true);
        }
    }
    return bytes;
}

std::vector<uint64_t> StartPairs(const std::vector<std::string>& literals, bool ignoreCase) {
    if (literals.empty()) return {};
    std::vector<uint64_t> bits(65536 / 64, 0);
    auto set = [&](int a, int b) { bits[(a * 256 + b) / 64] |= uint64_t{1} << ((a * 256 + b) % 64); };
    // The UTF-8 forms of the characters that `c` matches.
    auto forms = [&](unsigned char c) {
        std::vector<std::string> texts;
        for (char32_t form : ignoreCase ? CaselessForms(c) : CaselessFormList{{c}, 1}) {
            texts.emplace_back();
            AppendUtf8(texts.back(), form);
        }
        return texts;
    };
    for (const std::string& literal : literals) {
        for (const std::string& first : forms(static_cast<unsigned char>(literal[0]))) {
            int a = static_cast<unsigned char>(first[0]);
            if (first.size() > 1) {
                set(a, static_cast<unsigned char>(first[1]));  // the second byte is that character's own
            } else if (literal.size() < 2) {
                for (int b = 0; b < 256; ++b) set(a, b);
            } else {
                for (const std::string& second : forms(static_cast<unsigned char>(literal[1])))
                    set(a, static_cast<unsigned char>(second[0]));
            }
        }
    }
    return bits;
}

std::optional<ByteTable> PrecedingBytes(const std::vector<ByteTable>& itemFirstBytes) {
    ByteTable bytes{};
    for (const ByteTable& first : itemFirstBytes) {
        // What a one-character pattern can begin with is all it can be.
        for (int c = 0; c < 0x80; ++c) bytes[c] = bytes[c] || first[c];
        // A character beyond ASCII ends with a continuation byte.
        for (int c = 0xC0; c < 0x100; ++c)
            if (first[c]) std::fill(bytes.begin() + 0x80, bytes.begin() + 0xC0, true);
    }
    if (std::count(bytes.begin(), bytes.end(), true) > 0x80) return std::nullopt;  // hardly a filter
    return bytes;
}


// ---- what the parsed pattern tells ----

// \d \D \w \W \s \S, any character beyond ASCII as all the bytes from 0x80 up.
ByteTable EscapeBytes(char escape) {
    ByteTable set{};
    for (int c = 0; c < 128; ++c) set[c] = ClassEscapeHolds(escape, static_cast<unsigned char>(c));
    for (int c = 128; c < 256; ++c) set[c] = ClassEscapeReachesBeyondAscii(escape);
    return set;
}

void AddBytes(ByteTable& to, const ByteTable& from) {
    for (int c = 0; c < 256; ++c) to[c] = to[c] || from[c];
}

void AddNonAscii(ByteTable& to) { std::fill(to.begin() + 0x80, to.end(), true); }

ByteTable ClassBytes(const std::vector<ClassItem>& items, bool negated) {
    ByteTable set{};
    for (const ClassItem& item : items) {
        switch (item.kind) {
            case ClassItem::Escape: AddBytes(set, EscapeBytes(item.escape)); break;
            case ClassItem::Space: AddBytes(set, EscapeBytes('s')); break;
            case ClassItem::NotSpace: AddBytes(set, EscapeBytes('S')); break;
            case ClassItem::Range:
                for (char32_t c = item.low; c <= item.high && c < 0x80; ++c) set[c] = true;
                if (item.high >= 0x80) AddNonAscii(set);
                break;
        }
    }
    if (negated) {
        for (int c = 0; c < 128; ++c) set[c] = !set[c];
        AddNonAscii(set);
    }
    return set;
}

// The match bytes, the ^ and the assertions inside lookbehinds, in one walk.
class FactWalk {
public:
    explicit FactWalk(PatternFacts& facts) : facts_(facts) {}

    void Alternatives(const std::vector<Alternative>& alternatives, bool inLookaround, bool inLookbehind) {
        for (const Alternative& alternative : alternatives)
            for (const PatternNode& node : alternative) Node(node, inLookaround, inLookbehind);
    }

private:
    void Node(const PatternNode& node, bool inLookaround, bool inLookbehind) {
        ByteTable& bytes = facts_.matchBytes;
        switch (node.kind) {
            case PatternNode::LineStart:
                facts_.hasStartAnchor = true;
                facts_.lookbehindLooksFurther |= inLookbehind;
                return;
            case PatternNode::WordBoundary: facts_.lookbehindLooksFurther |= inLookbehind; return;
            case PatternNode::LineEnd: return;
            case PatternNode::Group:
                Alternatives(node.alternatives, inLookaround || node.IsLookaround(), inLookbehind || node.IsLookbehind());
                return;
            default: break;
        }
        // What an atom takes becomes part of the match unless a lookaround holds it.
        if (inLookaround) return;
        switch (node.kind) {
            case PatternNode::Char:
                if (node.c >= 0xD800 && node.c <= 0xDFFF) break;  // matches nothing
                if (node.c < 0x80)
                    bytes[node.c] = true;
                else
                    AddNonAscii(bytes);
                break;
            case PatternNode::Dot:
                for (int c = 0; c < 128; ++c) bytes[c] = bytes[c] || (c != '\n' && c != '\r');
                AddNonAscii(bytes);
                break;
            case PatternNode::ClassEscape: AddBytes(bytes, EscapeBytes(node.escape)); break;
            case PatternNode::Class: AddBytes(bytes, ClassBytes(node.items, node.negated)); break;
            case PatternNode::BackReference: bytes.fill(true); break;  // what the group took, wherever it stood
            default: break;
        }
    }

    PatternFacts& facts_;
};

OneCharKind OneChar(std::string_view text) {
    if (text == ".") return OneCharKind::AnyButLineTerminator;
    static constexpr std::string_view kAnyForms[] = {"[\\s\\S]", "[\\S\\s]", "[\\w\\W]", "[\\W\\w]",
                                                     "[\\d\\D]", "[\\D\\d]", "[^]"};
    for (std::string_view form : kAnyForms)
        if (text == form) return OneCharKind::Any;
    return OneCharKind::None;
}

bool Unquantified(const PatternNode& node) { return node.quantifier.form == Quantifier::None; }

bool IsChar(const PatternNode& node, char32_t c) {
    return node.kind == PatternNode::Char && node.c == c && Unquantified(node);
}

// (?:^|(?<=\n)), unrepeated, alone at the top level.
bool StartsAtLineStart(const ParsedPattern& pattern) {
    if (pattern.alternatives.size() != 1 || pattern.alternatives[0].empty()) return false;
    const PatternNode& lead = pattern.alternatives[0][0];
    if (lead.kind != PatternNode::Group || lead.group != PatternNode::NonCapturing || !Unquantified(lead) ||
        lead.alternatives.size() != 2)
        return false;
    const Alternative& caret = lead.alternatives[0];
    const Alternative& behind = lead.alternatives[1];
    if (caret.size() != 1 || caret[0].kind != PatternNode::LineStart || !Unquantified(caret[0])) return false;
    if (behind.size() != 1 || behind[0].kind != PatternNode::Group || behind[0].group != PatternNode::Lookbehind)
        return false;
    const std::vector<Alternative>& newline = behind[0].alternatives;
    return newline.size() == 1 && newline[0].size() == 1 && IsChar(newline[0][0], '\n');
}

// Whether the node takes no text: a lookaround, ^, or a group of
// alternatives made of them (an empty alternative included).
bool OnlyAssertions(const PatternNode& node) {
    if (node.quantifier.form == Quantifier::Braces) return false;
    if (node.kind == PatternNode::LineStart || node.IsLookaround()) return true;
    if (node.kind != PatternNode::Group || node.group != PatternNode::NonCapturing) return false;
    for (const Alternative& alternative : node.alternatives)
        for (const PatternNode& inner : alternative)
            if (!OnlyAssertions(inner)) return false;
    return true;
}

// The character a node of one literal character stands for: a plain one,
// or an escaped punctuation mark; 0 for any other node.
char LiteralChar(const PatternNode& node) {
    if (node.kind != PatternNode::Char || !Unquantified(node) || node.c >= 0x80) return 0;
    char c = static_cast<char>(node.c);
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 std::string_view("_-,:;<>=!#%&'\"@~`/ ").find(c) != std::string_view::npos;
    if (node.text.size() == 1 && plain) return c;
    if (node.text.size() == 2 && node.text[0] == '\\' &&
        std::string_view("\\/.*+?()[]{}|^$-").find(c) != std::string_view::npos)
        return c;
    return 0;
}

// The literal text that every match begins with, behind assertions, for
// each alternative (a group of alternatives that each begin so counts as
// its alternatives); nothing when that is not so.
using Literals = std::vector<std::string>;
std::optional<Literals> StartLiterals(const std::vector<Alternative>& alternatives) {
    Literals literals;
    for (const Alternative& alternative : alternatives) {
        size_t k = 0;
        while (k < alternative.size() &&
               (alternative[k].kind == PatternNode::WordBoundary || OnlyAssertions(alternative[k])))
            ++k;
        if (k >= alternative.size()) return std::nullopt;
        const PatternNode& node = alternative[k];
        if (node.kind == PatternNode::Group) {
            // Lookarounds were taken above; names are not worth it.
            if (!Unquantified(node) ||
                (node.group != PatternNode::NonCapturing && node.group != PatternNode::Capturing))
                return std::nullopt;
            std::optional<Literals> nested = StartLiterals(node.alternatives);
            if (!nested) return std::nullopt;
            literals.insert(literals.end(), nested->begin(), nested->end());
            continue;
        }
        std::string literal;
        for (; k < alternative.size() && LiteralChar(alternative[k]); ++k) literal += LiteralChar(alternative[k]);
        if (literal.empty()) return std::nullopt;
        literals.push_back(std::move(literal));
    }
    return literals;
}

std::vector<std::string> PrecedingItems(const ParsedPattern& pattern) {
    if (pattern.alternatives.size() != 1 || pattern.alternatives[0].empty()) return {};
    const PatternNode& behind = pattern.alternatives[0][0];
    if (behind.kind != PatternNode::Group || behind.group != PatternNode::Lookbehind) return {};
    std::vector<std::string> items;
    for (const Alternative& alternative : behind.alternatives) {
        if (alternative.empty()) return {};
        const PatternNode& last = alternative.back();
        // Quantifiers, groups, assertions and back references say too little;
        // a lone "\" (of "\c") is no pattern of its own.
        bool oneChar = last.kind == PatternNode::Char || last.kind == PatternNode::Dot ||
                       last.kind == PatternNode::ClassEscape || last.kind == PatternNode::Class;
        if (!oneChar || !Unquantified(last) || last.text == "\\") return {};
        items.emplace_back(last.text);
    }
    return items;
}

}  // namespace

PatternFacts ReadPatternFacts(const ParsedPattern& pattern) {
    PatternFacts facts;
    facts.oneChar = OneChar(pattern.text);
    FactWalk(facts).Alternatives(pattern.alternatives, false, false);
    facts.startsAtLineStart = StartsAtLineStart(pattern);
    facts.startLiterals = StartLiterals(pattern.alternatives).value_or(Literals());
    facts.precedingItems = PrecedingItems(pattern);
    return facts;
}

PatternAnalysis AnalysePattern(const PatternFacts& facts, const EngineStartInfo& engine, bool ignoreCase) {
    PatternAnalysis analysis;
    analysis.oneChar = facts.oneChar;
    analysis.reach = std::max<uint32_t>(engine.maxLookbehind + (facts.lookbehindLooksFurther ? 1 : 0),
                                        facts.hasStartAnchor ? 1 : 0);
    analysis.anchoredAtStart = engine.anchored;
    analysis.atLineStart = facts.startsAtLineStart;
    analysis.firstBytes = FirstBytes(engine);
    analysis.matchBytes = MatchBytes(facts.matchBytes, ignoreCase);
    analysis.startPairs = StartPairs(facts.startLiterals, ignoreCase);
    if (!engine.precedingItemFirstBytes.empty()) analysis.precedingBytes = PrecedingBytes(engine.precedingItemFirstBytes);
    return analysis;
}

}  // namespace tintext
