// The regular-expression engine as definitions use it (ECMAScript syntax,
// global search rules, errors), and the start filters the formatter builds
// from a compiled pattern: they may rule out only starts where no match is.
#include "engine/regexp.h"

#include "test_prelude.h"

#include <random>

#include "engine/start_filter.h"

namespace {

// "start:value" for each match, joined with "|". Options: i, m, 1 (first only).
std::string Matches(const std::string& pattern, const std::string& text, const std::string& options = "") {
    RegExp re;
    re.SetPattern(pattern);
    re.SetIgnoreCase(options.find('i') != std::string::npos);
    re.SetMultiLine(options.find('m') != std::string::npos);
    re.SetGlobal(options.find('1') == std::string::npos);
    std::string out;
    for (const RegExpMatch& m : re.Execute(text)) {
        if (!out.empty()) out += "|";
        out += std::to_string(m.FirstIndex) + ":" + m.Value;
        EXPECT_EQ(m.Length, m.Value.size());
    }
    return out;
}

Error Failure(const std::string& pattern, const std::string& text = "abc") {
    return tintext::testing::Raised([&] { Matches(pattern, text); });
}

}  // namespace

TEST(RegExp, SyntaxAndSearchRules) {
    for (const auto& row : ReadRows("regexp_matches.tsv"))
        EXPECT_EQ(Matches(row[0], row[2], row[1]), row[3]) << row.where << ": /" << row[0] << "/ " << row[4];
}

TEST(RegExp, CompileErrors) {
    for (const auto& row : ReadRows("regexp_errors.tsv"))
        EXPECT_EQ(Failure(row[0]).Number(), std::stoi(row[1])) << row.where << ": " << row[0];
    EXPECT_EQ(Failure("*").Description(), "Unexpected quantifier");
    EXPECT_EQ(Failure("[a").Description(), "Expected ']' in regular expression");
}

TEST(RegExp, BadTextAndRunawayPatternsEndInErrors) {
    EXPECT_EQ(Failure("a", "a\xFF").Number(), err::InvalidArgument);
    EXPECT_EQ(Failure("a", "\xED\xA0\x80").Number(), err::InvalidArgument);  // an encoded surrogate
    std::string many(40, 'a');
    EXPECT_EQ(Failure("(a+)+$", many + "!").Number(), regexp_err::TooMuchBacktracking);
    EXPECT_EQ(Failure("(a|aa)*!$", many + many + "!x").Number(), regexp_err::TooMuchBacktracking);
}

// ---- start filters ----

namespace {

class Generator {
public:
    std::string Pattern() {
        static const char* const kLeads[] = {"", "", "", "^", "\\b", "(?<=a)", "(?<!b)", "(?<==)", "(?:^|(?<=\\n))",
                                             "(?<=\\bif )", "(?<=[(=]|[(=] )"};
        static const char* const kAtoms[] = {"a", "b", "k", "s", "K", "=", " ", "\\n", ".", "\\w", "\\d", "\\s", "\\S",
                                             "\\W", "[ab]", "[^a]", "[\\s\\S]", "\xC3\xA9", "\\x41", "\\b", "\"[^\"]*\"",
                                             "(?:if|in|do|i)", "(?:Sub|sub|Set)", "(a)\\1", "(?=\\s*\\()", "(?!b)"};
        static const char* const kQuantifiers[] = {"", "", "", "?", "*", "+", "{2}", "*?"};
        std::string out;
        for (int a = Pick(2); a >= 0; --a) {
            out += kLeads[Pick(11)];
            for (int i = Pick(3); i >= 0; --i) out += std::string(kAtoms[Pick(26)]) + kQuantifiers[Pick(8)];
            if (a) out += '|';
        }
        return out;
    }

    std::string Text() {
        static const char* const kPieces[] = {"a", "b", "k", "s", "S", "K", "=", "(", " ", "\n", "\r", ".", "1",
                                              "\"", "if ", "in", "Sub", "sET", "\xC3\xA9", "\xE2\x84\xAA", "\xC5\xBF"};
        std::string out;
        for (int i = Pick(8); i > 0; --i) out += kPieces[Pick(21)];
        return out;
    }

