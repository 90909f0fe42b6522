#include "engine/formatter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "recording_environment.h"
#include "support/error.h"
#include "support/html_escape.h"

// The tables leave trailing fields of their rows at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace tintext;

namespace {

struct RuleRow {
    std::vector<std::string> patterns;
    std::optional<std::string> tmpl;  // under "HTML"; none: the rule writes nothing
    std::string enter;
    bool returns = false;
};

struct SectionRow {
    std::string name;
    std::vector<RuleRow> rules;
    std::vector<std::string> header, footer;
    bool ignoreCase = true;
    bool multiLine = true;
};

HldTree MakeTree(const std::vector<SectionRow>& rows) {
    HldTree tree;
    int line = 0;
    for (const SectionRow& row : rows) {
        HldSection section;
        section.name = row.name;
        section.ignoreCase = row.ignoreCase;
        section.multiLine = row.multiLine;
        if (!row.header.empty()) section.header[kHtmlFormatKey] = row.header;
        if (!row.footer.empty()) section.footer[kHtmlFormatKey] = row.footer;
        for (const RuleRow& r : row.rules) {
            HldRule rule;
            for (const std::string& p : r.patterns) rule.patterns.push_back({p, ++line, "t.hld"});
            if (r.tmpl) rule.formats[kHtmlFormatKey] = *r.tmpl;
            if (!r.enter.empty()) rule.enter = r.enter;
            rule.returns = r.returns;
            section.rules.push_back(std::move(rule));
        }
        tree.sections.Add(row.name, std::move(section));
    }
    return tree;
}

// Events run after every step.
std::string Format(const HldTree& tree, std::string_view input, JobEnvironment& env, size_t start = 0) {
    StringSink sink;
    size_t ptr = start;
    FormatSection(tree, tree.sections.at(0).second, input, sink, ptr, env, {std::chrono::milliseconds(0)});
    return sink.text;
}

std::string Format(const HldTree& tree, std::string_view input, size_t start = 0) {
    RecordingEnvironment env;
    return Format(tree, input, env, start);
}

std::string Format(const std::vector<SectionRow>& rows, std::string_view input, JobEnvironment& env) {
    return Format(MakeTree(rows), input, env);
}

std::string Format(const std::vector<SectionRow>& rows, std::string_view input) {
    return Format(MakeTree(rows), input);
}

Error FormatError(const std::vector<SectionRow>& rows, std::string_view input) {
    try {
        Format(rows, input);
    } catch (const Error& e) {
        return e;
    }
    return Error(0, "", "no error");
}

const RuleRow kCopyAny{{"[\\s\\S]"}, "$$"};

}  // namespace

TEST(FormatSection, MatchingAndTemplates) {
    struct Case {
        const char* name;
        std::vector<RuleRow> rules;
        std::string input, output;
    } cases[] = {
        {"worked example", {{{"\\d+"}, "[$$]"}, {{"."}, "$$"}}, "a 12", "Ha&nbsp;[12]F"},
        {"unmatched characters are skipped", {{{"\\d+"}, "[$$]"}}, "a 12", "H[12]F"},
        {"no rule matches", {{{"z"}, "Z"}}, "abc", "HF"},
        {"empty input", {{{"("}, "never compiled"}}, "", "HF"},
        {"longer match of a later rule wins", {{{"ab"}, "1"}, {{"abc"}, "2"}}, "abc", "H2F"},
        {"equal length: earlier rule", {{{"ab"}, "1"}, {{"ab"}, "2"}}, "ab", "H1F"},
        {"equal length: earlier pattern, its groups", {{{"(a)b", "a(b)"}, "$0"}}, "ab", "HaF"},
        {"used-up text is not searched again", {{{"abc"}, "1$$"}, {{"bcd"}, "2$$"}}, "abcd", "H1abcF"},
        {"nor behind it", {{{"xy"}, "1$$"}, {{"yz|z"}, "2$$"}}, "xyz", "H1xyF"},
        {"$0 without groups", {{{"a"}, "$0$"}}, "a", "H$0$F"},
        {"$10 is group 2 and 0", {{{"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)"}, "$10"}}, "abcdefghijk", "Hb0F"},
        {"inserted text is replaced in turn", {{{"(a)\\$0"}, "$$"}}, "a$0", "HaaF"},
        {"$$ first, not overlapping", {{{"(b)"}, "$$$0|$$$"}}, "b", "Hbb|b$F"},
        {"escaping", {{{"[\\s\\S]+"}, "$$"}}, "a b\t\"c'<&>\r\n", "Ha&nbsp;b\t\"c'&lt;&amp;&gt;\r\nF"},
        {"groups are escaped, unset ones empty", {{{"(<)|(>)"}, "[$0|$1]"}}, "<>", "H[&lt;|][|&gt;]F"},
        {"template absent: text used up", {{{"ab"}}, {{"."}, "$$"}}, "abc", "HcF"},
        {"case ignored by default", {{{"abc"}, "$$"}}, "xABC", "HABCF"},
        {"an empty winner is skipped", {{{"x*"}, "E"}, {{"(?=b)"}, "L"}}, "ab", "HF"},
        {"an empty match loses to a longer one", {{{"x*"}, "E"}, {{"b"}, "B"}}, "ab", "HBF"},
        {"NUL and control characters", {kCopyAny}, std::string("a\0b\x01\x7f", 5), std::string("Ha\0b\x01\x7f" "F", 7)},
        {"multi-byte characters skipped whole", {{{"b"}, "B"}}, "\xC3\xA9" "b\xE2\x82\xAC", "HBF"},
        {"$ only at the very end", {{{"a$"}, "A"}, kCopyAny}, "a\na", "Ha\nAF"},
    };
    for (const Case& c : cases) {
        SectionRow section{"S", c.rules, {"H"}, {"F"}};
        EXPECT_EQ(Format({section}, c.input), c.output) << c.name;
    }
}

