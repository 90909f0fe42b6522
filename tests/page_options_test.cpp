// The command line's page options, read from a parsed command line as a
// batch run reads them: the table tests/data/page_options.tsv.
#include "app/page_options.h"

#include "test_prelude.h"

#include <iterator>
#include <sstream>

#include "app/command_line.h"

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

// What the table's second column says of the options read.
std::string Described(const PageOptions& options) {
    std::string text = options.theme;
    for (bool flag : {options.stylesheet, options.fragment, options.inlineStyles, options.lineNumbers, options.wrap})
        text += flag ? " 1" : " 0";
    for (size_t i = 0; i < options.highlight.size(); ++i)
        text += (i ? "," : " ") + std::to_string(options.highlight[i].first) + "-" + std::to_string(options.highlight[i].last);
    return text;
}

TEST(PageOptions, TableOfCommandLines) {
    for (const tintext::testing::Row& row : tintext::testing::ReadRows("page_options.tsv")) {
        std::string error;
        const std::optional<PageOptions> options = Read("/in=a " + row[0], error);
        if (row[1].starts_with("error: ")) {
            EXPECT_FALSE(options) << row.where;
            EXPECT_NE(error.find(row[1].substr(7)), std::string::npos) << row.where << " gave: " << error;
        } else {
            EXPECT_EQ(options ? Described(*options) : "error: " + error, row[1]) << row.where;
        }
    }
}

}  // namespace
