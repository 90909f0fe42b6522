#include "engine/simple_pattern.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/regexp.h"
#include "support/utf8.h"

using namespace tintext;

namespace {

using Result = SimplePattern::Result;

struct ParseCase {
    const char* pattern;
    bool ignoreCase;
    bool simple;
    const char* why;
};

TEST(SimplePattern, WhichPatternsAreSimple) {
    const ParseCase cases[] = {
        {"\"", false, true, "one literal"},
        {"%>", false, true, "literals"},
        {"\\s+", false, true, "class escape"},
        {"[^<&;>]+[;>]?", false, true, "negated class, then a disjoint optional class"},
        {"[A-Za-z_\\-][\\w-]*", false, true, "ranges, escaped and trailing '-'"},
        {"#?[A-Za-z_$][\\w$]*", false, true, "optional literal before a disjoint class"},
        {"[-+*/\\\\^=<>]+|&", false, true, "alternatives"},
        {"[A-Z_]\\w*\\$?|\\[[A-Z_][^\\]\\r\\n]{0,255}\\]", false, true, "bounded repeat"},
        {"\"[^\"<&]*\"|'[^'<&]*'", false, true, "quoted strings"},
        {"/?>", false, true, "optional slash"},
        {"a{2,}b{3}c{1,4}", false, true, "brace quantifiers"},
        {"x{|a{,2}|}]", false, true, "braces and brackets that quantify nothing are literals"},
        {"\\x41\\u0042\\101\\cJ[\\b]\\/", false, true, "character escapes"},
        {"[\\s\\S]+", false, true, "anything"},
        {"[]a|[^]", false, true, "empty class and any-character class"},
        {"a*b?a?", false, true, "nothing after the repeat must take a character"},
        {"a*A", false, true, "cases differ"},
        {"a*A", true, false, "without case the repeat overlaps what follows"},
        {"a*a", false, false, "repeat overlaps what follows"},
        {"\\w+\\d", false, false, "word characters include digits"},
        {"a?b?a", false, false, "overlap past an optional item"},
        {"a?b?ca", false, true, "a required item ends the check"},
        {"[^\"]*\"", false, true, "negated class stops at its own complement"},
        {".*\\n", false, true, "dot excludes the line feed"},
        {".*\\r?\\n", false, true, "dot excludes the line terminators that follow"},
        {".*;?x", false, false, "dot takes what may follow"},
        {"(a)", false, false, "capturing group"},
        {"(?<n>a)", false, false, "named group"},
        {"(?<=a)b", false, false, "lookbehind"},
        {"(?:a)", false, true, "a group taken once is just its sets"},
        {"[ \\t]+|(?:\\r?\\n)+", false, true, "repeated group of a line break"},
        {"[ \\t]+|(?:\\r?\\n[ \\t]*)+", false, true, "a round's last set is foreign to the next round's start"},
        {"(?:ab*){2}", false, true, "the next round starts with a required set foreign to the repeat"},
        {"(?:a*b)+c", false, true, "repeats inside a round stop at a required set"},
        {"(?:a[ab]*){2}", false, false, "a round's repeat overlaps the next round's start"},
        {"(?:ba*)+a", false, false, "a round's repeat overlaps what follows the group"},
        {"(?:ab)+ab", false, false, "a round given back may let what follows match"},
        {"(?:ab)*a", false, false, "optional rounds overlap what follows"},
        {"a+(?:bc)?a", false, false, "a repeat overlaps what follows an optional group"},
        {"a+(?:bc)?d", false, true, "a repeat foreign to an optional group and to what follows it"},
        {"(?:a?)+", false, false, "a round may take nothing, and its repeat overlaps the next round"},
        {"(?:a{0})+", false, false, "a round takes nothing"},
        {"(?:a|b)+", false, false, "alternatives in a group"},
        {"(?:(?:a)b)+", false, false, "nested group"},
        {"(?:ab)+?", false, false, "lazy group"},
        {"a(?=b)", false, true, "lookahead of a fixed set"},
        {"#?[A-Za-z_$][\\w$]*(?=\\s*\\()", false, true, "a repeat foreign to the lookahead's first characters"},
        {"[A-Za-z_\\-][\\w-]*\\s*:(?=[^{};]*[;}])", false, true, "lookahead with a repeat of its own"},
        {"a(?=x)|b+", false, true, "lookahead closing one alternative"},
        {"a*(?=a)", false, false, "a repeat overlaps the lookahead's first characters"},
        {"a*(?=b?)", false, true, "a lookahead that may match empty always holds"},
        {"\\.(?!\\d)", false, true, "negative lookahead after a fixed set"},
        {"a*(?!b)", false, false, "negative lookahead after a repeat"},
        {"(?:ab)+(?!c)", false, false, "negative lookahead after repeated rounds"},
        {"a(?=b)c", false, false, "lookahead before the end"},
        {"a(?=b)*", false, false, "quantified lookahead"},
        {"a(?=b(?=c))", false, false, "lookahead inside a lookahead"},
        {"a(?=b*b)", false, false, "a lookahead whose own repeat overlaps"},
        {"^a", false, false, "anchor"},
        {"a$", false, false, "anchor"},
        {"\\bfoo", false, false, "word boundary"},
        {"a\\1", false, true, "without groups \\1 is an octal escape"},
        {"a*?", false, false, "lazy quantifier"},
        {"a{1,2}?", false, false, "lazy quantifier"},
        {"\xC3\xA9", false, false, "character beyond ASCII"},
        {"\\u00e9", false, false, "escape beyond ASCII"},
        {"[\xC3\xA9]", false, false, "class member beyond ASCII"},
        {"\\377", false, false, "octal escape beyond ASCII"},
        {"a|", false, false, "empty alternative"},
        {"|a", false, false, "empty alternative"},
        {"", false, false, "empty pattern"},
        {"\\k", false, false, "named reference syntax"},
        {"\\cX\\c", false, false, "lone \\c"},
    };
    for (const ParseCase& c : cases)
        EXPECT_EQ(SimplePattern::Parse(c.pattern, c.ignoreCase).has_value(), c.simple)
            << c.pattern << " (" << c.why << ")";
}

struct MatchCase {
    const char* pattern;
    bool ignoreCase;
    const char* text;
    size_t at;
    Result result;
    size_t end;  // for a match
};

TEST(SimplePattern, AnswersAndGivesUp) {
    const MatchCase cases[] = {
        {"[a-z]+", false, "ab\xC3\xA9", 0, Result::Match, 2},  // é is not in an ASCII-only class
        {"\\w+", false, "ab\xC3\xA9", 0, Result::Match, 2},
        {"\\S+", false, "ab\xC3\xA9", 0, Result::Unknown, 0},
        {"[^x]", false, "\xC3\xA9", 0, Result::Unknown, 0},
        {"k", true, "\xE2\x84\xAA", 0, Result::Unknown, 0},  // the Kelvin sign
        {"[a-j]", true, "\xE2\x84\xAA", 0, Result::NoMatch, 0},
        {"K", true, "k", 0, Result::Match, 1},
        {"[^a]", true, "A", 0, Result::NoMatch, 0},
        {"\"[^\"]*\"", false, "x\"ab\"", 1, Result::Match, 5},
        {"\"[^\"]*\"", false, "x\"ab", 1, Result::NoMatch, 0},
        {"ab|a", false, "ac", 0, Result::Match, 1},
        {"a|ab", false, "ab", 0, Result::Match, 1},  // the first alternative wins
        {"x|\\S", false, "\xC3\xA9", 0, Result::Unknown, 0},
        {"a{2,3}", false, "aaaa", 0, Result::Match, 3},
        {"a{2,3}", false, "ab", 0, Result::NoMatch, 0},
        {"a*", false, "b", 0, Result::Match, 0},
        {"a*", false, "", 0, Result::Match, 0},
        {"[.]+", false, "a..", 1, Result::Match, 3},
        {"(?:\\r?\\n)+", false, "\n\r\n\rx", 0, Result::Match, 3},  // the failed last round is undone
        {"(?:ab){2,3}", false, "ababa", 0, Result::Match, 4},
        {"(?:ab){2,3}", false, "abac", 0, Result::NoMatch, 0},
        {"(?:ab)+", false, "ab\xC3\xA9", 0, Result::Match, 2},
        {"(?:a\\S)+", false, "aba\xC3\xA9", 0, Result::Unknown, 0},  // a partial round meets é
        {"[\\w$]+(?=\\s*\\()", false, "foo (", 0, Result::Match, 3},
        {"[\\w$]+(?=\\s*\\()", false, "foo x", 0, Result::NoMatch, 0},
        {"[\\w$]+(?=\\s*\\()", false, "foo\xC2\xA0(", 0, Result::Unknown, 0},  // \s holds U+00A0
        {"\\.(?!\\d)", false, ".5", 0, Result::NoMatch, 0},
        {"\\.(?!\\d)", false, ".x", 0, Result::Match, 1},
        {"a(?=b)|ab?", false, "ac", 0, Result::Match, 1},  // the next alternative after a failed lookahead
        {"a(?=k)", true, "a\xE2\x84\xAA", 0, Result::Unknown, 0},
    };
    for (const MatchCase& c : cases) {
        std::optional<SimplePattern> simple = SimplePattern::Parse(c.pattern, c.ignoreCase);
        ASSERT_TRUE(simple) << c.pattern;
        size_t end = 0;
        Result result = simple->MatchAt(c.text, c.at, end);
        EXPECT_EQ(result, c.result) << c.pattern << " on " << c.text;
        if (result == Result::Match && c.result == Result::Match) {
            EXPECT_EQ(end, c.end) << c.pattern << " on " << c.text;
        }
    }
}

// Every character beyond ASCII that a caseless ASCII class takes: the
// matcher marks only sets holding k or s as possibly taking one.
TEST(SimplePattern, OnlyKelvinAndLongSFoldIntoAscii) {
    CompiledRegex ascii("[\\0-\\x7f]", true, false);
    std::vector<char32_t> folding;
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string text;
        AppendUtf8(text, c);
        if (ascii.SearchBefore(text, 0, 1)) folding.push_back(c);
    }
    EXPECT_EQ(folding, (std::vector<char32_t>{0x17F, 0x212A}));
}

