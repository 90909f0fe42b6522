// The built tintext program, run end to end, where a case of
// tests/data/cli.cases cannot say it: the help's layout, the hand-over to the
// desktop program, the installed layout, signals, stored settings, --list.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "app/settings.h"
#include "cli_harness.h"
#include "digits_definition.h"
#include "support/program_info.h"

namespace fs = std::filesystem;
using namespace tintext::testing;

namespace {

const std::string kShippedFolder = TINTEXT_SOURCE_DIR "/hld";


// Reads what the child writes to fd until `text` has appeared; false at end of output.
bool WaitFor(int fd, const std::string& text, std::string& seen) {
    char buf[4096];
    while (seen.find(text) == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 60000) <= 0) return false;
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        seen.append(buf, static_cast<size_t>(n));
    }
    return true;
}

// Whether the process has its own handler for SIGINT yet.
bool CatchesInterrupt(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("SigCgt:")) return (std::stoull(line.substr(7), nullptr, 16) & (1ull << (SIGINT - 1))) != 0;
    return false;
}

TEST_F(CliTest, VersionAndHelp) {
    Result version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Tintext (1.0.47)\n");

    Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"/in=FILE", "/out=FILE", "/hld=FILE", "/lang=NAME", "/hldfolder=FOLDER",
                               "/overwrite=0|1|2", "/dostext=0|1", "/showoutput=0|1", "/check=FILE.hld", "--list",
                               "--quiet", "--verbose", "--help", "--version"})
        EXPECT_NE(help.out.find("\n  " + std::string(option) + " "), std::string::npos) << option;
    EXPECT_NE(help.out.find("file:line: message (lines counted"), std::string::npos);
    for (size_t start = 0, end; (end = help.out.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 78u) << help.out.substr(start, end - start);
    EXPECT_TRUE(help.err.empty());
    EXPECT_TRUE(fs::is_empty(dir.P("registry")));  // neither touches the settings
}

