// The manual page and the bash completion: both know every option, the page
// formats without a warning, the completion completes, and cmake --install
// puts both where man and bash look.
#include "test_prelude.h"
#include <stdio.h>
#include <sys/wait.h>

#include <fstream>
#include <set>
#include <sstream>

#include "app/command_line.h"

namespace {

const std::string kManPage = TINTEXT_SOURCE_DIR "/man/tintext.1";
const std::string kCompletion = TINTEXT_SOURCE_DIR "/completion/tintext";

struct Output {
    int status = -1;
    std::string text;  // standard output and standard error together
};

Output Shell(const std::string& command) {
    Output output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.text.append(buffer, n);
    const int wait = ::pclose(pipe);
    output.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    return output;
}

TEST(ManualPage, NamesEveryOption) {
    const std::string page = ReadBytes(kManPage);
    ASSERT_FALSE(page.empty());
    for (const OptionInfo& option : KnownOptions()) {
        const std::string name = option.name;
        const bool shown = page.find(".BI /" + name + "=") != std::string::npos ||
                           page.find(".B /" + name + "=") != std::string::npos ||
                           page.find(".B \\-\\-" + name + "\n") != std::string::npos;
        EXPECT_TRUE(shown) << name << " has no entry of its own";
    }
    for (const char* section : {".SH EXIT STATUS", ".SH FILES", ".SH DEFINITIONS", ".SH ENVIRONMENT"})
        EXPECT_NE(page.find(section), std::string::npos) << section;
}

// groff's warnings (-ww) are what `man -l` would hide or show as odd output.
TEST(ManualPage, FormatsWithoutWarnings) {
    const Output groff = Shell("groff -man -ww -z -Tutf8 '" + kManPage + "'");
    EXPECT_EQ(groff.status, 0) << groff.text;
    EXPECT_EQ(groff.text, "");
    const Output man = Shell("MANWIDTH=80 MAN_KEEP_FORMATTING=0 man --warnings -l '" + kManPage + "' | col -b");
    EXPECT_EQ(man.status, 0) << man.text;
    EXPECT_NE(man.text.find("tintext - turn source code into syntax-coloured HTML"), std::string::npos) << man.text;
    EXPECT_EQ(man.text.find("warning:"), std::string::npos) << man.text;
}

TEST(Completion, KnowsEveryOption) {
    const std::string script = ReadBytes(kCompletion);
    const size_t start = script.find("local options=\"");
    ASSERT_NE(start, std::string::npos);
    std::istringstream words(script.substr(start + 15, script.find('"', start + 15) - start - 15));
    std::set<std::string> listed{std::istream_iterator<std::string>(words), {}};
    std::set<std::string> known;
    for (const OptionInfo& option : KnownOptions()) known.insert(option.name);
    EXPECT_EQ(listed, known);
}

// The completion as bash runs it for a word being typed; the languages come
// from the built program's --list.
TEST(Completion, CompletesOptionsValuesAndFiles) {
    tintext::testing::TempFolder dir;
    dir.Write("page.asp", "x");
    for (const tintext::testing::Row& row : tintext::testing::ReadRows("app_completions.tsv")) {
        const std::string words = row[0];
        const std::string command =
            "cd '" + dir.path() + "' && PATH='" TINTEXT_BINARY_DIR "/app':\"$PATH\" bash -c '. " + kCompletion +
            "; COMP_WORDS=(" + words + "); COMP_CWORD=$((${#COMP_WORDS[@]}-1)); [[ \"" + words +
            "\" == *\" \" ]] && { COMP_WORDS+=(\"\"); COMP_CWORD=$((COMP_CWORD+1)); }; _tintext; echo \"${COMPREPLY[*]}\"'";
        const Output output = Shell(command);
        EXPECT_EQ(output.text, row[1] + "\n") << row.where;
    }
}

TEST(Install, PutsTheManualAndTheCompletionInPlace) {
    tintext::testing::TempFolder prefix;
    const Output install = Shell("cmake --install '" TINTEXT_BINARY_DIR "' --prefix '" + prefix.path() + "'");
    ASSERT_EQ(install.status, 0) << install.text;
    EXPECT_EQ(ReadBytes(prefix / "share/man/man1/tintext.1"), ReadBytes(kManPage));
    for (const char* program : {"tintext", "tintext-desktop"})
        EXPECT_EQ(ReadBytes(prefix / ("share/bash-completion/completions/" + std::string(program))), ReadBytes(kCompletion))
            << program;
    EXPECT_TRUE(fs::exists(prefix / "share/tintext/hld/txt.hld"));
    const Output list = Shell("'" + (prefix / "bin/tintext") + "' --list");
    EXPECT_EQ(list.status, 0) << list.text;
    EXPECT_NE(list.text.find("Plain text"), std::string::npos) << list.text;
}

}  // namespace
