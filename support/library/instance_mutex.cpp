#include "support/library/instance_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

#include "support/ascii_text.h"
#include "support/error.h"

namespace tintext {

namespace {

constexpr int kUnnamed = -1;

struct HandleTable {
    std::mutex lock;
    std::map<int32_t, int> files;  // handle -> lock file descriptor (kUnnamed for no file)
    int32_t next = 1;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

[[noreturn]] void RaiseSystemError(int number, const std::string& path = {}) {
    std::string text = SystemErrorText(number);
    if (!path.empty()) text += " (" + path + ")";
    throw Error(number, kProgramSource, text);
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return !path.empty() && path[0] == '/' && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A folder of our own: a real directory (not a link) owned by us and closed to others.
void EnsurePrivateFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) RaiseSystemError(errno, folder);
    struct stat st;
    if (lstat(folder.c_str(), &st) != 0) RaiseSystemError(errno, folder);
    if (!S_ISDIR(st.st_mode)) RaiseSystemError(ENOTDIR, folder);
    if (st.st_uid != geteuid() || (st.st_mode & 0077) != 0) RaiseSystemError(EACCES, folder);
}

// Opens the lock file of a name; the caller closes it.
int OpenLockFile(const std::string& name) {
    std::string path = MutexFolder() + "/" + MutexFileName(name);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) RaiseSystemError(errno, path);
    return fd;
}

// Tries to take the lock: true when taken, false when someone holds it.
bool TryLock(int fd) {
    int rc;
    do rc = flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc == 0) return true;
    int error = errno;
    if (error == EWOULDBLOCK) return false;
    close(fd);
    RaiseSystemError(error);
}

int32_t AddHandle(int fd) {
    auto& table = Handles();
    std::lock_guard guard(table.lock);
    int32_t handle = table.next++;
    table.files[handle] = fd;
    return handle;
}

}  // namespace

std::string MutexFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = runtime && IsDirectory(runtime)
                             ? std::string(runtime) + "/tintext-mutex"
                             : "/tmp/tintext-mutex-" + std::to_string(geteuid());
    EnsurePrivateFolder(folder);
    return folder;
}

std::string MutexFileName(const std::string& name) {
    std::string out = "m-";  // never "." or "..", never empty
    for (unsigned char c : name) {
        bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                    c == '_';
        if (keep) {
            out += static_cast<char>(c);
        } else {
            std::string hex = "0" + HexUpper(c);
            out += "%" + hex.substr(hex.size() - 2);
        }
    }
    constexpr size_t kMaxLength = 200;  // file names end at 255 bytes
    if (out.size() > kMaxLength) {
        uint64_t hash = 1469598103934665603ULL;  // FNV-1a over the whole name
        for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ULL;
        out = out.substr(0, kMaxLength - 20) + "~" + HexUpper(static_cast<uint32_t>(hash >> 32)) +
              HexUpper(static_cast<uint32_t>(hash));
    }
    return out + ".lock";
}

int32_t CreateInstanceMutex(const std::string& name) {
    if (name.empty()) return AddHandle(kUnnamed);
    int fd = OpenLockFile(name);
    if (!TryLock(fd)) {
        close(fd);
        RaiseSystemError(err::AlreadyExists);
    }
    return AddHandle(fd);
}

void DestroyInstanceMutex(int32_t handle) {
    auto& table = Handles();
    int fd;
    {
        std::lock_guard guard(table.lock);
        auto it = table.files.find(handle);
        if (it == table.files.end()) RaiseSystemError(EBADF);
        fd = it->second;
        table.files.erase(it);
    }
    if (fd != kUnnamed && close(fd) != 0 && errno != EINTR) RaiseSystemError(errno);
}

bool CheckInstanceMutex(const std::string& name) {
    if (name.empty()) return false;
    int fd = OpenLockFile(name);
    bool taken = TryLock(fd);
    close(fd);  // releases the lock when it was taken
    return !taken;
}

}  // namespace tintext