// With a display, the runs that need dialogs go to tintext-desktop beside the
// program, with the arguments unchanged; a stand-in records what it is given.
TEST_F(CliTest, RunsThatNeedDialogsGoToTheDesktopProgram) {
    fs::create_directories(dir.P("bin"));
    fs::copy_file(kBinary, dir.P("bin/tintext"));
    const std::string desktop = dir.P("bin/tintext-desktop");
    dir.Put("bin/tintext-desktop", "#!/bin/sh\nprintf '[%s]' \"$@\" > handed.txt\nexit 7\n");
    fs::permissions(desktop, fs::perms::owner_all);
    extraEnv = {"DISPLAY=remote.example:0"};  // remote displays are taken on trust

    const std::vector<std::string> batch = {"/in=a.asp", "/out=my out.htm", "/hld=digits.hld", "/hldfolder=defs"};
    const struct {
        std::vector<std::string> args;
        int status;
        std::string handed;  // what the stand-in recorded; empty: it was not started
    } cases[] = {
        {{}, 7, "[]"},                                                    // the main dialog
        {{"/out=x.htm", "-hld=vb.hld"}, 7, "[/out=x.htm][-hld=vb.hld]"},  // still no input file
        {batch, 7, "[/in=a.asp][/out=my out.htm][/hld=digits.hld][/hldfolder=defs]"},  // no terminal
        {{"a.asp", "--out"}, 7, "[a.asp][--out]"},  // a usage error, shown in a message box there
        {{"/check=defs/digits.hld"}, 0, ""},
        {{"/in=a.asp", "/check=defs/digits.hld"}, 0, ""},
        {{"--version"}, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
        fs::remove(dir.P("handed.txt"));
        Result r = Run(c.args, "", dir.P("bin/tintext"));
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(dir.Has("handed.txt") ? dir.Get("handed.txt") : "", c.handed);
    }
    EXPECT_FALSE(dir.Has("my out.htm"));

    // A batch run whose standard error is a terminal stays in the terminal.
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    int slave = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int out = open("/dev/null", O_WRONLY | O_CLOEXEC);
    pid_t pid = Start(batch + std::vector<std::string>{"/showoutput=0"}, in, out, slave, dir.P("bin/tintext"));
    for (int fd : {in, out, slave}) close(fd);
    int wait = 0;
    waitpid(pid, &wait, 0);
    close(master);
    EXPECT_EQ(StatusOf(wait), 0);
    EXPECT_FALSE(dir.Has("handed.txt"));
    EXPECT_EQ(dir.Get("my out.htm"), kDigitsOut);
}

// When the desktop program is missing or cannot be run, a batch run converts in
// the terminal way and the main dialog's run names the missing program.
TEST_F(CliTest, WithoutTheDesktopProgram) {
    fs::create_directories(dir.P("bin"));
    fs::copy_file(kBinary, dir.P("bin/tintext"));
    extraEnv = {"DISPLAY=remote.example:0"};
    for (const char* reason : {"No such file or directory", "Permission denied"}) {
        SCOPED_TRACE(reason);
        if (std::string(reason) == "Permission denied") {
            dir.Put("bin/tintext-desktop", "#!/bin/sh\nexit 7\n");
            fs::permissions(dir.P("bin/tintext-desktop"), fs::perms::owner_read | fs::perms::owner_write);
        }
        Result dialog = Run({}, "", dir.P("bin/tintext"));
        EXPECT_EQ(dialog.status, 2);
        EXPECT_NE(dialog.err.find("\n       tintext /in=FILE"), std::string::npos);
        EXPECT_NE(dialog.err.find(dir.P("bin/tintext-desktop") + ", which cannot be started: " + reason),
                  std::string::npos)
            << dialog.err;

        fs::remove(dir.P("o.htm"));
        Result batch = Run(std::vector<std::string>{"/in=a.asp", "/out=o.htm"} + kDigits, "", dir.P("bin/tintext"));
        EXPECT_EQ(batch.status, 0) << batch.err;
        EXPECT_EQ(dir.Get("o.htm"), kDigitsOut);
    }
}

TEST_F(CliTest, InstalledLayoutFindsTheSharedDefinitions) {
    fs::create_directories(dir.P("inst/bin"));
    fs::copy_file(kBinary, dir.P("inst/bin/tintext"));
    dir.Put("inst/share/tintext/hld/asp.hld", kDigitsHld);
    Result r = Run({"/in=a.asp", "/out=o.htm", "/showoutput=0"}, "", dir.P("inst/bin/tintext"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(dir.Get("o.htm"), kDigitsOut);
}

// Whatever the output names, what is there keeps its kind: a FIFO is written
// for its reader, a link to a device stays a link and the device stays one; an
// existing dot-file, a read-only file and the definition itself are not replaced.
TEST_F(CliTest, OutputKinds) {
    ASSERT_EQ(mkfifo(dir.P("out.fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/null", dir.P("null.htm"));
    dir.Put(".notes.htm", "mine");
    dir.Put("frozen.htm", "kept");
    fs::permissions(dir.P("frozen.htm"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const struct {
        std::string out;
        std::vector<std::string> extra;
        int status;
        std::string err;  // a part of stderr; empty: nothing there
    } cases[] = {
        {"out.fifo", {"/overwrite=1"}, 0, ""},
        {"null.htm", {"/overwrite=1"}, 0, ""},
        {".notes.htm", {}, 1, "The output file already existed and overwrite was not allowed"},
        {"frozen.htm", {"/overwrite=1"}, 1, "Permission denied"},
        {"defs/digits.hld", {"/overwrite=1"}, 1, "is the definition file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        // A FIFO's writer waits for a reader; one is there for every case.
        auto reader = std::async(std::launch::async, [&] { return c.out == "out.fifo" ? dir.Get("out.fifo") : ""; });
        Result r = Run(std::vector<std::string>{"/in=a.asp", "/out=" + c.out} + c.extra + kDigits);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (c.err.empty()) {
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        }
        EXPECT_EQ(reader.get(), c.out == "out.fifo" ? kDigitsOut : "");
    }
    EXPECT_EQ(fs::status(dir.P("out.fifo")).type(), fs::file_type::fifo);
    EXPECT_TRUE(fs::is_symlink(dir.P("null.htm")));
    EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character);
    EXPECT_EQ(dir.Get(".notes.htm"), "mine");
    EXPECT_EQ(dir.Get("frozen.htm"), "kept");
    EXPECT_EQ(dir.Get("defs/digits.hld"), kDigitsHld);
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

// A signal while a large input is being formatted (a block opened by "{" stays
// open to the end). Ctrl-C cancels: the part done is written with the footers of
// both open sections, and the status says it is a part. The others stop the run:
// nothing is written and no temporary file is left beside the output.
TEST_F(CliTest, SignalsDuringAConversion) {
    dir.Put("defs/block.hld",
            "[Main]\nHEADER-HTML=<pre>\nFOOTER-HTML=</pre>\nPATTERN=\\{\nENTER=Block\nFORMAT-HTML=<i>{\n"
            "PATTERN=[\\s\\S]\nFORMAT-HTML=$$\n"
            "[Block]\nFOOTER-HTML=</i>\nPATTERN=\\}\nRETURN\nFORMAT-HTML=}\nPATTERN=[\\s\\S]\nFORMAT-HTML=$$\n");
    {
        std::ofstream big(dir.P("big.txt"), std::ios::binary);
        big << "{";
        std::string chunk(1 << 20, 'x');
        for (int i = 0; i < 48; ++i) big << chunk;
        big << "END";
    }
    const struct {
        int signal;
        int status;
        bool partWritten;
    } cases[] = {
        {SIGINT, 3, true},
        {SIGTERM, 128 + SIGTERM, false},
        {SIGHUP, 128 + SIGHUP, false},
        {SIGPIPE, 128 + SIGPIPE, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(strsignal(c.signal));
        fs::remove(dir.P("big.htm"));
        int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        int slave = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(slave, 0);
        int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
        pid_t pid = Start({"/in=big.txt", "/out=big.htm", "/hld=defs/block.hld", "/showoutput=0"}, in, slave, slave);
        close(in);
        close(slave);
        std::string seen;
        // A filled cell of the progress bar on the terminal shows that formatting is under way.
        ASSERT_TRUE(WaitFor(master, "[#", seen)) << seen;
        ASSERT_TRUE(CatchesInterrupt(pid));
        kill(pid, c.signal);
        WaitFor(master, "\x01", seen);  // drain to the end
        int wait = 0;
        waitpid(pid, &wait, 0);
        close(master);
        EXPECT_EQ(StatusOf(wait), c.status) << seen;
        std::vector<std::string> entries;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            if (entry.path().filename().string().find("big") != std::string::npos)
                entries.push_back(entry.path().filename().string());
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, (c.partWritten ? std::vector<std::string>{"big.htm", "big.txt"}
                                          : std::vector<std::string>{"big.txt"}));
        if (!c.partWritten) continue;
        EXPECT_NE(seen.find("Cancelling"), std::string::npos) << seen;
        const std::string out = dir.Get("big.htm");
        ASSERT_GT(out.size(), 20u);
        EXPECT_TRUE(out.starts_with("<pre><i>{xxx"));
        EXPECT_TRUE(out.ends_with("x</i></pre>")) << out.substr(out.size() - 20);
        EXPECT_EQ(out.find("END"), std::string::npos);
    }
}

// A second Ctrl-C ends the program at once, and nothing is written.
TEST_F(CliTest, SecondCtrlCStopsWithoutWriting) {
    int input[2], errors[2];
    ASSERT_EQ(pipe2(input, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(errors, O_CLOEXEC), 0);
    int out = open("/dev/null", O_WRONLY | O_CLOEXEC);
    // The program waits for its standard input, which the test never ends.
    pid_t pid = Start({"/in=-", "/out=o.htm", "/hld=defs/digits.hld", "/showoutput=0"}, input[0], out, errors[1]);
    for (int fd : {input[0], errors[1], out}) close(fd);
    for (int i = 0; i < 6000 && !CatchesInterrupt(pid); ++i) usleep(10000);
    ASSERT_TRUE(CatchesInterrupt(pid));
    kill(pid, SIGINT);
    std::string seen;
    ASSERT_TRUE(WaitFor(errors[0], "again", seen)) << seen;
    kill(pid, SIGINT);
    int wait = 0;
    waitpid(pid, &wait, 0);
    close(input[1]);
    close(errors[0]);
    EXPECT_EQ(StatusOf(wait), 130);
    EXPECT_FALSE(dir.Has("o.htm"));
}

}  // namespace

namespace {

// The input's code page from a byte-order mark, the codepage option, the stored
// CodePage setting, or the input itself; --verbose names the one used and why.
TEST_F(CliTest, InputEncodingsAndTheVerboseNote) {
    const std::string gbkWords = "\xB1\xE4\xC1\xBF";          // "变量" in GBK
    const std::string words = "\xE5\x8F\x98\xE9\x87\x8F";     // the same in UTF-8
    const struct {
        std::string bytes;
        std::vector<std::string> args;
        std::string stored;  // the CodePage setting
        std::string note;    // the verbose note
        std::string text;    // between <pre> and </pre>
    } cases[] = {
        {"<%@ CodePage=936 %>" + gbkWords, {}, "", "GBK (936), from the page's CODEPAGE directive",
         "&lt;%@&nbsp;CodePage=<b>936</b>&nbsp;%&gt;" + words},
        {gbkWords, {"/codepage=gbk"}, "", "GBK (936), from the /codepage option", words},
        {gbkWords, {}, "936", "GBK (936), from the stored CodePage setting", words},
        {gbkWords, {"/codepage=auto"}, "936",
         "Windows-1252 (1252), the text is not UTF-8, names no code page and was not recognised",
         "\xC2\xB1\xC3\xA4\xC3\x81\xC2\xBF"},
        {std::string("\xFF\xFE" "a\0" "1\0", 6), {"/codepage=gbk"}, "", "UTF-16LE (1200), from the byte-order mark",
         "a<b>1</b>"},
        {"\xC4\xBF", {"/dostext=1"}, "", "CP437 (437), DOS text, the usual OEM page",
         "\xE2\x94\x80\xE2\x94\x90"},
        {"\x8F", {"/dostext=1", "/codepage=866"}, "", "CP866 (866), DOS text, from the /codepage option",
         "\xD0\x9F"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.note);
        fs::remove_all(dir.P("registry"));
        fs::create_directories(dir.P("registry"));
        if (!c.stored.empty()) {
            setenv("TINTEXT_REGISTRY_DIR", dir.P("registry").c_str(), 1);
            tintext::WriteSetting(tintext::kCompanyName, tintext::kProgramTitle, "Settings", "CodePage", c.stored);
            unsetenv("TINTEXT_REGISTRY_DIR");
        }
        dir.Put("in.txt", c.bytes);
        Result r = Run(std::vector<std::string>{"/in=in.txt", "/out=-", "--verbose"} + c.args + kDigits);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.err.find("tintext: encoding: " + c.note + "\n"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "<pre>" + c.text + "</pre>");
        // Without --verbose nothing is said.
        EXPECT_EQ(Run(std::vector<std::string>{"/in=in.txt", "/out=-"} + c.args + kDigits).err, "");
    }
}

// The main dialog's page choices are its own: a script's output does not
// change with what was last picked there.
TEST_F(CliTest, TheDialogsStoredPageChoicesLeaveABatchRunAlone) {
    dir.Put("a.js", "let x = 1;\n");
    const std::vector<std::string> args = {"/in=a.js", "/out=-", "/lang=js"};
    const Result plain = Run(args);
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_NE(plain.out.find("<!DOCTYPE html>"), std::string::npos) << plain.out;
    setenv("TINTEXT_REGISTRY_DIR", dir.P("registry").c_str(), 1);
    for (const auto& [key, value] : {std::pair{"Theme", "dark"}, {"LineNumbers", "1"}, {"Fragment", "1"}})
        tintext::WriteSetting(tintext::kCompanyName, tintext::kProgramTitle, "Settings", key, value);
    unsetenv("TINTEXT_REGISTRY_DIR");
    EXPECT_EQ(Run(args).out, plain.out);
    EXPECT_NE(Run(args + std::vector<std::string>{"/theme=dark"}).out, plain.out);  // the option itself counts
}

// --list names every shipped definition once, and another folder's too.
TEST_F(CliTest, ListShowsEveryDefinition) {
    Result r = Run({"--list"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(kShippedFolder))
        files += entry.path().extension() == ".hld" && !entry.is_symlink();
    EXPECT_EQ(static_cast<size_t>(std::count(r.out.begin(), r.out.end(), '\n')), files);
    for (const char* line : {"\nPython ", " py.hld ", " .py .pyw\n", "\nPlain text ", " txt.hld ", " .txt"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    // Another folder's definitions, also one that names no language.
    Result own = Run({"--list", "/hldfolder=defs"});
    EXPECT_EQ(own.out, "digits  digits.hld\n");
    EXPECT_EQ(Run({"--list", "/hldfolder=nowhere"}).status, 1);
}

}  // namespace