TEST(FormatSection, CaseSensitiveSectionAndOtherFormatKeys) {
    HldTree tree = MakeTree({{"S", {{{"abc"}, "$$"}}, {"H1", "H2"}, {"F1", "F2"}, false}});
    HldSection& section = *tree.sections.Find("S");
    section.header["RTF"] = {"ignored"};
    section.rules[0].formats["RTF"] = "ignored";
    EXPECT_EQ(Format(tree, "ABC abc"), "H1H2abcF1F2");
}

TEST(FormatSection, SectionsSharingAPatternKeepTheirOwnCase) {
    // One pattern text, compiled once per case setting: each section keeps its own.
    std::vector<SectionRow> rows = {
        {"S", {{{"abc"}, "[$$]"}, {{"-"}, "", "T"}, kCopyAny}, {}, {}, true},
        {"T", {{{"abc"}, "<$$>"}, {{"-"}, "", "", true}, kCopyAny}, {}, {}, false},
    };
    EXPECT_EQ(Format(rows, "ABC-ABCabc-ABC"), "[ABC]ABC<abc>[ABC]");
}

TEST(FormatSection, EscapingAcrossTheOutputBlocks) {
    // Matches long and short, escaped to six times their size, fill the
    // output block at every offset; none may lose or double a byte.
    std::string input;
    for (int k = 0; k < 3000; ++k) input += std::string(static_cast<size_t>(k % 97), ' ') + "a&b<c>d\n";
    input += std::string(40000, ' ');
    std::vector<SectionRow> rows = {{"S", {{{"[ ]+"}, "$$"}, {{"[^ ]+"}, "$$|"}}}};
    std::string expected;
    for (size_t k = 0; k < input.size();) {
        size_t end = input[k] == ' ' ? input.find_first_not_of(' ', k) : input.find(' ', k);
        if (end == std::string::npos) end = input.size();
        expected += EncodeHtml(input.substr(k, end - k)) + (input[k] == ' ' ? "" : "|");
        k = end;
    }
    EXPECT_EQ(Format(rows, input), expected);
}

// Definitions with plain blanks write them as blanks, in the match and in
// its groups alike; the others keep "&nbsp;".
TEST(FormatSection, BlanksPlainOrNbspByTheDefinition) {
    const std::vector<SectionRow> rows = {{"S", {{{"(a b) (c)"}, "[$$|$0|$1]"}, kCopyAny}}};
    HldTree tree = MakeTree(rows);
    EXPECT_EQ(Format(tree, "a b c <&>"), "[a&nbsp;b&nbsp;c|a&nbsp;b|c]&nbsp;&lt;&amp;&gt;");
    tree.plainBlanks = true;
    EXPECT_EQ(Format(tree, "a b c <&>"), "[a b c|a b|c] &lt;&amp;&gt;");
}

TEST(FormatSection, StartsAtThePositionGiven) {
    HldTree tree = MakeTree({{"S", {{{"^."}, "[$$]"}, kCopyAny}}});
    EXPECT_EQ(Format(tree, "abc", 1), "[b]c");  // the search starts there: ^ matches there
    EXPECT_EQ(Format(tree, "abc", 3), "");
}

