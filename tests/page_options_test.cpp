// The command line's page options, read from a parsed command line as a
// batch run reads them; usage errors say what is wrong.
#include "app/page_options.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "app/command_line.h"

using namespace tintext;

namespace {

const std::string kThemes = std::string(TINTEXT_SOURCE_DIR) + "/hld/themes";

// The words of a command line as a shell splits it (no quoting needed here).
std::optional<PageOptions> Read(const std::string& commandLine, std::string& error) {
    std::istringstream in(commandLine);
    std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
    const CommandLine read = ReadCommandLine(words);
    EXPECT_TRUE(read.usageErrors.empty()) << commandLine;
    return ReadPageOptions(*read.options, kThemes, error);
}

std::string ErrorOf(const std::string& commandLine) {
    std::string error;
    EXPECT_FALSE(Read(commandLine, error).has_value()) << commandLine;
    return error;
}

std::vector<std::pair<uint32_t, uint32_t>> Pairs(const std::vector<LineRange>& ranges) {
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    for (LineRange r : ranges) pairs.emplace_back(r.first, r.last);
    return pairs;
}

TEST(PageOptions, DefaultsAndFlags) {
    std::string error;
    const auto none = Read("/in=a.js", error);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->theme, "auto");
    EXPECT_TRUE(none->stylesheet);
    EXPECT_FALSE(none->fragment || none->inlineStyles || none->lineNumbers || none->wrap);

    const auto all = Read("/in=a.js /theme=high-contrast /fragment /css=NONE -linenumbers=1 --wrap true", error);
    ASSERT_TRUE(all) << error;
    EXPECT_EQ(all->theme, "high-contrast");
    EXPECT_FALSE(all->stylesheet);
    EXPECT_TRUE(all->fragment && all->lineNumbers && all->wrap);

    const auto off = Read("/in=a.js /fragment=0 /linenumbers=false /css=embed", error);
    ASSERT_TRUE(off);
    EXPECT_FALSE(off->fragment || off->lineNumbers);
    EXPECT_TRUE(off->stylesheet);
}

// Commas separate options as blanks do; the items after the first of a
// list still belong to it.
TEST(PageOptions, HighlightLists) {
    struct Case {
        std::string commandLine;
        std::vector<std::pair<uint32_t, uint32_t>> ranges;
    } cases[] = {
        {"/highlight=3", {{3, 3}}},
        {"/highlight=3,10-12", {{3, 3}, {10, 12}}},
        {"/highlight=\"3,10-12,7\"", {{3, 3}, {10, 12}, {7, 7}}},
        {"--highlight 3,10-12 /wrap", {{3, 3}, {10, 12}}},
        {"/highlight=3,10-12 /wrap", {{3, 3}, {10, 12}}},
        {"/highlight=4294967295", {{4294967295u, 4294967295u}}},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto options = Read("/in=a " + c.commandLine, error);
        ASSERT_TRUE(options) << c.commandLine << ": " << error;
        EXPECT_EQ(Pairs(options->highlight), c.ranges) << c.commandLine;
    }
}

TEST(PageOptions, UsageErrorsSayWhatIsWrong) {
    struct Case {
        std::string commandLine, says;
    } cases[] = {
        {"/theme=nonesuch", "unknown theme \"nonesuch\"; the themes are: auto, dark, high-contrast, light"},
        {"/highlight=", "\"\" is not a line number"},
        {"/highlight=3,x-4", "\"x-4\" is not a line number"},
        {"/highlight=\"3,,4\"", "\"\" is not a line number"},
        {"/highlight=3,wrap", "\"wrap\" is not a line number"},
        {"/highlight=12-10", "\"12-10\""},
        {"/highlight=0", "\"0\""},
        {"/highlight=4294967296", "\"4294967296\""},
        {"/highlight=1-2-3", "\"1-2-3\""},
        {"/highlight=-3", "\"-3\""},
        {"/css=link", "/css: \"link\" is neither none"},
        {"/inline=1 /linenumbers=1", "cannot be combined"},
        {"/inline=1 /highlight=2", "cannot be combined"},
    };
    for (const Case& c : cases) {
        const std::string error = ErrorOf("/in=a " + c.commandLine);
        EXPECT_NE(error.find(c.says), std::string::npos) << c.commandLine << " gave: " << error;
    }
}

}  // namespace
