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
        for (char32_t form : ignoreCase ? CaselessForms(c) : std::vector<char32_t>{c}) {
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

}  // namespace

PatternAnalysis AnalysePattern(const TranslatedPattern& translated, const EngineStartInfo& engine, bool ignoreCase) {
    PatternAnalysis analysis;
    analysis.oneChar = translated.oneChar;
    analysis.reach = std::max<uint32_t>(engine.maxLookbehind + (translated.lookbehindLooksFurther ? 1 : 0),
                                        translated.hasStartAnchor ? 1 : 0);
    analysis.anchoredAtStart = engine.anchored;
    analysis.atLineStart = translated.startsAtLineStart;
    analysis.firstBytes = FirstBytes(engine);
    analysis.matchBytes = MatchBytes(translated.matchBytes, ignoreCase);
    analysis.startPairs = StartPairs(translated.startLiterals, ignoreCase);
    if (!engine.precedingItemFirstBytes.empty()) analysis.precedingBytes = PrecedingBytes(engine.precedingItemFirstBytes);
    return analysis;
}

}  // namespace tintext
