// The formatter on definitions and inputs: the cases of
// tests/data/formatter.cases, and what a table cannot show (large outputs,
// the start position, Cancel and progress, deep nesting).
#include "engine/formatter.h"

#include "test_prelude.h"

#include <thread>

#include "engine/hld_loader.h"
#include "support/html_escape.h"

namespace {

class Formatter : public ::testing::Test {
protected:
    HldTree Load(const std::string& definition) { return LoadHld(dir.WriteFiles("t.hld", definition)); }

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

    // The output, or "error N: description" with the definition named t.hld.
    std::string Outcome(const std::string& definition, std::string_view input) {
        try {
            return Format(Load(definition), input);
        } catch (const Error& e) {
            std::string text = "error " + std::to_string(e.Number()) + ": " + e.Description();
            for (size_t at; (at = text.find(dir.path() + "/")) != std::string::npos;) text.replace(at, dir.path().size() + 1, "");
            return text;
        }
    }

    tintext::testing::TempFolder dir;
};

}  // namespace

TEST_F(Formatter, Cases) {
    for (const auto& c : tintext::testing::ReadBlocks("formatter.cases")) {
        const std::string outcome = Outcome(c[0], c[1]);
        EXPECT_TRUE(Like(outcome, c[2])) << c.where << " " << c.title << "\n" << outcome;
    }
}

TEST_F(Formatter, EscapingAcrossTheOutputBlocks) {
    // Matches long and short, escaped to six times their size, fill the
    // output block at every offset; none may lose or double a byte.
    std::string input;
    for (int k = 0; k < 3000; ++k) input += std::string(static_cast<size_t>(k % 97), ' ') + "a&b<c>d\n";
    input += std::string(40000, ' ');
    std::string expected;
    for (size_t k = 0; k < input.size();) {
        size_t end = input[k] == ' ' ? input.find_first_not_of(' ', k) : input.find(' ', k);
        if (end == std::string::npos) end = input.size();
        expected += EncodeHtml(input.substr(k, end - k)) + (input[k] == ' ' ? "" : "|");
        k = end;
    }
    EXPECT_EQ(Format(Load("[S]\nPATTERN=[ ]+\nFORMAT-HTML=$$\nPATTERN=[^ ]+\nFORMAT-HTML=$$|"), input), expected);
}

TEST_F(Formatter, StartsAtThePositionGiven) {
    HldTree tree = Load("[S]\nPATTERN=^.\nFORMAT-HTML=[$$]\nPATTERN=[\\s\\S]\nFORMAT-HTML=$$");
    EXPECT_EQ(Format(tree, "abc", 1), "[b]c");  // the search starts there: ^ matches there
    EXPECT_EQ(Format(tree, "abc", 3), "");
}

TEST_F(Formatter, CancelWritesTheFootersOfOpenSections) {
    RecordingEnvironment env;
    // Events run after every step here: after "a", "c" and "d"; the third
    // run presses Cancel, read before the next step.
    env.cancelAfterDoEvents = 2;
    HldTree tree = Load("[S]\nHEADER-HTML=<S>\nFOOTER-HTML=</S>\nPATTERN=b\nFORMAT-HTML=b\nENTER=T\n"
                        "PATTERN=[\\s\\S]\nFORMAT-HTML=$$\n"
                        "[T]\nHEADER-HTML=<T>\nFOOTER-HTML=</T>\nPATTERN=[\\s\\S]\nFORMAT-HTML=$$");
    EXPECT_EQ(Format(tree, "abcdefg", env), "<S>ab<T>cd</T></S>");
    EXPECT_EQ(env.progressValue, 4);

    env.doEventsCount = 0;
    env.cancelAfterDoEvents = -1;
    env.cancelRequested = true;  // already set: nothing is searched
    EXPECT_EQ(Format(Load("[S]\nHEADER-HTML=<S>\nFOOTER-HTML=</S>\nPATTERN=(\nFORMAT-HTML=x"), "abc", env), "<S></S>");
    EXPECT_EQ(env.doEventsCount, 1);  // once at the end, as no step ran them
}