    bool Coin() { return Pick(2) == 0; }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    std::mt19937 rng_{20261206};
};

// Every start the filters admit or rule out, checked against the engine on
// one text: each match's start is admitted, its bytes held, a one-character
// answer agrees, the reach is enough, and the scan for a start never passes
// the first match the search finds.
void CheckFiltersAgreeWithTheEngine(const std::string& pattern, bool ignoreCase, const std::string& text) {
    CompiledRegex re(pattern, ignoreCase, false);
    CompiledRegex cut(pattern, ignoreCase, false);
    const StartFilter filter(re.Analysis());
    const ScanText scan{text, 0};
    SCOPED_TRACE("/" + pattern + "/" + (ignoreCase ? "i" : "") + " on \"" + text + "\"");
    for (size_t at = 0; at < text.size(); at = NextCharBoundary(text, at)) {
        if (!re.MatchAt(text, at)) continue;
        const size_t end = re.End();
        ASSERT_TRUE(filter.CanBeginWith(scan.At(at))) << "at " << at;
        ASSERT_TRUE(filter.MayStartAt(scan, at)) << "at " << at;
        for (size_t k = at; k < end; ++k) ASSERT_TRUE(re.Analysis().matchBytes[scan.At(k)]) << "byte " << k;
        size_t oneCharEnd = 0;
        if (filter.IsOneChar()) {
            ASSERT_TRUE(filter.OneCharAt(scan, at, oneCharEnd) && oneCharEnd == end) << at;
        }
        const size_t reach = filter.Reach();
        if (at > reach) {
            // How many bytes the reach's characters take.
            size_t from = at;
            for (uint32_t n = 0; n < reach; ++n)
                while (from > 0 && (scan.At(--from) & 0xC0) == 0x80) {
                }
            const std::string_view rest = std::string_view(text).substr(from);
            ASSERT_TRUE(cut.MatchAt(rest, at - from)) << "reach " << reach << " at " << at;
            ASSERT_EQ(cut.End() + from, end) << "reach " << reach << " at " << at;
        }
    }
    for (size_t from = 0; from < text.size(); from = NextCharBoundary(text, from)) {
        if (!re.Search(text, from) || re.Start() >= text.size()) continue;
        const size_t first = re.Start();
        for (size_t to = first + 1; to <= text.size(); ++to) {
            // A match never holds a byte outside matchBytes, so the scan may
            // pass over one that begins before such a byte in front of `to`.
            if (scan.At(to - 1) < 0x80 && !re.Analysis().matchBytes[scan.At(to - 1)]) break;
            size_t floor = StartFilter::kNotLooked;
            ASSERT_LE(filter.FirstPossibleStart(scan, from, to, floor), first) << "from " << from << " to " << to;
        }
    }
}

}  // namespace

TEST(StartFilter, NeverRulesOutAMatch) {
    Generator gen;
    std::vector<std::pair<std::string, bool>> patterns;
    for (const auto& row : ReadRows("start_filter_patterns.tsv")) patterns.emplace_back(row[0], row[1] == "i");
    for (int p = 0; p < 3000; ++p) patterns.emplace_back(gen.Pattern(), gen.Coin());
    int compiled = 0;
    for (const auto& [pattern, ignoreCase] : patterns) {
        try {
            CompiledRegex probe(pattern, ignoreCase, false);
        } catch (const Error&) {
            continue;  // "\\b{2}" and the like
        }
        ++compiled;
        for (int t = 0; t < 20; ++t) {
            CheckFiltersAgreeWithTheEngine(pattern, ignoreCase, gen.Text());
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
    EXPECT_GT(compiled, 2000);
}

TEST(StartFilter, RulesOutWhatTheBytesTell) {
    for (const auto& row : ReadRows("start_filter_strength.tsv")) {
        CompiledRegex re(row[0], row[1] == "i", false);
        const StartFilter filter(re.Analysis());
        const ScanText scan{row[2], 0};
        const std::string& marks = row[3];
        ASSERT_EQ(marks.size(), row[2].size()) << row.where;
        for (size_t at = 0; at < marks.size(); ++at) {
            if (marks[at] == '^') {
                EXPECT_TRUE(re.MatchAt(row[2], at)) << row.where << " at " << at;
            }
            if (marks[at] == '.') {
                EXPECT_FALSE(filter.MayStartAt(scan, at)) << row.where << " at " << at;
            }
        }
        for (char byte : row[4]) EXPECT_FALSE(re.Analysis().matchBytes[static_cast<unsigned char>(byte)]) << row.where;
    }
}
