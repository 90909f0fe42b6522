#include "engine/regexp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tintext;

namespace {

struct Options {
    bool ignoreCase = false;
    bool multiLine = false;
    bool global = true;
};

// "start:value" for each match, joined with "|".
std::string Matches(const std::string& pattern, const std::string& text, Options o = {}) {
    RegExp re;
    re.SetPattern(pattern);
    re.SetIgnoreCase(o.ignoreCase);
    re.SetMultiLine(o.multiLine);
    re.SetGlobal(o.global);
    std::string out;
    for (const RegExpMatch& m : re.Execute(text)) {
        if (!out.empty()) out += "|";
        out += std::to_string(m.FirstIndex) + ":" + m.Value;
        EXPECT_EQ(m.Length, m.Value.size());
    }
    return out;
}

int32_t ErrorNumber(const std::string& pattern, const std::string& text = "abc") {
    try {
        Matches(pattern, text);
    } catch (const Error& e) {
        return e.Number();
    }
    return 0;
}

}  // namespace

TEST(RegExp, GlobalSearchRules) {
    struct Case {
        const char* pattern;
        const char* text;
        const char* matches;
    } cases[] = {
        {"a+", "aa baa", "0:aa|4:aa"},
        {"x*", "ab", "0:|1:|2:"},
        {"\\d*", "1a", "0:1|1:|2:"},
        // After an empty match the search moves on one character; it does not
        // retry a longer match at the same place.
        {"x*|a", "a", "0:|1:"},
        {"x*", "\xC3\xA9z", "0:|2:|3:"},                // an empty-match step is one whole character
        {"^a", "aa", "0:a"},                            // ^ only at the start of the searched text
        {"\\ba", "a a", "0:a|2:a"},
        {"(?<=a)b", "abcb", "1:b"},
        {"a*?", "aa", "0:|1:|2:"},
        {"", "ab", "0:|1:|2:"},
        {"b", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(Matches(c.pattern, c.text), c.matches) << c.pattern << " on " << c.text;
    EXPECT_EQ(Matches("a", "aaa", {.global = false}), "0:a");
}

TEST(RegExp, EcmaScriptSyntax) {
    struct Case {
        const char* pattern;
        const char* text;
        const char* matches;
    } cases[] = {
        {"a$", "a\nb", ""},
        {"b$", "a\nb\n", ""},                          // $ is the very end only, not before a final line break
        {".+", "ab\rc\xE2\x80\xA8" "d\ne\xC2\x85", "0:ab|3:c|7:d|9:e\xC2\x85"},  // NEL is no line terminator
        {"[^]+", "a\nb", "0:a\nb"},
        {"a[]", "a", ""},
        {"[]|a", "a", "0:a"},
        {"[^\\S]+", "a \xC2\xA0" "b", "1: \xC2\xA0"},
        {"\\s+", "a\xC2\xA0\xE3\x80\x80\xEF\xBB\xBF" "b", "1:\xC2\xA0\xE3\x80\x80\xEF\xBB\xBF"},
        {"\\S+", "a\xC2\xA0" "b", "0:a|3:b"},
        {"[a\\S]+", "\xC2\xA0xa", "2:xa"},
        {"[\\s\\S]", "\xC3\xA9", "0:\xC3\xA9"},
        {"\\w+", "h\xC3\xA9llo", "0:h|3:llo"},
        {"\\u0041\\x42\\u00e9", "AB\xC3\xA9", "0:AB\xC3\xA9"},
        {"\\uD83D\\uDE00", "x\xF0\x9F\x98\x80", "1:\xF0\x9F\x98\x80"},
        {"\\uD83D", "\xF0\x9F\x98\x80", ""},            // a lone surrogate matches nothing
        {"\\u{2}", "uu", "0:uu"},                       // no u flag: \u is "u", then a quantifier
        {"(a)?b\\1c", "bc", "0:bc"},                    // an unset group's reference matches empty
        {"\\2(a)(b)", "ab", "0:ab"},
        {"\\1", "\x01", "0:\x01"},                      // no group 1: octal
        {"\\8", "8", "0:8"},
        {"\\/\\A\\G\\z", "/AGz", "0:/AGz"},             // identity escapes
        {"\\cJ", "\n", "0:\n"},
        {"\\c1", "\\c1", "0:\\c1"},                     // \c without a letter is a backslash
        {"[\\b]", "\b", "0:\b"},
        {"a{", "a{", "0:a{"},
        {"x{2,}", "xxxx", "0:xxxx"},
        {"{x}", "{x}", "0:{x}"},
        {"[\\d-z]+", "1-z", "0:1-z"},                   // "-" beside a class escape is a character
        {"(?<y>\\d)-\\k<y>", "1-2 3-3", "4:3-3"},
        {"\\k", "k", "0:k"},                            // no named groups: a plain k
        {"[[:alpha:]]", "a", ""},                       // no POSIX classes: "[" ":" ... then "]"
    };
    for (const Case& c : cases) EXPECT_EQ(Matches(c.pattern, c.text), c.matches) << c.pattern;
    EXPECT_EQ(Matches("\\0", std::string("a\0", 2)), std::string("1:\0", 3));
    EXPECT_EQ(Matches("[[:alpha:]]", "[:]"), "1::]");
}

// Word lists are handed to the engine sorted by first character; the first
// word in the written order that matches must still win, also where a
// shorter word and a longer one both match, and without regard to case.
TEST(RegExp, WordListsKeepTheirWinner) {
    struct Case {
        const char* pattern;
        bool ignoreCase;
        const char* text;
        const char* matches;
    } cases[] = {
        {"(?:ab|b|abc|a)", false, "abc", "0:ab"},  // "ab" is written first
        {"(?:a|ab|abc|b)", false, "abc", "0:a|1:b"},
        {"(?:abc|ab|a|b)c", false, "abc", "0:abc"},  // backtracks to the next word in order
        {"(?:ab|a|abc|b)c", false, "abcac", "0:abc|3:ac"},
        {"(?:Sub|sub|Select|Set)\\b", true, "SET sub SUB", "0:SET|4:sub|8:SUB"},
        {"(?:Sub|sub|Select|Set)\\b", false, "SET sub SUB", "4:sub"},
        {"(?:If|Is|In|It)(?:s)", true, "ITS ins", "0:ITS|4:ins"},
        {"(?:k|ka|kb|kc)x", true, "\xE2\x84\xAA" "ax", "0:\xE2\x84\xAA" "ax"},  // the Kelvin sign is a k
    };
    for (const Case& c : cases)
        EXPECT_EQ(Matches(c.pattern, c.text, {.ignoreCase = c.ignoreCase}), c.matches) << c.pattern << " on " << c.text;
    EXPECT_EQ(TranslateEcmaPattern("\\b(?:Abs|And|Array|by|Byte)\\b", false, true).pcre,
              "\\b(?:A(?:bs|nd|rray)|b(?:y(?:|te)))\\b");
    EXPECT_EQ(TranslateEcmaPattern("(?:Abs|And|Array|by|Byte)", false, false).pcre, "(?:A(?:bs|nd|rray)|by|Byte)");
}

TEST(RegExp, Options) {
    EXPECT_EQ(Matches("^b", "a\nb\r\nc", {.multiLine = true}), "2:b");
    EXPECT_EQ(Matches("^", "a\r\nb", {.multiLine = true}), "0:|2:|3:");  // also between CR and LF
    EXPECT_EQ(Matches("a$", "a\r\na", {.multiLine = true}), "0:a|3:a");
    EXPECT_EQ(Matches("^b", "a\nb"), "");
    EXPECT_EQ(Matches("abc", "xABC", {.ignoreCase = true}), "1:ABC");
    EXPECT_EQ(Matches("[a-c]+", "ABC", {.ignoreCase = true}), "0:ABC");
    EXPECT_EQ(Matches("\xC3\xA9", "\xC3\x89", {.ignoreCase = true}), "0:\xC3\x89");
    EXPECT_EQ(Matches("abc", "ABC"), "");
}

TEST(RegExp, SubMatches) {
    RegExp re;
    re.SetPattern("(a)|(b)(c)?");
    re.SetGlobal(true);
    auto matches = re.Execute("ab");
    ASSERT_EQ(matches.size(), 2u);
    EXPECT_EQ(matches[0].SubMatches, (std::vector<std::string>{"a", "", ""}));
    EXPECT_EQ(matches[1].SubMatches, (std::vector<std::string>{"", "b", ""}));
    re.SetPattern("(?<n>x)(?:y)(?=(z))");
    matches = re.Execute("xyz");
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].Value, "xy");
    EXPECT_EQ(matches[0].SubMatches, (std::vector<std::string>{"x", "z"}));
}