// Events are serviced by time, not by a count of steps: however many quick
// steps there are, none before the interval has passed (but one at the end
// of a run that had none, however short); however few slow ones, one after
// each that outlasts it.
TEST_F(Formatter, EventsRunByTimeWhateverTheSteps) {
    RecordingEnvironment env;
    const HldTree tree = Load("[S]\nPATTERN=[\\s\\S]\nFORMAT-HTML=$$");
    auto run = [&](const HldTree& definition, std::string_view input, OutputSink& out, std::chrono::milliseconds interval) {
        size_t ptr = 0;
        FormatSection(definition, definition.sections.at(0).second, input, out, ptr, env, {interval});
    };
    StringSink sink;
    run(tree, std::string(100000, 'x'), sink, std::chrono::hours(1));
    EXPECT_EQ(env.doEventsCount, 1);
    EXPECT_EQ(env.progressValue, 100000);  // the end is reported however few events ran
    run(tree, "", sink, std::chrono::hours(1));
    EXPECT_EQ(env.doEventsCount, 2);

    // Each step writes more than the formatter buffers, to an output that takes its time.
    struct SlowSink final : OutputSink {
        void Append(std::string_view) override { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }
    } slow;
    env.doEventsCount = 0;
    run(Load("[S]\nPATTERN=[\\s\\S]\nFORMAT-HTML=" + std::string(100000, 'y') + "$$"), "abc", slow,
        std::chrono::milliseconds(1));
    EXPECT_GE(env.doEventsCount, 2);  // after most of the three steps
}

TEST_F(Formatter, DeepNestingUsesNoCallStack) {
    const size_t depth = 1000000;
    const std::string output =
        Format(Load("[S]\nHEADER-HTML=<\nFOOTER-HTML=>\nPATTERN=[\\s\\S]\nFORMAT-HTML=\nENTER=S"), std::string(depth, 'x'));
    EXPECT_EQ(output, std::string(depth + 1, '<') + std::string(depth + 1, '>'));

    // Two sections entering each other, and a return from the deepest level.
    // Run k is an A for even k; the deepest (an A) returns, and its caller,
    // a B, enters a new A at the last x.
    HldTree pair = Load("[A]\nHEADER-HTML=(\nFOOTER-HTML=)\nPATTERN=r\nFORMAT-HTML=\nRETURN\nPATTERN=x\nFORMAT-HTML=\nENTER=B\n"
                        "[B]\nHEADER-HTML=[\nFOOTER-HTML=]\nPATTERN=r\nFORMAT-HTML=\nRETURN\nPATTERN=x\nFORMAT-HTML=\nENTER=A");
    std::string expected;
    for (size_t k = 0; k <= 100000; ++k) expected += k % 2 ? "[" : "(";
    expected += ")()";
    for (size_t k = 100000; k-- > 0;) expected += k % 2 ? "]" : ")";
    EXPECT_EQ(Format(pair, std::string(100000, 'x') + "rx"), expected);
}

// A section that takes itself in for its blocks: every block nests two runs,
// and all of them end where the innermost block does.
TEST_F(Formatter, BlocksNestedDeepUseNoCallStack) {
    HldTree tree = Load("[S]\nHEADER-HTML=<\nFOOTER-HTML=>\nPATTERN=\\((\\w)\nFORMAT-HTML=\nENTER=S\n"
                        "PATTERN=\\)\nFORMAT-HTML=\nRETURN\nPATTERN=[\\s\\S]\nFORMAT-HTML=$$");
    tree.sections.Find("S")->includes.Add("a", "S");
    const size_t depth = 20000;
    std::string input;
    for (size_t k = 0; k < depth; ++k) input += "(a";
    const std::string output = Format(tree, input + std::string(depth, ')'));
    EXPECT_EQ(output, std::string(2 * depth + 1, '<') + std::string(2 * depth + 1, '>'));
}

// The match limit grows with the text, but a pattern that backtracks without
// end still meets it on a long text (the short one is a case of the table).
TEST_F(Formatter, RunawayBacktrackingOnALongTextEndsInAnError) {
    for (const std::string pattern : {"(a+)+b", "(a|aa)*c"})
        EXPECT_EQ(Outcome("[S]\nPATTERN=b\nFORMAT-RTF=\nPATTERN=" + pattern + "\nFORMAT-HTML=x", std::string(50000, 'a')),
                  "error 5030: Error searching for pattern: " + pattern +
                      "\r\nError 5030. The pattern needs too much backtracking on the input (line 3 in t.hld)");
}
