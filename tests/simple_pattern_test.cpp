#include "engine/simple_pattern.h"

#include "test_prelude.h"

#include <random>

#include "engine/regexp.h"
#include "support/utf8.h"

namespace {

using Result = SimplePattern::Result;

// The table's verdicts and answers: a definite answer must be the engine's
// (the generated run below checks that on many more); "unknown" where the
// matcher cannot know, and the speed it exists for where it can.
TEST(SimplePattern, TableOfVerdictsAndAnswers) {
    for (const auto& row : ReadRows("simple_patterns.tsv")) {
        std::optional<SimplePattern> simple = SimplePattern::Parse(row[0], row[1] == "i");
        if (row[2] == "simple" || row[2] == "-") {
            EXPECT_EQ(simple.has_value(), row[2] == "simple") << row.where << ": " << row[0] << " (" << row[3] << ")";
            continue;
        }
        ASSERT_TRUE(simple) << row.where;
        size_t end = 0;
        const Result result = simple->MatchAt(row[2], std::stoul(row[3]), end);
        const std::string answer = result == Result::Match ? "match " + std::to_string(end)
                                   : result == Result::NoMatch ? "no" : "unknown";
        EXPECT_EQ(answer, row[4]) << row.where << ": " << row[0] << " on " << row[2] << " " << row[5];
    }
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
