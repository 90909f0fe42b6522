// modExecute: starting programs from a command line, waiting for them while
// pending events run, and the process handles handed to callers.
//
// Started programs are reaped as support/child_process.h says. Process handles are small numbers for a process-wide table of pidfds (the
// process id alone where the kernel has no pidfd_open); a pidfd names its
// process even after it was reaped, so a handle never reaches a stranger that
// reused the id.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/dictionary.h"

namespace tintext {

// The show modes of the callers: 1 normal window, 2 minimised. A program
// started here chooses its own windows, so the mode is accepted and not applied.
inline constexpr int32_t kShowNormal = 1;
inline constexpr int32_t kShowMinimized = 2;

// Splits a command line into the program and its arguments the way a POSIX
// shell splits plain words: blanks, tabs and line breaks separate; '...' keeps
// its text as written; "..." keeps blanks and takes a backslash before " \ $ `
// as an escape; a backslash outside quotes escapes the next character. No
// variables, patterns or redirections.
std::vector<std::string> SplitCommandLine(std::string_view cmdline);

// Starts the command line and returns the process id. With wait, waits in
// 50 ms steps, letting pending events run after each, until the program has
// ended; there is no overall time-out. Raises 1000 "Error launching the
// command [" + cmdline + "]" when the program cannot be started (no program
// named, not found, not executable).
int32_t ExecCmd(const std::string& cmdline, int32_t showMode, bool wait);

// Starts the command line without waiting and returns the launch record, a
// keyed collection of 32-bit numbers: "ProcessID"; "ThreadID", the id of the
// main thread, which on Linux is the process id again; "ProcessHandle" and
// "ThreadHandle", two open handles of the process that the caller closes with
// ReleaseProcessHandle. Raises the launch error as ExecCmd does.
DictionaryRef LaunchProcess(const std::string& cmdline, int32_t showMode);

// Results of WaitProcessHandle, in the numbers of the platform's wait.
inline constexpr int kWaitEnded = 0;
inline constexpr int kWaitTimeout = 258;
inline constexpr int kWaitFailed = -1;

// Waits up to timeoutMs for the process of the handle to end.
int WaitProcessHandle(int32_t handle, int timeoutMs);

// Closes the handle: 1 when it was open, 0 otherwise.
int32_t ReleaseProcessHandle(int32_t handle);

// Ends the process with SIGKILL, which it cannot catch or ignore, as the
// platform's termination cannot be refused. The caller's exit code cannot be
// set from outside on Linux: the process ends "killed by signal 9". Returns 1
// when the signal was delivered, 0 for a process that does not exist, is not
// ours to end, or an id of 0 or below (which would name process groups).
int32_t TerminateProcessById(int32_t processId);

}  // namespace tintext
