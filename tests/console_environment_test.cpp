// The terminal's job environment: messages, the question on a (pseudo) terminal,
// the progress bar and Ctrl-C.
#include "app/console_environment.h"

#include <fcntl.h>
#include "test_prelude.h"
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// A pipe standing in for stderr.
struct Pipe {
    int fds[2];
    Pipe() { EXPECT_EQ(pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0); }
    ~Pipe() {
        close(fds[0]);
        close(fds[1]);
    }
    std::string Drain() const {
        std::string all;
        char buf[4096];
        ssize_t n;
        while ((n = read(fds[0], buf, sizeof buf)) > 0) all.append(buf, static_cast<size_t>(n));
        return all;
    }
};

// A pseudo-terminal: the test types on the master side, the environment opens the slave.
struct Pty {
    int master = -1;
    int slave = -1;
    std::string slavePath;
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master, 0);
        EXPECT_EQ(grantpt(master), 0);
        EXPECT_EQ(unlockpt(master), 0);
        slavePath = ptsname(master);
        slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY);
        EXPECT_GE(slave, 0);
    }
    ~Pty() {
        close(slave);
        close(master);
    }
    void Type(const std::string& keys) const { EXPECT_EQ(write(master, keys.data(), keys.size()), (ssize_t)keys.size()); }
};

TEST(ConsoleEnvironment, MessagesGoToTheMessageStreamWithTheirTitles) {
    EXPECT_EQ(ConsoleMessageText("Unable.\r\nError 5. x", "Tintext (1.0.47)"), "Tintext (1.0.47): Unable.\nError 5. x");
    EXPECT_EQ(ConsoleMessageText("Message:\r\nCreateObject failed.", ""), "Message:\nCreateObject failed.");

    Pipe err;
    ConsoleEnvironment env(err.fds[1], "/nonexistent/tty");
    EXPECT_FALSE(env.progressBar);
    EXPECT_EQ(env.MessageBox("a\r\nb", MsgButtons::Ok, MsgIcon::Information, "Tintext"), MsgResult::Ok);
    EXPECT_EQ(err.Drain(), "Tintext: a\nb\n");
}

// Without a terminal a question is answered No: see cli.cases.
TEST(ConsoleEnvironment, QuestionIsAskedOnTheTerminal) {
    for (const tintext::testing::Row& row : tintext::testing::ReadRows("app_terminal_answers.tsv")) {
        SCOPED_TRACE(row.where);
        Pty pty;
        Pipe err;
        ConsoleEnvironment env(err.fds[1], pty.slavePath);
        pty.Type(row[0]);
        EXPECT_EQ(env.MessageBox("The file \"x\" exists.\r\n\r\nOverwrite?", MsgButtons::YesNo,
                                 MsgIcon::Exclamation, "Warning"),
                  row[1] == "yes" ? MsgResult::Yes : MsgResult::No);
        EXPECT_EQ(err.Drain(), "");  // asked on the terminal, not on the message stream
        // The terminal hands its output over in pieces: read until the prompts are there.
        std::string shown;
        size_t prompts = 0;
        char buf[4096];
        while (prompts < std::stoul(row[2])) {
            pollfd p{pty.master, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0) break;
            ssize_t n = read(pty.master, buf, sizeof buf);
            if (n <= 0) break;
            shown.append(buf, static_cast<size_t>(n));
            prompts = 0;
            for (size_t at = shown.find("[Y/n]"); at != std::string::npos; at = shown.find("[Y/n]", at + 1)) ++prompts;
        }
        EXPECT_NE(shown.find("Warning: The file \"x\" exists."), std::string::npos) << shown;
        EXPECT_EQ(std::to_string(prompts), row[2]) << shown;
    }
}

TEST(ConsoleEnvironment, ProgressBarIsDrawnAndCleared) {
    Pipe err;
    ConsoleEnvironment env(err.fds[1], "/nonexistent/tty");
    env.SetProgressValue(5);  // not shown yet: nothing drawn
    EXPECT_EQ(err.Drain(), "");

    env.progressBar = true;
    env.ShowProgress();
    env.SetProgressMax(200);
    env.SetProgressValue(200);
    std::string drawn = err.Drain();
    EXPECT_EQ(drawn.rfind("\r[", 0), 0u) << drawn;
    EXPECT_NE(drawn.find("   0%"), std::string::npos) << drawn;
    EXPECT_NE(drawn.find("[" + std::string(40, '#') + "] 100%"), std::string::npos) << drawn;

    // A message clears the bar's line first, so the two never mix.
    env.MessageBox("m", MsgButtons::Ok, MsgIcon::Information, "T");
    EXPECT_EQ(err.Drain(), "\r\033[KT: m\n");
    env.HideProgress();
    EXPECT_EQ(err.Drain(), "");

    // An empty input (maximum 0) shows a full bar rather than dividing by zero.
    env.ShowProgress();
    env.SetProgressMax(0);
    EXPECT_NE(err.Drain().find("100%"), std::string::npos);
    env.HideProgress();
    EXPECT_EQ(err.Drain(), "\r\033[K");
}

}  // namespace
