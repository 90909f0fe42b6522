// Starting a program and reaping it. Every started program is reaped by a
// small background thread as soon as it ends, so none stays behind as a
// zombie, whether or not anyone waits for it.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace tintext {

// Whether a started program has ended, shared by its reaper and its waiters.
struct ChildState {
    bool ended = false;
    bool reaper = false;  // a thread waits for it; otherwise the waiters reap it
};

// Starts the program argv[0] (looked up on PATH) with exactly these arguments.
// Returns 0, or the reason (errno) why it could not be started; glibc
// reports a failed exec in the child (missing or not executable program)
// here too.
int Spawn(const std::vector<std::string>& argv, pid_t& pid);

// Starts the thread that reaps the child as soon as it ends. Without a thread
// to spare, WaitChild reaps it instead.
void StartReaper(pid_t pid, const std::shared_ptr<ChildState>& state);

// Waits up to timeoutMs for the child to end; true when it has.
bool WaitChild(pid_t pid, ChildState& state, int timeoutMs);

// Starts a program with exactly these arguments (nothing is split), without
// waiting; false when it could not be started.
bool SpawnDetached(const std::vector<std::string>& argv);

}  // namespace tintext
