// Named temporary files beside an output: their names, their removal when
// the program is stopped by a signal, and the removal of those that a
// killed run left behind.
#pragma once

#include <string>

namespace tintext {

// A new name for a temporary file beside `target`, hidden and marked with
// this process's id: ".page.htm.<pid>-<random>.tmp".
std::string TemporaryNameFor(const std::string& target);

// Removes the temporary files of `target` left by runs that no longer exist
// (their process id is not in use). Anything else, and a name this process
// or another living one holds, is left alone.
void RemoveLeftoversOf(const std::string& target);

// Keeps a temporary file's name where a signal handler can remove the file:
// from construction until Release (or destruction, which removes nothing).
class RemovedOnSignal {
public:
    explicit RemovedOnSignal(const std::string& path);
    ~RemovedOnSignal() { Release(); }
    RemovedOnSignal(const RemovedOnSignal&) = delete;
    RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;
    void Release();

private:
    int slot_ = -1;
};

// Removes every file held by a RemovedOnSignal. Safe in a signal handler.
void RemoveTemporaryFiles();

// SIGTERM, SIGHUP and SIGPIPE remove the temporary files and end the program
// with the status 128 + the signal's number.
void InstallTerminationCleanup();

}  // namespace tintext
