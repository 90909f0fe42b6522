#include "support/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "support/user_folders.h"

namespace tintext {

namespace {

// A writer holds the lock for one read-modify-replace; waiting far longer
// than that means a stuck process, and the write is given up rather than hang.
constexpr auto kLockPatience = std::chrono::seconds(30);

// Each problem is told once per process: the settings store reads and writes
// several values in a row, and one line per file is enough.
void ReportOnce(const std::string& what, const std::string& message) {
    static std::mutex mutex;
    static std::set<std::string> told;
    std::lock_guard<std::mutex> guard(mutex);
    if (told.insert(what).second) std::fprintf(stderr, "tintext: %s\n", message.c_str());
}

struct FileText {
    enum Status { Read, Missing, Failed } status = Missing;
    std::string text;
    std::string identity;  // path, inode, size and time: which version of the file was read
};

FileText ReadWholeFile(const std::string& path) {
    FileText result;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.status = errno == ENOENT ? FileText::Missing : FileText::Failed;
        if (result.status == FileText::Failed)
            ReportOnce("read " + path, "cannot read the registry file " + path + ": " + std::strerror(errno));
        return result;
    }
    struct stat st {};
    fstat(fd, &st);
    result.identity = path + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
                      std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
    char buffer[65536];
    while (true) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ReportOnce("read " + path, "cannot read the registry file " + path + ": " + std::strerror(errno));
            close(fd);
            result.status = FileText::Failed;
            return result;
        }
        if (n == 0) break;
        result.text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    result.status = FileText::Read;
    return result;
}

// The keys in the file; nullopt (reported once) when it is damaged.
std::optional<RegKey> ParseOrReport(const FileText& file, const std::string& path, RegRoot root) {
    RegParseError error;
    std::optional<RegKey> keys = ParseRegText(file.text, root, error);
    if (!keys)
        ReportOnce("damaged " + file.identity, "registry file " + path + ", line " + std::to_string(error.line) +
                                                   ": " + error.reason +
                                                   ". Its values are ignored; the file will be kept as a copy "
                                                   "before it is next written.");
    return keys;
}

bool MakeFolders(const std::string& folder) {
    for (size_t pos = 1;; ++pos) {
        pos = folder.find('/', pos);
        std::string part = folder.substr(0, pos);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (pos == std::string::npos) break;
    }
    struct stat st {};
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes data into a new file (never replacing one) and flushes it.
bool WriteNewFile(const std::string& path, const std::string& data, int flags) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0600);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, data) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok) {
        int cause = errno;
        unlink(path.c_str());
        errno = cause;
    }
    return ok;
}

void SyncFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// Keeps the damaged file's text as <file>.corrupt-<time>[-n]; the name of the copy, or nullopt.
std::optional<std::string> KeepDamagedCopy(const std::string& path, const std::string& text) {
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    for (int n = 0; n < 100; ++n) {
        std::string copy = path + ".corrupt-" + stamp + (n ? "-" + std::to_string(n) : "");
        if (WriteNewFile(copy, text, O_EXCL)) return copy;
        if (errno != EEXIST) break;
    }
    return std::nullopt;
}

// The store's lock: an flock'ed file beside the root's file, held for one update.
class StoreLock {
public:
    explicit StoreLock(const std::string& path) {
        fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;
        auto giveUp = std::chrono::steady_clock::now() + kLockPatience;
        auto pause = std::chrono::milliseconds(1);
        while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > giveUp) {
                close(fd_);
                fd_ = -1;
                return;
            }
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(20));
        }
        held_ = true;
    }
    ~StoreLock() {
        if (fd_ >= 0) close(fd_);  // releases the lock
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    bool held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

}  // namespace

std::string RegistryFolder() {
    if (const char* dir = std::getenv("TINTEXT_REGISTRY_DIR"); dir && *dir) return dir;
    return ConfigFolder() + "/tintext/registry";
}

std::string RegistryFilePath(RegRoot root) { return RegistryFolder() + "/" + RegRootName(root) + ".reg"; }

RegKey LoadRegistryRoot(RegRoot root) {
    std::string path = RegistryFilePath(root);
    FileText file = ReadWholeFile(path);
    if (file.status != FileText::Read) return {};
    std::optional<RegKey> keys = ParseOrReport(file, path, root);
    return keys ? std::move(*keys) : RegKey{};
}

bool UpdateRegistryRoot(RegRoot root, const std::function<bool(RegKey&)>& change) {
    std::string folder = RegistryFolder();
    std::string path = RegistryFilePath(root);
    if (!MakeFolders(folder)) {
        ReportOnce("folder " + folder, "cannot create the registry folder " + folder + ": " + std::strerror(errno));
        return false;
    }
    StoreLock lock(path + ".lock");
    if (!lock.held()) {
        ReportOnce("lock " + path, "cannot lock the registry file " + path + "; values are not stored");
        return false;
    }
    // A store file that is a link (kept with the user's other configuration
    // files, say) is replaced at its target, so the link stays.
    if (char* target = realpath(path.c_str(), nullptr)) {
        path = target;
        std::free(target);
    }
    // Re-read under the lock: another process may have written since our last read.
    FileText file = ReadWholeFile(path);
    if (file.status == FileText::Failed) return false;  // never replace what could not be read
    std::optional<RegKey> keys = RegKey{};
    bool damaged = false;
    if (file.status == FileText::Read) {
        keys = ParseOrReport(file, path, root);
        damaged = !keys;
        if (damaged) keys = RegKey{};
    }
    if (!change(*keys)) return false;
    if (damaged) {
        std::optional<std::string> copy = KeepDamagedCopy(path, file.text);
        if (!copy) {
            ReportOnce("copy " + path, "cannot keep a copy of the damaged registry file " + path +
                                           "; it is left as it is and values are not stored");
            return false;
        }
        std::fprintf(stderr, "tintext: the damaged registry file %s is kept as %s\n", path.c_str(), copy->c_str());
    }
    // Under the lock the temporary name is ours alone; a leftover from a crash is simply overwritten.
    std::string temporary = path + ".new";
    if (!WriteNewFile(temporary, FormatRegText(*keys, root), O_TRUNC) || rename(temporary.c_str(), path.c_str()) != 0) {
        ReportOnce("write " + path, "cannot write the registry file " + path + ": " + std::strerror(errno));
        unlink(temporary.c_str());
        return false;
    }
    SyncFolder(path.substr(0, path.rfind('/') + 1));
    return true;
}

}  // namespace tintext