TEST(FormatSection, NestedSections) {
    const std::vector<SectionRow> base = {
        {"S", {{{"a"}, std::nullopt, "T"}, {{"q"}, "Q", "", true}, {{"^x"}, "[X]"}, kCopyAny}, {"S("}, {")S"}},
        {"T", {{{"b"}, "B", "", true}, {{"e"}, "E", "U"}, kCopyAny}, {"T("}, {")T"}},
        {"U", {{{"u"}, "<U>", "", true}, kCopyAny}, {"U("}, {")U"}},
    };
    struct Case {
        const char* name;
        std::string input, output;
    } cases[] = {
        {"enter without template, return writes template then footer", "xacbd", "S([X]T(cB)Td)S"},
        {"^ matches where a nested section returned", "xabxx", "S([X]T(B)T[X]x)S"},
        {"^ does not match after an ordinary step", "yx", "S(yx)S"},
        {"enter at the end of the input", "a", "S(T()T)S"},
        {"end of input inside nested sections: footers inner to outer", "aez", "S(T(EU(z)U)T)S"},
        {"return in the outermost section ends formatting", "cqa", "S(cQ)S"},
        {"return from two levels", "aeub", "S(T(EU(<U>)UB)T)S"},
    };
    for (const Case& c : cases) EXPECT_EQ(Format(base, c.input), c.output) << c.name;
}

TEST(FormatSection, StartAnchorInOneAlternativeAfterAReturn) {
    // The used-up "y" makes the first pattern search ahead, and it finds
    // "vq" before the nested section returns; where it returns, the ^ must
    // still be tried.
    std::vector<SectionRow> rows = {
        {"S", {{{"^[xw]|[yv]q"}, "[$$]"}, {{"yy"}, "($$)"}, {{"a"}, "", "T"}, kCopyAny}},
        {"T", {{{"b"}, "", "", true}, kCopyAny}},
    };
    EXPECT_EQ(Format(rows, "xyywabwvq"), "[x](yy)w[w][vq]");
}

TEST(FormatSection, EnterAndReturnInOneRule) {
    // The nested section runs first; then the current one ends too.
    std::vector<SectionRow> rows = {
        {"S", {{{"a"}, "A", "T", true}, kCopyAny}, {"S("}, {")S"}},
        {"T", {{{"b"}, "B", "", true}, kCopyAny}, {"T("}, {")T"}},
    };
    EXPECT_EQ(Format(rows, "xacbz"), "S(xAT(cB)T)S");
}

TEST(FormatSection, RebuildFindsMatchesBehindAReturn) {
    // At 2 the match bcdQd of rule 2 lies in used-up text; the search goes on
    // behind it. After the nested section returns at 4, the rebuilt list
    // must hold the d at 5 again.
    std::vector<SectionRow> rows = {
        {"S", {{{"xb"}, "X"}, {{"bcdQd|d"}, "2$$"}, {{"c"}, "C", "T"}}},
        {"T", {{{"d"}, "D", "", true}}},
    };
    EXPECT_EQ(Format(rows, "xbcdQd"), "XCD2d");
}

TEST(FormatSection, MultiLineValueChangesNothing) {
    for (bool multiLine : {true, false}) {
        SectionRow section{"S", {{{"^a"}, "[A]"}, kCopyAny}, {}, {}, true, multiLine};
        EXPECT_EQ(Format({section}, "a\na"), "[A]\na");
    }
}

TEST(FormatSection, CancelWritesTheFootersOfOpenSections) {
    RecordingEnvironment env;
    // Events run after every step here: after "a", "c" and "d"; the third
    // run presses Cancel, read before the next step.
    env.cancelAfterDoEvents = 2;
    std::vector<SectionRow> rows = {
        {"S", {{{"b"}, "b", "T"}, kCopyAny}, {"<S>"}, {"</S>"}},
        {"T", {kCopyAny}, {"<T>"}, {"</T>"}},
    };
    EXPECT_EQ(Format(rows, "abcdefg", env), "<S>ab<T>cd</T></S>");
    EXPECT_EQ(env.progressValue, 4);

    env.doEventsCount = 0;
    env.cancelAfterDoEvents = -1;
    env.cancelRequested = true;  // already set: nothing is searched
    EXPECT_EQ(Format({{"S", {{{"("}, "x"}}, {"<S>"}, {"</S>"}}}, "abc", env), "<S></S>");
    EXPECT_EQ(env.doEventsCount, 0);
}

TEST(FormatSection, ProgressReachesTheEnd) {
    RecordingEnvironment env;
    Format({{"S", {{{"\\w+"}, "w"}}}}, "ab cd ef", env);
    EXPECT_EQ(env.progressValue, 8);
    EXPECT_EQ(env.doEventsCount, 5);  // ab, blank, cd, blank, ef
}

