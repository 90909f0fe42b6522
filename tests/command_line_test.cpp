// Reading the command line, in process: the table tests/data/command_line.tsv.
#include "app/command_line.h"

#include "test_prelude.h"
#include <unistd.h>

#include "digits_definition.h"
#include "support/conversions.h"

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

TEST_F(CommandLineTest, TableOfCommandLines) {
    for (const Row& row : ReadRows("command_line.tsv")) {
        std::vector<std::string> args;
        for (size_t start = 0;;) {
            const size_t bar = row[0].find('|', start);
            args.push_back(row[0].substr(start, bar - start));
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        const CommandLine commandLine = ReadCommandLine(args);
        std::string excludes;
        for (const std::string& value : commandLine.List("exclude")) excludes += (excludes.empty() ? "" : "|") + value;
        EXPECT_EQ(Options(commandLine), row[1]) << row.where;
        EXPECT_EQ(Lines(commandLine.warnings), row[2]) << row.where;
        EXPECT_EQ(Lines(commandLine.notUnderstood), row[3]) << row.where;
        EXPECT_EQ(Lines(commandLine.usageErrors), row[4]) << row.where;
        EXPECT_EQ(excludes, row[5]) << row.where;
    }
}

}  // namespace