// ---- against the engine ----

class Generator {
public:
    std::string Pattern() {
        std::string out;
        int alternatives = Pick(3) + 1;
        for (int a = 0; a < alternatives; ++a) {
            if (a) out += '|';
            int items = Pick(4) + 1;
            for (int i = 0; i < items; ++i) out += Pick(5) == 0 ? Group() : Atom() + Quantifier();
            if (Pick(3) == 0) out += Lookahead();
        }
        return out;
    }

    std::string Text() {
        static const char* const kPieces[] = {"a", "b", "k", "s", "K", "S", "_", "-", "0", "9", "\"", "<",
                                              ">", ";", " ", "\t", "\n", "\r", "{", "}", "]", ".", "x"};
        static const char* const kBeyond[] = {"\xC3\xA9", "\xE2\x84\xAA", "\xC5\xBF", "\xC2\xA0", "\xE2\x80\xA8"};
        std::string out;
        int length = Pick(10);
        for (int i = 0; i < length; ++i) {
            if (Pick(8) == 0) {
                out += kBeyond[Pick(5)];
            } else {
                out += Pick(3) == 0 ? kPieces[Pick(2)] : kPieces[Pick(23)];  // runs of a and b now and then
            }
        }
        return out;
    }

    bool Coin() { return Pick(2) == 0; }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::string Atom() {
        static const char* const kAtoms[] = {"a", "b", "k", "s", "K", "S", "_", "-", "0", "\"", "<", ";",
                                             " ", "{", "}", "]", "\\d", "\\D", "\\w", "\\W", "\\s", "\\S",
                                             "\\t", "\\n", "\\x61", "\\u004B", "\\-", "\\]", "\\.", "."};
        static const char* const kFew[] = {"a", "b", "[ab]", "[^a]"};
        if (Pick(3) == 0) return Class();
        if (Pick(4) == 0) return kFew[Pick(4)];  // overlaps between neighbours are more likely
        return kAtoms[Pick(30)];
    }