// The clock is read every 256 steps; events run when the interval has passed since they last ran.
TEST(FormatSection, EventsWaitForTheInterval) {
    const HldTree tree = MakeTree({{"S", {{{"a"}, "a"}}}});
    const std::string input(1000, 'a');
    for (const auto& [tick, pumps] : {std::pair<int, long>{0, 0}, {29, 1}, {30, 3}}) {
        SCOPED_TRACE(tick);
        RecordingEnvironment env;
        std::chrono::steady_clock::time_point now{};
        FormatOptions options;  // an interval of 30 ms
        options.clock = [&] { return now += std::chrono::milliseconds(tick); };
        StringSink sink;
        size_t ptr = 0;
        FormatSection(tree, tree.sections.at(0).second, input, sink, ptr, env, options);
        EXPECT_EQ(sink.text, input);
        EXPECT_EQ(env.doEventsCount, pumps);
        EXPECT_EQ(env.progressValue, 1000);  // the end is reported however few events ran
    }
}

TEST(FormatSection, InvalidPatternMessages) {
    Error quantifier = FormatError({{"S", {{{"a"}}, {{"*a"}, "x"}}}}, "abc");
    EXPECT_EQ(quantifier.Number(), 5018);
    EXPECT_EQ(quantifier.Description(),
              "Error searching for pattern: *a\r\nThe pattern is invalid.\r\nThe pattern is defined on line 2 in t.hld.");
    Error bracket = FormatError({{"S", {{{"[a"}, "x"}}}}, "abc");
    EXPECT_EQ(bracket.Number(), 5019);
    EXPECT_EQ(bracket.Description(), "Error searching for pattern: [a\r\nError 5019. Expected ']' in regular expression");
    // Found only when the nested section first runs.
    std::vector<SectionRow> nested = {{"S", {{{"a"}, "", "T"}}}, {"T", {{{"(b"}, "x"}}}};
    EXPECT_EQ(Format(nested, "xyz"), "");
    EXPECT_EQ(FormatError(nested, "xaz").Number(), 5020);
}

// The match limit grows with the text, but a pattern that backtracks without
// end still meets it, on a short text and on a long one.
TEST(FormatSection, RunawayBacktrackingEndsInAnError) {
    const struct {
        std::string pattern, input;
    } cases[] = {
        {"(a+)+$", std::string(40, 'a') + "!"},
        {"(a+)+b", std::string(50000, 'a')},
        {"(a|aa)*c", std::string(50000, 'a')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        Error e = FormatError({{"S", {{{"b"}}, {{c.pattern}, "x"}}}}, c.input);
        EXPECT_EQ(e.Number(), 5030);
        EXPECT_EQ(e.Description(), "Error searching for pattern: " + c.pattern +
                                       "\r\nError 5030. The pattern needs too much backtracking on the "
                                       "input (line 2 in t.hld)");
    }
}

TEST(FormatSection, EnterOfAMissingSection) {
    Error e = FormatError({{"S", {{{"a"}, "", "Nowhere"}}}}, "a");
    EXPECT_EQ(e.Number(), err::ObjectRequired);
    EXPECT_NE(e.Description().find("\"Nowhere\""), std::string::npos) << e.Description();
}

TEST(FormatSection, InvalidUtf8IsRefused) {
    Error e = FormatError({{"S", {kCopyAny}}}, "ab\xC3(");
    EXPECT_EQ(e.Number(), err::InvalidArgument);
    EXPECT_NE(e.Description().find("UTF-8"), std::string::npos);
}

TEST(FormatSection, EmptyMatchesThatEnterDoNotLoop) {
    std::vector<SectionRow> rows = {
        {"S", {{{"(?=a)"}, "E", "S"}, kCopyAny}, {"<"}, {">"}},
    };
    EXPECT_EQ(Format(rows, "aa"), "<aa>");
}

TEST(FormatSection, DeepNestingUsesNoCallStack) {
    const size_t depth = 1000000;
    std::vector<SectionRow> rows = {{"S", {{{"[\\s\\S]"}, "", "S"}}, {"<"}, {">"}}};
    std::string output = Format(rows, std::string(depth, 'x'));
    EXPECT_EQ(output, std::string(depth + 1, '<') + std::string(depth + 1, '>'));

    // Two sections entering each other, and a return from the deepest level.
    std::vector<SectionRow> pair = {
        {"A", {{{"r"}, "", "", true}, {{"x"}, "", "B"}}, {"("}, {")"}},
        {"B", {{{"r"}, "", "", true}, {{"x"}, "", "A"}}, {"["}, {"]"}},
    };
    // Run k is an A for even k; the deepest (an A) returns, and its caller,
    // a B, enters a new A at the last x.
    std::string expected;
    for (size_t k = 0; k <= 100000; ++k) expected += k % 2 ? "[" : "(";
    expected += ")()";
    for (size_t k = 100000; k-- > 0;) expected += k % 2 ? "]" : ")";
    EXPECT_EQ(Format(pair, std::string(100000, 'x') + "rx"), expected);
}
