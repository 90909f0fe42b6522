#include "support/command_line_grammar.h"

#include <gtest/gtest.h>

#include "recording_environment.h"
#include "scoped_missing_component.h"
#include "support/components.h"
#include "support/error.h"
#include "support/system.h"

using namespace tintext;

namespace {

using Entries = std::vector<OptionEntry>;

std::string Show(const Entries& entries) {
    std::string out;
    for (const auto& e : entries) out += "[" + e.name + "|" + e.value + "]";
    return out;
}

}  // namespace

TEST(SplitOptionText, Grammar) {
    struct Case {
        const char* text;
        Entries expected;
    } cases[] = {
        {"", {}},
        {"/in=a.asp /out=a.htm", {{"in", "a.asp"}, {"out", "a.htm"}}},
        {"-in=a.asp,-out=a.htm,-overwrite=1", {{"in", "a.asp"}, {"out", "a.htm"}, {"overwrite", "1"}}},
        {"in=a.asp out=a.htm", {{"in", "a.asp"}, {"out", "a.htm"}}},
        // Two blanks: the second is read as an entry of its own.
        {"/in=a  /out=b", {{"in", "a"}, {"", ""}, {"out", "b"}}},
        {"/in=\"C:\\My Files\\a b.asp\" /out=\"x y.htm\"", {{"in", "C:\\My Files\\a b.asp"}, {"out", "x y.htm"}}},
        {"/in=\"  padded  \"", {{"in", "padded"}}},
        {"/in=\"say \"\"hi\"\"\"", {{"in", "say \"hi\""}}},
        // The quoted value ends at its quote; what follows is the next name.
        {"/in=\"a\"b=c", {{"in", "a"}, {"b", "c"}}},
        {"/in=\"unterminated", {{"in", "unterminated"}}},
        {"--in=x", {{"-in", "x"}}},
        {"/showoutput", {{"showoutput", ""}}},
        {"/in=a=b", {{"in", "a=b"}}},
        {"/in =a.asp", {{"in", ""}, {"", "a.asp"}}},
        {"/in= a.asp", {{"in", ""}, {"a.asp", ""}}},
        {"\"/my name\"=v", {{"my name", "v"}}},
        {"\"a\"\"b\"", {{"a\"b", ""}}},
        {"a\tb=c", {{"a\tb", "c"}}},
        {",", {{"", ""}}},
        {"=", {{"", ""}}},
        {"/in=a,", {{"in", "a"}}},
        {"/", {{"", ""}}},
    };
    for (const auto& c : cases) EXPECT_EQ(Show(SplitOptionText(c.text)), Show(c.expected)) << c.text;
}

TEST(ParseOptionText, RepeatedNameKeepsTheFirstValue) {
    auto d = ParseOptionText("/in=a /in=b  x", CreateObject);
    EXPECT_EQ(d->TypeName(), "IDictionary");
    EXPECT_EQ(d->Count(), 3);
    EXPECT_EQ(d->Item("in"), Value("a"));
    EXPECT_EQ(d->Item(""), Value(""));
    EXPECT_EQ(d->Item("x"), Value(""));
    EXPECT_TRUE(d->Item("out").IsEmpty());
}

TEST(ParseOptionText, FactoryThatGivesNoCollectionRaises13) {
    auto notACollection = [](const std::string&) -> ObjectRef {
        return std::make_shared<Strings2>();
    };
    try {
        ParseOptionText("/in=a", notACollection);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), err::TypeMismatch);
    }
}

TEST(ParseCommandline, ReportsAMissingCollectionComponent) {
    RecordingEnvironment env;
    System system(env);
    EXPECT_EQ(system.ParseCommandline("/in=a.asp")->Item("in"), Value("a.asp"));
    ScopedMissingComponent missing("Ostrand.Dictionary");
    try {
        system.ParseCommandline("/in=a.asp");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 429);
    }
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_EQ(env.messages[0].text, "Message:\r\nCreateObject of [Ostrand.Dictionary] failed.");
}

TEST(JoinArguments, GrammarGivesBackWhatTheUserMeant) {
    struct Case {
        std::vector<std::string> args;
        const char* joined;
        Entries expected;
    } cases[] = {
        {{}, "", {}},
        {{"/in=a.asp", "/out=a.htm"}, "/in=a.asp /out=a.htm", {{"in", "a.asp"}, {"out", "a.htm"}}},
        {{"/in=my file.asp"}, "/in=\"my file.asp\"", {{"in", "my file.asp"}}},
        {{"-in=a.asp,-out=a.htm"}, "-in=a.asp,-out=a.htm", {{"in", "a.asp"}, {"out", "a.htm"}}},
        {{"/in=say \"hi\" now.txt"}, "/in=\"say \"\"hi\"\" now.txt\"", {{"in", "say \"hi\" now.txt"}}},
        {{"/in=\"my file.asp\""}, "/in=\"my file.asp\"", {{"in", "my file.asp"}}},
        {{"/in =a.asp"}, "\"/in \"=a.asp", {{"in", "a.asp"}}},
        {{"my option"}, "\"my option\"", {{"my option", ""}}},
        {{"/in=a b,c.asp", "/showoutput"}, "/in=\"a b,c.asp\" /showoutput", {{"in", "a b,c.asp"}, {"showoutput", ""}}},
        {{"/in=x=y z"}, "/in=\"x=y z\"", {{"in", "x=y z"}}},
    };
    for (const auto& c : cases) {
        std::string joined = JoinArguments(c.args);
        EXPECT_EQ(joined, c.joined);
        EXPECT_EQ(Show(SplitOptionText(joined)), Show(c.expected)) << joined;
    }
}
