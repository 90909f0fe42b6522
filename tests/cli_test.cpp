// The built tintext program, run end to end in temporary folders: messages on
// stderr, exit statuses, standard streams, Ctrl-C, the check mode and the
// settings a batch run leaves behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "support/environment.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::string kBinary = TINTEXT_BINARY_DIR "/app/tintext";

constexpr const char* kDigitsHld =
    "[Main]\n"
    "HEADER-HTML=<pre>\n"
    "FOOTER-HTML=</pre>\n"
    "PATTERN=\\d+\n"
    "FORMAT-HTML=<b>$$</b>\n"
    "PATTERN=[\\s\\S]\n"
    "FORMAT-HTML=$$\n";

// A block opened by "{" stays open to the end of the input, so a cancelled
// run must close two sections.
constexpr const char* kBlockHld =
    "[Main]\n"
    "HEADER-HTML=<pre>\n"
    "FOOTER-HTML=</pre>\n"
    "PATTERN=\\{\n"
    "ENTER=Block\n"
    "FORMAT-HTML=<i>{\n"
    "PATTERN=[\\s\\S]\n"
    "FORMAT-HTML=$$\n"
    "[Block]\n"
    "FOOTER-HTML=</i>\n"
    "PATTERN=\\}\n"
    "RETURN\n"
    "FORMAT-HTML=}\n"
    "PATTERN=[\\s\\S]\n"
    "FORMAT-HTML=$$\n";

struct Result {
    int status = -1;
    std::string out, err;
};

int StatusOf(int wait) {
    if (WIFEXITED(wait)) return WEXITSTATUS(wait);
    return 1000 + WTERMSIG(wait);  // distinct from every exit status
}

class CliTest : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override {
        char pattern[] = "/tmp/tintext-cli-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        fs::create_directories(dir / "registry");
        Write("defs/digits.hld", kDigitsHld);
        Write("a.asp", "a 12");
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string P(const std::string& name) const { return (dir / name).string(); }
    void Write(const std::string& name, const std::string& content) const {
        fs::create_directories((dir / name).parent_path());
        std::ofstream(dir / name, std::ios::binary) << content;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(dir / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // The environment of every run: no display, the settings in the test's folder.
    std::vector<std::string> Environment() const {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string entry = *e;
            if (entry.rfind("DISPLAY=", 0) == 0 || entry.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
                entry.rfind("TINTEXT_REGISTRY_DIR=", 0) == 0)
                continue;
            env.push_back(entry);
        }
        env.push_back("TINTEXT_REGISTRY_DIR=" + P("registry"));
        return env;
    }

    // Starts the program in the test's folder, in a session of its own (so it
    // has no terminal to ask), with the given descriptors as 0, 1 and 2.
    pid_t Start(const std::vector<std::string>& args, int in, int out, int err,
                const std::string& binary = kBinary) const {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in, 0);
        posix_spawn_file_actions_adddup2(&actions, out, 1);
        posix_spawn_file_actions_adddup2(&actions, err, 2);
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
        std::vector<std::string> argStrings{binary};
        argStrings.insert(argStrings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argStrings) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> envStrings = Environment();
        std::vector<char*> envp;
        for (auto& e : envStrings) envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, binary.c_str(), &actions, &attr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        return pid;
    }

    Result Run(const std::vector<std::string>& args, const std::string& stdinText = "",
               const std::string& binary = kBinary) const {
        std::ofstream(dir / ".stdin", std::ios::binary) << stdinText;
        int in = open(P(".stdin").c_str(), O_RDONLY | O_CLOEXEC);
        int out = open(P(".stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        int err = open(P(".stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        pid_t pid = Start(args, in, out, err, binary);
        close(in);
        close(out);
        close(err);
        int wait = 0;
        waitpid(pid, &wait, 0);
        Result r;
        r.status = StatusOf(wait);
        r.out = Read(".stdout");
        r.err = Read(".stderr");
        return r;
    }
};

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
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) & (1ull << (SIGINT - 1))) != 0;
    }
    return false;
}