TEST(RegExp, CompileErrors) {
    struct Case {
        const char* pattern;
        int32_t number;
    } cases[] = {
        {"*a", 5018},     {"+", 5018},        {"?", 5018},      {"{2}", 5018},     {"a**", 5018},
        {"a++", 5018},    {"a{2}{3}", 5018},  {"(*)", 5018},    {"a|*", 5018},     {"^*", 5018},
        {"\\b+", 5018},   {"(?<=a)*", 5018},  {"a*??", 5018},   {"[abc", 5019},    {"[", 5019},
        {"(abc", 5020},   {"((a)", 5020},     {"[z-a]", 5021},  {"a)", 5017},      {"(?i)a", 5017},
        {"(?#c)", 5017},  {"\\", 5017},       {"a{3,2}", 5017}, {"(?<=a+)b", 5017}, {"\\k<x>(?<y>a)", 5017},
        {"(?<>a)", 5017}, {"\xFF", 5017},
    };
    for (const Case& c : cases) EXPECT_EQ(ErrorNumber(c.pattern), c.number) << c.pattern;
    // Valid ones that look close to the above.
    for (const char* ok : {"a*?", "(?=a)*", "a{,2}", "a{2", "[]]", "[a-]", "[-a]", "\\{2}", "()"})
        EXPECT_EQ(ErrorNumber(ok), 0) << ok;

    auto description = [](const char* pattern) {
        try {
            Matches(pattern, "x");
        } catch (const Error& e) {
            return e.Description();
        }
        return std::string("no error");
    };
    EXPECT_EQ(description("*"), "Unexpected quantifier");
    EXPECT_EQ(description("[a"), "Expected ']' in regular expression");
}