    std::string Class() {
        static const char* const kMembers[] = {"a", "b-k", "A-Z", "s", "0-9", "\\d", "\\w", "\\s", "\\S",
                                               "\\W", "\"", "<", "-", "_", "\\]", "K", "x-z", "\\n"};
        std::string out = Pick(3) == 0 ? "[^" : "[";
        int members = Pick(3) + 1;
        for (int m = 0; m < members; ++m) out += kMembers[Pick(18)];
        return out + "]";
    }

    std::string Group() {
        static const char* const kQuantifiers[] = {"", "?", "*", "+", "+", "{2}", "{1,3}", "{2,}", "+?"};
        std::string out = "(?:";
        int items = Pick(3) + 1;
        for (int i = 0; i < items; ++i) out += Atom() + Quantifier();
        return out + ")" + kQuantifiers[Pick(9)];
    }

    std::string Lookahead() {
        std::string out = Coin() ? "(?=" : "(?!";
        int alternatives = Pick(2) + 1;
        for (int a = 0; a < alternatives; ++a) {
            if (a) out += '|';
            int items = Pick(2) + 1;
            for (int i = 0; i < items; ++i) out += Pick(6) == 0 ? Group() : Atom() + Quantifier();
        }
        return out + ")";
    }

    std::string Quantifier() {
        static const char* const kQuantifiers[] = {"", "", "", "?", "*", "+", "{2}", "{1,}", "{0,2}", "{1,3}", "*?"};
        return kQuantifiers[Pick(11)];
    }

