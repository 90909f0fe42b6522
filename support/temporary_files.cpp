#include "support/temporary_files.h"

#include <dirent.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "support/file_io.h"

namespace tintext {

namespace {

constexpr const char* kSuffix = ".tmp";

// Few files are open for writing at once; a name that finds no free slot is
// only not removed on a signal.
constexpr int kSlots = 8;
enum SlotState { kFree, kFilling, kHeld };
char slotPaths[kSlots][PATH_MAX];
std::atomic<int> slotState[kSlots];

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

std::string FolderPrefix(const std::string& path) {
    const std::string folder = ParentFolder(path);
    return folder == "/" ? "/" : folder + "/";
}

// ".page.htm." for page.htm; long names are cut so that the whole stays a valid name.
std::string NameStart(const std::string& target) { return "." + BaseName(target).substr(0, 64) + "."; }

// The process id in "<pid>-<hex>.tmp", or 0 when the rest of a name is not that.
pid_t OwnerOf(const char* rest) {
    char* end = nullptr;
    const long pid = std::strtol(rest, &end, 10);
    if (end == rest || *end != '-' || pid <= 0) return 0;
    const char* hex = end + 1;
    const size_t digits = std::strspn(hex, "0123456789abcdef");
    if (digits == 0 || std::strcmp(hex + digits, kSuffix) != 0) return 0;
    return static_cast<pid_t>(pid);
}

void OnTermination(int signal) {
    RemoveTemporaryFiles();
    ::_exit(128 + signal);
}

}  // namespace

std::string TemporaryNameFor(const std::string& target) {
    static std::random_device random;
    char marker[48];
    std::snprintf(marker, sizeof marker, "%ld-%08x%s", static_cast<long>(::getpid()), random(), kSuffix);
    return FolderPrefix(target) + NameStart(target) + marker;
}

void RemoveLeftoversOf(const std::string& target) {
    const std::string start = NameStart(target);
    const std::string folder = FolderPrefix(target);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, start.c_str(), start.size()) != 0) continue;
        const pid_t owner = OwnerOf(entry->d_name + start.size());
        if (owner == 0 || owner == ::getpid()) continue;
        if (::kill(owner, 0) == 0 || errno != ESRCH) continue;  // still running, or not ours to tell
        ::unlink((folder + entry->d_name).c_str());
    }
    ::closedir(dir);
}

RemovedOnSignal::RemovedOnSignal(const std::string& path) {
    if (path.size() >= PATH_MAX) return;
    for (int i = 0; i < kSlots; ++i) {
        int free = kFree;
        if (!slotState[i].compare_exchange_strong(free, kFilling)) continue;
        // A handler sees the path only once it is whole.
        std::memcpy(slotPaths[i], path.c_str(), path.size() + 1);
        slotState[i] = kHeld;
        slot_ = i;
        return;
    }
}

void RemovedOnSignal::Release() {
    if (slot_ < 0) return;
    slotState[slot_] = kFree;
    slot_ = -1;
}

void RemoveTemporaryFiles() {
    for (int i = 0; i < kSlots; ++i)
        if (slotState[i].load() == kHeld) ::unlink(slotPaths[i]);
}

void InstallTerminationCleanup() {
    struct sigaction action {};
    action.sa_handler = OnTermination;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGHUP, SIGPIPE, SIGINT}) sigaddset(&action.sa_mask, signal);
    for (int signal : {SIGTERM, SIGHUP, SIGPIPE}) ::sigaction(signal, &action, nullptr);
}

}  // namespace tintext