TEST(RegExp, BadTextAndRunawayPatternsEndInErrors) {
    EXPECT_EQ(ErrorNumber("a", "a\xFF"), err::InvalidArgument);
    EXPECT_EQ(ErrorNumber("a", "\xED\xA0\x80"), err::InvalidArgument);  // an encoded surrogate
    std::string many(40, 'a');
    EXPECT_EQ(ErrorNumber("(a+)+$", many + "!"), regexp_err::TooMuchBacktracking);
    EXPECT_EQ(ErrorNumber("(a|aa)*!$", many + many + "!x"), regexp_err::TooMuchBacktracking);
}

TEST(CompiledRegex, LookbehindReachAndOneCharKinds) {
    struct Case {
        const char* pattern;
        uint32_t reach;
        OneCharKind kind;
    } cases[] = {
        {"abc", 0, OneCharKind::None},       {"\\bab", 1, OneCharKind::None},
        {"(?<=abc)d", 3, OneCharKind::None}, {"(?<!x|yz)d", 2, OneCharKind::None},
        {".", 0, OneCharKind::AnyButLineTerminator}, {"[\\s\\S]", 0, OneCharKind::Any},
        {"[^]", 0, OneCharKind::Any},        {"[\\s]", 0, OneCharKind::None},
        {"^a", 1, OneCharKind::None},  // ^ tells the start of the text from a place after one
    };
    for (const Case& c : cases) {
        CompiledRegex re(c.pattern, false, false);
        EXPECT_EQ(re.Analysis().reach, c.reach) << c.pattern;
        EXPECT_EQ(re.Analysis().oneChar, c.kind) << c.pattern;
    }
}

