// Reading the command line: every spelling of an option, the bare input,
// repeats, unknown words and the usage errors, in process.
#include "app/command_line.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "digits_definition.h"
#include "support/conversions.h"
#include "support/ascii_text.h"

using namespace tintext;
using namespace tintext::testing;

namespace {

// The options read, as "name=value" in the order first given.
std::string Options(const CommandLine& commandLine) {
    std::string text;
    for (const auto& [key, value] : commandLine.options->Entries())
        text += (text.empty() ? "" : " ") + SafeCStr(key) + "=" + SafeCStr(value);
    return text;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : " | ") + line;
    return text;
}

class CommandLineTest : public ::testing::Test {
protected:
    Files dir;
    std::filesystem::path saved = std::filesystem::current_path();
    void SetUp() override {
        dir.Put("page.asp", "x");
        dir.Put("-x", "x");
        std::filesystem::current_path(dir.path());
    }
    void TearDown() override { std::filesystem::current_path(saved); }
};

TEST_F(CommandLineTest, EverySpellingOfAnOption) {
    const struct {
        std::vector<std::string> args;
        const char* options;
    } cases[] = {
        {{"/in=page.asp"}, "in=page.asp"},
        {{"-in=page.asp"}, "in=page.asp"},
        {{"in=page.asp"}, "in=page.asp"},
        {{"--in=page.asp"}, "in=page.asp"},
        {{"--in", "page.asp"}, "in=page.asp"},
        {{"/IN=page.asp"}, "in=page.asp"},
        {{"--In", "page.asp", "--OUT", "-"}, "in=page.asp out=-"},
        {{"/In=page.asp,/Out=o.htm,-OverWrite=1"}, "in=page.asp out=o.htm overwrite=1"},
        {{"page.asp"}, "in=page.asp"},                          // a bare word naming a file
        {{"-"}, "in=-"},                                        // standard input
        {{"page.asp", "/out=o.htm"}, "in=page.asp out=o.htm"},
        {{"--overwrite", "1", "page.asp"}, "overwrite=1 in=page.asp"},
        {{"--overwrite", "page.asp"}, "overwrite= in=page.asp"},  // not a number: left for the input
        {{"--showoutput", "true"}, "showoutput=true"},
        {{"/showoutput", "page.asp"}, "showoutput= in=page.asp"},
        {{"--quiet", "--verbose=0", "--list"}, "quiet= verbose=0 list="},
        {{"/in=my file.asp"}, "in=my file.asp"},
        {{"--out", "my file.htm"}, "out=my file.htm"},
        {{"--", "-x"}, "in=-x"},                                // an input that looks like an option
        {{"./-x"}, "in=./-x"},
        {{"/hld=a.hld", "/hld=b.hld"}, "hld=b.hld"},            // the last counts
        {{"/in="}, "in="},                                      // given, empty
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& arg : c.args) shown += "[" + arg + "]";
        const CommandLine commandLine = ReadCommandLine(c.args);
        EXPECT_EQ(Options(commandLine), c.options) << shown;
        EXPECT_EQ(Lines(commandLine.usageErrors), "") << shown;
        EXPECT_EQ(Lines(commandLine.notUnderstood), "") << shown;
    }
}

TEST_F(CommandLineTest, WarningsNameTheWord) {
    const struct {
        std::vector<std::string> args;
        const char* warnings;
        const char* notUnderstood;
    } cases[] = {
        {{"/overwrite=0", "/OVERWRITE=1"}, "the option \"overwrite\" is given more than once; the last (/OVERWRITE=1) counts", ""},
        {{"/ovewrite=1"}, "unknown option \"ovewrite\" ignored; did you mean \"overwrite\"?", "/ovewrite=1"},
        {{"--hldfoldr=x"}, "unknown option \"hldfoldr\" ignored; did you mean \"hldfolder\"?", "--hldfoldr=x"},
        {{"/frobnicate"}, "unknown option \"frobnicate\" ignored", "/frobnicate"},
        {{"-x"}, "unknown option \"x\" ignored (an input named -x is written ./-x or after --)", "-x"},
        {{"pag.asp"}, "\"pag.asp\" ignored: not an option, and no such file", "pag.asp"},
        {{"page.asp", "page.asp"}, "\"page.asp\" ignored: the input is given already", "page.asp"},
        {{"/in", "=a.asp"}, "\"=a.asp\" ignored: a value without an option name", "=a.asp"},
        {{"--", "page.asp", "more"}, "\"more\" ignored: not an option, and no such file", "more"},
        {{"/in=page.asp", "page.asp"}, "\"page.asp\" ignored: the input is given already", "page.asp"},
        {{"page.asp", "/in=other.asp"},
         "the option \"in\" is given more than once; the last (/in=other.asp) counts", ""},
    };
    for (const auto& c : cases) {
        const CommandLine commandLine = ReadCommandLine(c.args);
        EXPECT_EQ(Lines(commandLine.warnings), c.warnings) << c.args[0];
        EXPECT_EQ(Lines(commandLine.notUnderstood), c.notUnderstood) << c.args[0];
    }
}

TEST_F(CommandLineTest, OptionsThatNeedAValue) {
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"page.asp", "--out"}, "the option --out needs a value: --out FILE or --out=FILE"},
        {{"--out", "--overwrite=1", "page.asp"}, "the option --out needs a value: --out FILE or --out=FILE"},
        {{"--LANG"}, "the option --lang needs a value: --lang NAME or --lang=NAME"},
        {{"--check"}, "the option --check needs a value: --check FILE.hld or --check=FILE.hld"},
    };
    for (const auto& c : cases) EXPECT_EQ(Lines(ReadCommandLine(c.args).usageErrors), c.error) << c.args[0];
    // /name alone keeps its old meaning: an empty value.
    EXPECT_EQ(Lines(ReadCommandLine({"/out", "page.asp"}).usageErrors), "");
    EXPECT_EQ(Options(ReadCommandLine({"/out", "page.asp"})), "out= in=page.asp");
}

TEST_F(CommandLineTest, ARepeatableOptionKeepsEveryValueInOrderWithoutAWarning) {
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> excludes;
    } cases[] = {
        {{"/exclude=*.log"}, {"*.log"}},
        {{"/exclude=*.log", "--exclude", "build/**", "-EXCLUDE=a b"}, {"*.log", "build/**", "a b"}},
        {{"/exclude=x,/exclude=y"}, {"x", "y"}},
        {{"/in=page.asp"}, {}},
    };
    for (const auto& c : cases) {
        const CommandLine commandLine = ReadCommandLine(c.args);
        EXPECT_EQ(commandLine.List("exclude"), c.excludes) << c.args[0];
        EXPECT_EQ(Lines(commandLine.warnings), "") << c.args[0];
    }
}

TEST(KnownOptions, NamesAreLowerCaseAndUnique) {
    std::vector<std::string> seen;
    for (const OptionInfo& option : KnownOptions()) {
        const std::string name = option.name;
        EXPECT_EQ(name, ToLowerAscii(name));
        EXPECT_EQ(std::count(seen.begin(), seen.end(), name), 0) << name;
        seen.push_back(name);
        EXPECT_EQ(FindOption(name), &option);
        EXPECT_NE(std::string(option.help), "") << name;
    }
}

}  // namespace
