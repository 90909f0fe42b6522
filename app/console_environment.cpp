#include "app/console_environment.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "support/ascii_text.h"
#include "support/temporary_files.h"

extern char** environ;

namespace tintext {

namespace {

constexpr int kBarWidth = 40;
constexpr const char* kOpener = "xdg-open";
constexpr int kOpenerFoundNoProgram = 3;  // xdg-open's "a required tool could not be found"
constexpr auto kOpenerWait = std::chrono::seconds(3);
// A few redraws a second are enough to see movement and cost nothing.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

void WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        data += n;
        size -= static_cast<size_t>(n);
    }
}

// One line from the terminal; false on end of input, an error or an
// interruption (Ctrl-C while asking means No).
bool ReadLine(int fd, std::string& line) {
    line.clear();
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        // poll is never restarted after a signal, unlike read.
        if (::poll(&p, 1, -1) <= 0) return false;
        char c;
        ssize_t n = ::read(fd, &c, 1);
        if (n <= 0) return false;
        if (c == '\n') return true;
        line.push_back(c);
    }
}

std::atomic<JobEnvironment*> interruptTarget{nullptr};
std::atomic<int> interruptPresses{0};
std::atomic<const char*> interruptNote{
    "\nCancelling: the part done so far is written. Press Ctrl-C again to stop at once.\n"};

void OnInterrupt(int) {
    if (interruptPresses.fetch_add(1) == 0) {
        if (JobEnvironment* env = interruptTarget.load()) env->cancelRequested = true;
        const char* note = interruptNote.load();
        ssize_t ignored = ::write(2, note, std::strlen(note));
        (void)ignored;
    } else {
        RemoveTemporaryFiles();
        ::_exit(128 + SIGINT);
    }
}

}  // namespace

std::string ConsoleMessageText(const std::string& text, const std::string& title) {
    std::string shown = ReplaceAll(text, "\r\n", "\n");
    return title.empty() ? shown : title + ": " + shown;
}

ConsoleEnvironment::ConsoleEnvironment(int messageFd, std::string terminalPath)
    : progressBar(::isatty(messageFd) == 1), fd_(messageFd), terminalPath_(std::move(terminalPath)) {}

void ConsoleEnvironment::Write(const std::string& text) const { WriteAll(fd_, text.data(), text.size()); }

void ConsoleEnvironment::ShowProgress() {
    visible_ = true;
    percent_ = -1;
}

void ConsoleEnvironment::HideProgress() {
    ClearBar();
    visible_ = false;
}

void ConsoleEnvironment::SetProgressMax(float maximum) {
    maximum_ = maximum;
    SetProgressValue(0);
}

void ConsoleEnvironment::SetProgressValue(float value) {
    if (!visible_ || !progressBar) return;
    int percent = maximum_ > 0 ? static_cast<int>(100.0f * value / maximum_) : 100;
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    if (percent == percent_) return;
    auto now = std::chrono::steady_clock::now();
    if (drawn_ && percent != 100 && now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;
    percent_ = percent;
    Draw(percent);
}

void ConsoleEnvironment::Draw(int percent) {
    const int filled = percent * kBarWidth / 100;
    std::string line = "\r[" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(kBarWidth - filled), ' ') + "] ";
    std::string number = std::to_string(percent);
    line += std::string(3 - number.size(), ' ') + number + "%";
    Write(line);
    drawn_ = true;
}

void ConsoleEnvironment::ShowStatusLine(const std::string& text) {
    if (!progressBar) return;
    Write("\r" + text + "\033[K");
    drawn_ = true;
}

void ConsoleEnvironment::ClearBar() {
    if (!drawn_) return;
    Write("\r\033[K");
    drawn_ = false;
    percent_ = -1;
}

MsgResult ConsoleEnvironment::MessageBox(const std::string& text, MsgButtons buttons, MsgIcon,
                                         const std::string& title) {
    ClearBar();
    const std::string shown = ConsoleMessageText(text, title);
    if (buttons == MsgButtons::YesNo) return Ask(shown);
    Write(shown + "\n");
    return MsgResult::Ok;
}

MsgResult ConsoleEnvironment::Ask(const std::string& question) const {
    int tty = ::open(terminalPath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) {
        Write(question + "\n(no terminal to answer: No)\n");
        return MsgResult::No;
    }
    MsgResult answer = MsgResult::No;
    for (;;) {
        const std::string prompt = question + " [Y/n] ";
        WriteAll(tty, prompt.data(), prompt.size());
        std::string line;
        if (!ReadLine(tty, line)) {
            WriteAll(tty, "\n", 1);
            break;
        }
        const std::string reply = ToLowerAscii(TrimBlanks(line));
        if (reply.empty() || reply == "y" || reply == "yes") {
            answer = MsgResult::Yes;
            break;
        }
        if (reply == "n" || reply == "no") break;
    }
    ::close(tty);
    return answer;
}

bool ConsoleEnvironment::OpenDocument(const std::string& path) {
    // The opener's own messages would be noise here: it talks to /dev/null,
    // and a failure is told in one line from its exit status.
    auto failed = [&](const std::string& why) {
        ClearBar();
        Write("tintext: " + path + " was written but not opened: " + why + "\n");
        return false;
    };
    const std::string target = path[0] == '-' ? "./" + path : path;
    std::vector<char*> argv = {const_cast<char*>(kOpener), const_cast<char*>(target.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2}) posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd ? O_WRONLY : O_RDONLY, 0);
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, kOpener, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return failed(std::string(kOpener) + ": " + std::strerror(error));
    // An opener that hands the file to a running browser ends at once; one
    // that runs the browser itself is left to it.
    const auto deadline = std::chrono::steady_clock::now() + kOpenerWait;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return true;
        if (std::chrono::steady_clock::now() >= deadline) return true;
        ::usleep(20000);
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (WIFEXITED(status) && WEXITSTATUS(status) == kOpenerFoundNoProgram) {
        return failed(std::string(kOpener) + " found no program to open it");
    }
    return failed(std::string(kOpener) + (WIFEXITED(status) ? " ended with status " + std::to_string(WEXITSTATUS(status))
                                                             : " was stopped by signal " + std::to_string(WTERMSIG(status))));
}

void ConsoleEnvironment::Note(NoteLevel level, const std::string& text) {
    if (level == NoteLevel::Normal ? quiet : !verbose) return;
    ClearBar();
    Write("tintext: " + text + "\n");
}

void SetInterruptNote(const char* note) { interruptNote = note; }

void InstallInterruptHandler(JobEnvironment& environment) {
    interruptTarget = &environment;
    interruptPresses = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
}

}  // namespace tintext