const std::string kAppTitle = "Tintext (1.0.47): ";

TEST_F(CliTest, VersionAndHelp) {
    Result version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Tintext (1.0.47)\n");

    Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"in", "out", "hld", "hldfolder", "overwrite", "dostext", "showoutput", "check"}) {
        EXPECT_NE(help.out.find("  " + std::string(option) + " "), std::string::npos) << option;
    }
    EXPECT_NE(help.out.find("file:line: message (lines counted from 1)"), std::string::npos);
    EXPECT_TRUE(help.err.empty());
    // Neither touches the settings.
    EXPECT_TRUE(fs::is_empty(dir / "registry"));
}

TEST_F(CliTest, WithoutInputAndWithoutDisplayShowsUsage) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"/out=x.htm"}}) {
        Result r = Run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Usage: tintext /in=FILE"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
        EXPECT_FALSE(fs::exists(dir / "x.htm"));
    }
}

TEST_F(CliTest, ConvertsWithRelativePaths) {
    Result r = Run({"/in=a.asp", "/out=a.htm", "/hld=digits.hld", "/hldfolder=defs", "/showoutput=0"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Read("a.htm"), "<pre>a&nbsp;<b>12</b></pre>");
}

TEST_F(CliTest, MessagesAndExitStatuses) {
    Write("exists.htm", "old");
    Write("defs/nosections.hld", "' nothing\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;  // the whole of stderr, or its start when it ends with "..."
    };
    const Case cases[] = {
        {{"/in=missing.asp", "/out=o.htm", "/hld=digits.hld"}, 1,
         kAppTitle + "Unable to load input file (missing.asp). The input path or file was not found.\n"},
        {{"/in=a.asp", "/out=exists.htm", "/hld=digits.hld"}, 1,
         "Tintext: The output file already existed and overwrite was not allowed (exists.htm). The process was aborted\n"},
        {{"/in=a.asp", "/out=exists.htm", "/hld=digits.hld", "/overwrite=2"}, 1,
         "Warning: The file \"exists.htm\" already exists.\n\nDo you want to overwrite this file?\n"
         "(no terminal to answer: No)\n"},
        {{"/in=a.asp", "/out=o.htm"}, 1,
         kAppTitle + "Unable to load the HLD file (defs/asp.hld). The input path or file was not found.\n"},
        {{"/in=a.asp", "/out=o.htm", "/hld=nosections.hld"}, 1, kAppTitle + "Error in processing file.\nError 9, ..."},
        {{"/in=a.asp", "/out=a.asp", "/hld=digits.hld", "/overwrite=1"}, 1,
         kAppTitle + "The output file (a.asp) is the input file (a.asp). The process was aborted, so that the input file is kept.\n"},
        {{"/in=a.asp", "/out=exists.htm", "/hld=digits.hld", "/overwrite=1"}, 0, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back("/hldfolder=defs");
        args.push_back("/showoutput=0");
        SCOPED_TRACE(c.args[1] + " " + c.args.back());
        Result r = Run(args);
        EXPECT_EQ(r.status, c.status);
        if (c.err.ends_with("...")) {
            EXPECT_EQ(r.err.rfind(c.err.substr(0, c.err.size() - 3), 0), 0u) << r.err;
        } else {
            EXPECT_EQ(r.err, c.err);
        }
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(fs::exists(dir / "o.htm"));
    }
    EXPECT_EQ(Read("a.asp"), "a 12");
    EXPECT_EQ(Read("exists.htm"), "<pre>a&nbsp;<b>12</b></pre>");
}

TEST_F(CliTest, CommandLineGrammar) {
    Write("my file.asp", "1");
    Write("q\"uote.asp", "2");
    struct Case {
        std::vector<std::string> args;
        std::string output;  // the file that must be written
        std::string content;
    };
    const Case cases[] = {
        {{"-in=a.asp,-out=o1.htm,-hld=digits.hld,-hldfolder=defs,-showoutput=0"}, "o1.htm", "<pre>a&nbsp;<b>12</b></pre>"},
        {{"in=a.asp", "out=o2.htm", "hld=digits.hld", "hldfolder=defs", "showoutput=0"}, "o2.htm", "<pre>a&nbsp;<b>12</b></pre>"},
        // An argument with a blank keeps it inside its value.
        {{"/in=my file.asp", "/out=my out.htm", "/hld=digits.hld", "/hldfolder=defs", "/showoutput=0"}, "my out.htm", "<pre><b>1</b></pre>"},
        // Quotes written for the program itself, doubled inside, blanks inside trimmed.
        {{"/in=\"q\"\"uote.asp\"", "/out=\"  o3.htm \"", "/hld=digits.hld", "/hldfolder=defs", "/showoutput=0"}, "o3.htm", "<pre><b>2</b></pre>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        Result r = Run(c.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Read(c.output), c.content);
    }
}

TEST_F(CliTest, BlankBesideTheEqualsSignGivesAnEmptyInputName) {
    for (const std::vector<std::string>& split : {std::vector<std::string>{"/in", "=a.asp"}, {"/in=", "a.asp"}}) {
        std::vector<std::string> args = split;
        for (const char* a : {"/out=o.htm", "/hld=digits.hld", "/hldfolder=defs", "/showoutput=0"}) args.push_back(a);
        Result r = Run(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(kAppTitle + "Unable to load input file ().\nError 1000. "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("a.asp"), std::string::npos) << "the stray part is named: " << r.err;
        EXPECT_FALSE(fs::exists(dir / "o.htm"));
    }
}

TEST_F(CliTest, UnknownOptionsAreNamedAndIgnored) {
    Result r = Run({"/in=a.asp", "/ouput=x.htm", "/out=o.htm", "/hld=digits.hld", "/hldfolder=defs", "/showoutput=0"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "tintext: unknown option \"ouput\" ignored\n");
    EXPECT_TRUE(fs::exists(dir / "o.htm"));
}

TEST_F(CliTest, StandardInputAndOutput) {
    Result r = Run({"/in=-", "/out=-", "/hld=defs/digits.hld", "/showoutput=1"}, "x 3\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "<pre>x&nbsp;<b>3</b>\n</pre>");
    EXPECT_EQ(r.err, "");

    // A file to standard output.
    r = Run({"/in=a.asp", "/out=-", "/hld=defs/digits.hld"});
    EXPECT_EQ(r.out, "<pre>a&nbsp;<b>12</b></pre>");

    // Failures still go to stderr only.
    r = Run({"/in=missing", "/out=-", "/hld=defs/digits.hld"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Unable to load input file (missing)"), std::string::npos);
}

TEST_F(CliTest, InstalledLayoutFindsTheSharedDefinitions) {
    fs::create_directories(dir / "inst/bin");
    fs::copy_file(kBinary, dir / "inst/bin/tintext");
    fs::permissions(dir / "inst/bin/tintext", fs::perms::owner_all);
    Write("inst/share/tintext/hld/asp.hld", kDigitsHld);
    Result r = Run({"/in=a.asp", "/out=o.htm", "/showoutput=0"}, "", P("inst/bin/tintext"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("o.htm"), "<pre>a&nbsp;<b>12</b></pre>");
}

TEST_F(CliTest, CheckMode) {
    Write("defs/good.hld", kDigitsHld);
    Write("defs/faulty.hld",
          "[Main]\n"
          "PATTERN=abc\n"
          "PATTERN=*oops\n"
          "FORMAT-HTML=x\n"
          "ENTER=Nowhere\n"
          "PATTERN=(open\n"
          "ENTER=Main\n");
    Result good = Run({"/check=defs/good.hld"});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(good.out, "");

    Result faulty = Run({"/check=defs/faulty.hld"});
    EXPECT_EQ(faulty.status, 1);
    std::istringstream lines(faulty.out);
    std::vector<std::string> problems;
    for (std::string line; std::getline(lines, line);) problems.push_back(line);
    ASSERT_EQ(problems.size(), 3u) << faulty.out;
    EXPECT_EQ(problems[0].rfind("defs/faulty.hld:3: ", 0), 0u) << problems[0];
    EXPECT_NE(problems[0].find("*oops"), std::string::npos);
    EXPECT_EQ(problems[1].rfind("defs/faulty.hld:5: ", 0), 0u) << problems[1];
    EXPECT_NE(problems[1].find("Nowhere"), std::string::npos);
    EXPECT_EQ(problems[2].rfind("defs/faulty.hld:6: ", 0), 0u) << problems[2];

    Result missing = Run({"/check=defs/none.hld"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out.rfind("defs/none.hld: ", 0), 0u) << missing.out;

    EXPECT_EQ(Run({"/check"}).status, 2);
}

TEST_F(CliTest, BatchRunStoresTheEightSettings) {
    Result r = Run({"/in=a.asp", "/out=o.htm", "/hld=digits.hld", "/hldfolder=defs", "/showoutput=0"});
    ASSERT_EQ(r.status, 0) << r.err;
    setenv("TINTEXT_REGISTRY_DIR", P("registry").c_str(), 1);
    for (const char* name :
         {"InputFile", "OutputFile", "HLDFile", "ShowOutput", "UseDefaultHLD", "InputDir", "OutputDir", "HLDDir"}) {
        EXPECT_NE(tintext::ReadSetting(tintext::kCompanyName, tintext::kProgramTitle, "Settings", name, "<absent>"),
                  "<absent>")
            << name;
    }
    EXPECT_EQ(tintext::ReadSetting(tintext::kCompanyName, tintext::kProgramTitle, "Settings", "ShowOutput", ""), "1");
    unsetenv("TINTEXT_REGISTRY_DIR");
}

// Ctrl-C while a large input is being formatted: the part done is written,
// with the footers of both open sections.
TEST_F(CliTest, CtrlCWritesThePartDone) {
    Write("defs/block.hld", kBlockHld);
    {
        std::ofstream big(dir / "big.txt", std::ios::binary);
        big << "{";
        std::string chunk(1 << 20, 'x');
        for (int i = 0; i < 48; ++i) big << chunk;
        big << "END";
    }
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
    kill(pid, SIGINT);
    WaitFor(master, "\x01", seen);  // drain to the end
    int wait = 0;
    waitpid(pid, &wait, 0);
    close(master);
    EXPECT_EQ(StatusOf(wait), 130) << seen;
    EXPECT_NE(seen.find("Cancelling"), std::string::npos) << seen;
    const std::string out = Read("big.htm");
    ASSERT_GT(out.size(), 20u);
    EXPECT_EQ(out.rfind("<pre><i>{xxx", 0), 0u);
    EXPECT_TRUE(out.ends_with("x</i></pre>")) << out.substr(out.size() - 20);
    EXPECT_EQ(out.find("END"), std::string::npos);
}

// A second Ctrl-C ends the program at once, and nothing is written.
TEST_F(CliTest, SecondCtrlCStopsWithoutWriting) {
    int input[2], errors[2];
    ASSERT_EQ(pipe2(input, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(errors, O_CLOEXEC), 0);
    int out = open("/dev/null", O_WRONLY | O_CLOEXEC);
    // The program waits for its standard input, which the test never ends.
    pid_t pid = Start({"/in=-", "/out=o.htm", "/hld=defs/digits.hld", "/showoutput=0"}, input[0], out, errors[1]);
    close(input[0]);
    close(errors[1]);
    close(out);
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
    EXPECT_TRUE(WIFEXITED(wait));
    EXPECT_EQ(StatusOf(wait), 130);
    EXPECT_FALSE(fs::exists(dir / "o.htm"));
}

}  // namespace
