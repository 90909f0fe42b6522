#include "support/library/process_launch.h"

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>

#include "support/child_process.h"
#include "support/error.h"
#include "support/job_environment.h"

namespace tintext {

namespace {

pid_t StartOrRaise(const std::string& cmdline) {
    pid_t pid = 0;
    if (Spawn(SplitCommandLine(cmdline), pid) != 0) {
        throw Error(err::SystemFailure, kProgramSource, "Error launching the command [" + cmdline + "]");
    }
    return pid;
}

int OpenPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));  // close-on-exec by default
#else
    errno = ENOSYS;
    return -1;
#endif
}

// ---- Handles ----

struct HandleEntry {
    pid_t pid;
    int pidfd;  // -1 where the kernel has none: the child's state answers instead
    std::shared_ptr<ChildState> child;
};

struct HandleTable {
    std::mutex lock;
    std::map<int32_t, HandleEntry> entries;
    int32_t next = 4;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

int32_t AddHandle(pid_t pid, const std::shared_ptr<ChildState>& child) {
    auto& table = Handles();
    std::lock_guard guard(table.lock);
    int32_t handle = table.next;
    table.next += 4;
    table.entries[handle] = HandleEntry{pid, OpenPidfd(pid), child};
    return handle;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view cmdline) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    size_t i = 0, n = cmdline.size();
    while (i < n) {
        char c = cmdline[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            ++i;
        } else if (c == '\\' && i + 1 < n && cmdline[i + 1] == '\n') {
            i += 2;  // a continued line
        } else if (c == '\\') {
            word += i + 1 < n ? cmdline[i + 1] : '\\';
            inWord = true;
            i += 2;
        } else if (c == '\'') {
            size_t end = cmdline.find('\'', i + 1);
            if (end == std::string_view::npos) end = n;  // an open quote runs to the end
            word.append(cmdline.substr(i + 1, end - i - 1));
            inWord = true;
            i = end + 1;
        } else if (c == '"') {
            for (++i; i < n && cmdline[i] != '"'; ++i) {
                if (cmdline[i] == '\\' && i + 1 < n && std::string_view("\"\\$`").find(cmdline[i + 1]) != std::string_view::npos)
                    ++i;
                word += cmdline[i];
            }
            inWord = true;
            ++i;
        } else {
            word += c;
            inWord = true;
            ++i;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

int32_t ExecCmd(const std::string& cmdline, int32_t showMode, bool wait) {
    pid_t pid = StartOrRaise(cmdline);
    auto child = std::make_shared<ChildState>();
    StartReaper(pid, child);
    if (wait) {
        bool ended;
        do {
            ended = WaitChild(pid, *child, 50);
            Env().DoEvents();
        } while (!ended);
    }
    return pid;
}

DictionaryRef LaunchProcess(const std::string& cmdline, int32_t showMode) {
    pid_t pid = StartOrRaise(cmdline);
    // The handles (pidfds) are opened before the reaper starts, so the id
    // cannot be reused before they name the process.
    auto child = std::make_shared<ChildState>();
    int32_t processHandle = AddHandle(pid, child);
    int32_t threadHandle = AddHandle(pid, child);
    StartReaper(pid, child);
    DictionaryRef record = NewDictionary();
    record->Add("ProcessID", Value(int32_t{pid}));
    record->Add("ThreadID", Value(int32_t{pid}));
    record->Add("ProcessHandle", Value(processHandle));
    record->Add("ThreadHandle", Value(threadHandle));
    return record;
}

int WaitProcessHandle(int32_t handle, int timeoutMs) {
    HandleEntry entry;
    {
        auto& table = Handles();
        std::lock_guard guard(table.lock);
        auto it = table.entries.find(handle);
        if (it == table.entries.end()) return kWaitFailed;
        entry = it->second;
    }
    if (entry.pidfd >= 0) {
        pollfd request{entry.pidfd, POLLIN, 0};
        int rc;
        do rc = poll(&request, 1, timeoutMs);
        while (rc < 0 && errno == EINTR);
        return rc > 0 ? kWaitEnded : rc == 0 ? kWaitTimeout : kWaitFailed;
    }
    return WaitChild(entry.pid, *entry.child, timeoutMs) ? kWaitEnded : kWaitTimeout;
}

int32_t ReleaseProcessHandle(int32_t handle) {
    auto& table = Handles();
    std::lock_guard guard(table.lock);
    auto it = table.entries.find(handle);
    if (it == table.entries.end()) return 0;
    if (it->second.pidfd >= 0) close(it->second.pidfd);
    table.entries.erase(it);
    return 1;
}

int32_t TerminateProcessById(int32_t processId) {
    if (processId <= 0) return 0;
    int pidfd = OpenPidfd(processId);
    if (pidfd >= 0) {
#ifdef SYS_pidfd_send_signal
        long rc = syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0);
        int error = errno;
        close(pidfd);
        if (rc == 0) return 1;
        if (error != ENOSYS) return 0;
#else
        close(pidfd);
#endif
    } else if (errno == ESRCH || errno == EINVAL) {
        return 0;
    }
    return kill(processId, SIGKILL) == 0 ? 1 : 0;
}

}  // namespace tintext