// Patterns whose every match begins at the start of the text or after a
// line feed; a look-alike that may begin elsewhere must not count.
TEST(CompiledRegex, StartsAtLineStart) {
    struct Case {
        const char* pattern;
        bool atLineStart;
    } cases[] = {
        {"(?:^|(?<=\\n))\\w+", true},
        {"(?:^|(?<=\\n))(?:a|\\n)", true},    // the choice is inside a group
        {"(?:^|(?<=\\n))[|\\]]a", true},      // a | in a class
        {"(?:^|(?<=\\n))\\|?b", true},        // an escaped |
        {"(?:^|(?<=\\n))a|b", false},          // b may begin anywhere
        {"(?:^|(?<=\\n))[]|b", false},         // [] is a class of its own; b may begin anywhere
        {"(?:^|(?<=\\n))?a", false},           // the lead is optional
        {"(?:^|(?<=\\n))*b", false},
        {"a(?:^|(?<=\\n))", false},
        {"(?:^|(?<=\\r))a", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompiledRegex(c.pattern, false, false).Analysis().atLineStart, c.atLineStart) << c.pattern;
}

// Where a match may begin, as the formatter reads it: the listed bytes are
// exactly those of FirstBytes among the probes (more than the pattern can
// begin with is safe, fewer is not).
TEST(CompiledRegex, PossibleStarts) {
    struct Case {
        const char* pattern;
        bool ignoreCase;
        const char* starts;  // of the probes "aAbB1 _.\xC3"
        bool anchored;
    } cases[] = {
        {"abc", false, "aA", false},  // a first letter is taken in both cases
        {"abc", true, "aA", false},
        {"[aA]x", false, "aA", false},  // kept by the engine as one caseless unit
        {"[ab]|1", false, "ab1", false},
        {"x*", false, "aAbB1 _.\xC3", false},  // can match empty
        {"\\b(?:ab|b)\\b", false, "ab", false},
        {"(?:(?<!\\.)|(?<=\\.\\.\\.))\\b(?:a|B)", false, "aB", false},
        {"\\ba|\\bb", false, "ab", false},
        {"\\ba|b", false, "ab", false},
        {"\\b\\.", false, ".", false},  // then a word character must come before
        {"[\\b]a", false, "", false},
        {"\\\\b", false, "", false},
        {"\\B\\w", false, "aAbB1_", false},
        {"^a", false, "aA", true},
        {"\xC3\xA9", false, "\xC3", false},
        {"[^a]", false, "aAbB1 _.\xC3", false},  // the engine keeps no table for it
    };
    const std::string probes = "aAbB1 _.\xC3";
    for (const Case& c : cases) {
        CompiledRegex re(c.pattern, c.ignoreCase, false);
        std::string starts;
        for (char probe : probes)
            if (re.Analysis().firstBytes[static_cast<unsigned char>(probe)]) starts += probe;
        EXPECT_EQ(starts, c.starts) << c.pattern;
        EXPECT_EQ(re.Analysis().anchoredAtStart, c.anchored) << c.pattern;
        for (int byte = 0x80; byte < 0xC0; ++byte) EXPECT_FALSE(re.Analysis().firstBytes[byte]) << c.pattern;
    }
}

// The pairs of first two bytes that patterns beginning with literal words
// admit; "?" in `second` stands for any byte.
TEST(CompiledRegex, StartPairs) {
    struct Case {
        const char* pattern;
        bool ignoreCase;
        const char* admitted;  // pairs, two bytes each
        const char* refused;
    } cases[] = {
        {"\\b(?:if|in|do)\\b", false, "ifindo", "IfiXdd"},
        {"(?:if|in)", true, "IFInIf", "iXdo"},
        {"\\bSub\\b", true, "SuSUsu\xC5\xBF", "SvTu"},  // the long s
        {"key", true, "keKEkE\xE2\x84", "kxle"},            // the Kelvin sign
        {"(?:a|bc)d", false, "a?a\xC3" "bc", "bbca"},
        {"ab?", false, "aaab", "ba"},
        {"(?<=x)ab|cd", false, "abcd", "xaca"},
        {"\\.x|\\?>", false, ".x?>", "x.>?"},  // escaped punctuation is literal
    };
    for (const Case& c : cases) {
        CompiledRegex re(c.pattern, c.ignoreCase, false);
        const uint64_t* pairs = re.Analysis().startPairs.empty() ? nullptr : re.Analysis().startPairs.data();
        ASSERT_NE(pairs, nullptr) << c.pattern;
        auto admits = [&](const char* at) {
            unsigned pair = static_cast<unsigned char>(at[0]) * 256u + static_cast<unsigned char>(at[1]);
            return ((pairs[pair / 64] >> (pair % 64)) & 1) != 0;
        };
        for (const char* p = c.admitted; *p; p += 2) EXPECT_TRUE(admits(p)) << c.pattern << " " << std::string(p, 2);
        for (const char* p = c.refused; *p; p += 2) EXPECT_FALSE(admits(p)) << c.pattern << " " << std::string(p, 2);
    }
    for (const char* none : {"[ab]c", "a*b", "\\dx", "(?:a|b*)c", "\\w+"})
        EXPECT_TRUE(CompiledRegex(none, false, false).Analysis().startPairs.empty()) << none;
}

// The bytes a match can hold, as the formatter reads them to skip used-up
// text: among the probes, exactly the listed ones (a byte wrongly left out
// would let a match be missed; one wrongly listed only costs time).
TEST(CompiledRegex, MatchBytes) {
    struct Case {
        const char* pattern;
        bool ignoreCase;
        const char* held;  // of the probes "aAkK1 _.\n\"(\xC3"
    } cases[] = {
        {"[a-z]+", false, "ak"},
        {"[a-z]+", true, "aAkK\xC3"},  // k without case: also the Kelvin sign
        {"a(?=\\s*\\()", false, "a"},   // what a lookahead looks at is not held
        {"(?<=\\.)a|(?<!_)1", false, "a1"},
        {"(?:(?!x)[\\w$])+", false, "aAkK1_"},
        {"\\d|\\s", false, "1 \n\xC3"},  // \s includes spaces beyond ASCII
        {"\\W", false, " .\n\"(\xC3"},
        {"\\S", false, "aAkK1_.\"(\xC3"},
        {".", false, "aAkK1 _.\"(\xC3"},
        {"[^a\\n]", false, "AkK1 _.\"(\xC3"},
        {"\"[^\"]*\"", false, "aAkK1 _.\n\"(\xC3"},
        {"(a)\\1", false, "aAkK1 _.\n\"(\xC3"},  // a back reference: anything
        {"\xC3\xA9", false, "\xC3"},
        {"\xC3\xA9", true, "aAkK\xC3"},  // a character beyond ASCII may fold to a letter
        {"\\x41\\u0028", false, "A("},
    };
    const std::string probes = "aAkK1 _.\n\"(\xC3";
    for (const Case& c : cases) {
        CompiledRegex re(c.pattern, c.ignoreCase, false);
        std::string held;
        for (char probe : probes)
            if (re.Analysis().matchBytes[static_cast<unsigned char>(probe)]) held += probe;
        EXPECT_EQ(held, c.held) << c.pattern;
    }
}

// What may stand before a match of a pattern that opens with a lookbehind;
// null where that says too little or the pattern does not open so.
TEST(CompiledRegex, PrecedingBytes) {
    struct Case {
        const char* pattern;
        bool ignoreCase;
        const char* before;  // of the probes "=aA \t(\x80", or nullptr for no table
    } cases[] = {
        {"(?<==)x", false, "="},
        {"(?<=\\bSub[ \\t]|\\bFunction[ \\t])\\w", true, " \t"},
        {"(?<=[(=]|[(=][ \\t])/", false, "= \t("},
        {"(?<=a)b", true, "aA"},
        {"(?<=\xC3\xA9)b", false, "\x80"},  // ends with a continuation byte
        {"(?<=a{2})b", false, nullptr},  // a quantifier
        {"(?<=(a))b", false, nullptr},  // a group
        {"(?<=a\\b)b", false, nullptr},
        {"(?<=a)b|c", false, nullptr},  // c needs nothing before it
        {"(?<!a)b", false, nullptr},
        {"(?<=.)b", false, nullptr},  // hardly a filter
        {"x(?<=x)", false, nullptr},
    };
    const std::string probes = "=aA \t(\x80";
    for (const Case& c : cases) {
        CompiledRegex re(c.pattern, c.ignoreCase, false);
        const bool* table = re.Analysis().precedingBytes ? re.Analysis().precedingBytes->data() : nullptr;
        if (!c.before) {
            EXPECT_EQ(table, nullptr) << c.pattern;
            continue;
        }
        ASSERT_NE(table, nullptr) << c.pattern;
        std::string before;
        for (char probe : probes)
            if (table[static_cast<unsigned char>(probe)]) before += probe;
        EXPECT_EQ(before, c.before) << c.pattern;
    }
}

TEST(CompiledRegex, AnchoredAttemptAndSearchFromOffset) {
    CompiledRegex re("b+", false, false);
    EXPECT_FALSE(re.MatchAt("abb", 0));
    ASSERT_TRUE(re.MatchAt("abb", 1));
    EXPECT_EQ(re.End(), 3u);
    ASSERT_TRUE(re.Search("bab", 1));
    EXPECT_EQ(re.Start(), 2u);
    CompiledRegex behind("(?<=a)b", false, false);
    EXPECT_TRUE(behind.MatchAt("ab", 1));  // a later start still sees the text before it
    EXPECT_FALSE(behind.MatchAt(std::string_view("ab").substr(1), 0));
}