    std::mt19937 rng_{20240611};
};

// Random patterns on random texts, at every character boundary: a definite
// answer of the matcher, and MatchAt as a whole, agree with a plain engine
// search for a match that starts there.
TEST(SimplePattern, AgreesWithTheEngine) {
    Generator gen;
    int simplePatterns = 0, withGroups = 0, withLookaheads = 0, matches = 0, misses = 0, unknowns = 0;
    for (int p = 0; p < 6000; ++p) {
        std::string pattern = gen.Pattern();
        bool ignoreCase = gen.Coin();
        std::unique_ptr<CompiledRegex> engine, hooked;
        try {
            engine = std::make_unique<CompiledRegex>(pattern, ignoreCase, false);
            hooked = std::make_unique<CompiledRegex>(pattern, ignoreCase, false);
        } catch (const Error&) {
            continue;  // "a{2}*" and the like
        }
        std::optional<SimplePattern> simple = SimplePattern::Parse(pattern, ignoreCase);
        simplePatterns += simple.has_value();
        withGroups += simple && pattern.find("(?:") != std::string::npos;
        withLookaheads += simple && (pattern.find("(?=") != std::string::npos || pattern.find("(?!") != std::string::npos);
        for (int t = 0; t < 30; ++t) {
            std::string text = gen.Text();
            for (size_t at = 0; at <= text.size(); at = at < text.size() ? NextCharBoundary(text, at) : at + 1) {
                SCOPED_TRACE("/" + pattern + "/" + (ignoreCase ? "i" : "") + " on \"" + text + "\" at " +
                             std::to_string(at));
                // The engine's own search, bounded to a start at `at`.
                bool found = engine->SearchBefore(text, at, at + 1);
                size_t foundEnd = found ? engine->End() : 0;
                bool hookedFound = hooked->MatchAt(text, at);
                ASSERT_EQ(hookedFound, found);
                if (found) {
                    ASSERT_EQ(hooked->Start(), at);
                    ASSERT_EQ(hooked->End(), foundEnd);
                }
                if (!simple) continue;
                size_t end = 0;
                switch (simple->MatchAt(text, at, end)) {
                    case Result::Match:
                        ++matches;
                        ASSERT_TRUE(found);
                        ASSERT_EQ(end, foundEnd);
                        break;
                    case Result::NoMatch:
                        ++misses;
                        ASSERT_FALSE(found);
                        break;
                    case Result::Unknown: ++unknowns; break;
                }
            }
        }
    }
    // The run means something only when the matcher had much to answer.
    EXPECT_GT(simplePatterns, 1000);
    EXPECT_GT(withGroups, 200);
    EXPECT_GT(withLookaheads, 150);
    EXPECT_GT(matches, 40000);
    EXPECT_GT(misses, 40000);
    EXPECT_GT(unknowns, 2000);
}

}  // namespace
