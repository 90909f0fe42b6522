// The built tintext program, run end to end, where a case of
// tests/data/cli.cases cannot say it: the help's layout, the hand-over to the
// desktop program, the installed layout, signals, stored settings, --list.
#include <fcntl.h>
#include "test_prelude.h"
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "cli_harness.h"
#include "digits_definition.h"

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

// A pseudo-terminal: the test's end and the program's.
bool OpenTerminal(int& master, int& slave) {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return false;
    slave = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    return slave >= 0;
}

// Whether the process has its own handler for SIGINT yet.
bool CatchesInterrupt(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("SigCgt:")) return (std::stoull(line.substr(7), nullptr, 16) & (1ull << (SIGINT - 1))) != 0;
    return false;
}

// The help fits a terminal of 80 columns (what it says: cli.cases).
TEST_F(CliTest, HelpLinesFitTheTerminal) {
    const Result help = Run({"--help"});
    for (size_t start = 0, end; (end = help.out.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 78u) << help.out.substr(start, end - start);
}

// With a display, a batch run whose standard error is a terminal stays in the
// terminal (the runs that go to tintext-desktop are cases of cli.cases).
TEST_F(CliTest, ABatchRunInATerminalStaysThere) {
    fs::create_directories(dir.P("bin"));
    fs::copy_file(kBinary, dir.P("bin/tintext"));
    dir.Put("bin/tintext-desktop", "#!/bin/sh\nprintf '[%s]' \"$@\" > handed.txt\nexit 7\n");
    fs::permissions(dir.P("bin/tintext-desktop"), fs::perms::owner_all);
    extraEnv = {"DISPLAY=remote.example:0"};  // remote displays are taken on trust
    const std::vector<std::string> batch = {"/in=a.asp", "/out=my out.htm", "/hld=digits.hld", "/hldfolder=defs"};
    int master = -1, slave = -1;
    ASSERT_TRUE(OpenTerminal(master, slave));
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
        int master = -1, slave = -1;
        ASSERT_TRUE(OpenTerminal(master, slave));
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

// --list names every shipped definition once (what the lines say: cli.cases).
TEST_F(CliTest, ListHasALineForEveryShippedDefinition) {
    Result r = Run({"--list"});
    EXPECT_EQ(r.status, 0) << r.err;
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(kShippedFolder))
        files += entry.path().extension() == ".hld" && !entry.is_symlink();
    EXPECT_EQ(static_cast<size_t>(std::count(r.out.begin(), r.out.end(), '\n')), files);
}

}  // namespace
