#include "support/child_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

extern char** environ;

namespace tintext {

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

std::mutex& ChildLock() {
    static std::mutex lock;
    return lock;
}

std::condition_variable& ChildEnded() {
    static std::condition_variable ended;
    return ended;
}

void MarkEnded(ChildState& state) {
    {
        std::lock_guard guard(ChildLock());
        state.ended = true;
    }
    ChildEnded().notify_all();
}

bool ReapIfEnded(pid_t pid, ChildState& state) {
    int status;
    pid_t result = waitpid(pid, &status, WNOHANG);
    if (result == pid || (result < 0 && errno == ECHILD)) MarkEnded(state);
    std::lock_guard guard(ChildLock());
    return state.ended;
}

}  // namespace

void StartReaper(pid_t pid, const std::shared_ptr<ChildState>& state) {
    state->reaper = true;
    try {
        std::thread([pid, state] {
            int status;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            MarkEnded(*state);
        }).detach();
    } catch (const std::system_error&) {
        state->reaper = false;  // no thread to spare: WaitChild reaps it
    }
}

bool WaitChild(pid_t pid, ChildState& state, int timeoutMs) {
    {
        std::unique_lock lock(ChildLock());
        if (state.reaper) return ChildEnded().wait_for(lock, milliseconds(timeoutMs), [&] { return state.ended; });
    }
    auto deadline = Clock::now() + milliseconds(timeoutMs);
    while (!ReapIfEnded(pid, state)) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(milliseconds(5));
    }
    return true;
}

int Spawn(const std::vector<std::string>& argv, pid_t& pid) {
    if (argv.empty() || argv[0].empty()) return ENOENT;
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawnattr_t attr;
    if (int rc = posix_spawnattr_init(&attr)) return rc;
    // The program starts with no blocked and no ignored signals, whatever
    // the caller's own handling (Ctrl-C in a batch run, for one).
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    int rc = posix_spawnp(&pid, args[0], nullptr, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    return rc;
}

bool SpawnDetached(const std::vector<std::string>& argv) {
    pid_t pid = 0;
    if (Spawn(argv, pid) != 0) return false;
    StartReaper(pid, std::make_shared<ChildState>());
    return true;
}

}  // namespace tintext
