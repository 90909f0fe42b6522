#include "support/output_file.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/file_io.h"
#include "support/temporary_files.h"

namespace tintext {

namespace {

bool Interrupted(ssize_t result) { return result < 0 && errno == EINTR; }

// An unnamed file gets its name through /proc, which some systems lack.
bool CanNameUnnamedFiles() {
    static const bool can = ::access("/proc/self/fd", F_OK) == 0;
    return can;
}

// The file system has no unnamed files (as opposed to a folder that refuses them).
bool NoUnnamedFiles(int errnum) { return errnum == EOPNOTSUPP || errnum == EISDIR || errnum == EINVAL; }

// The folder is one where no new file may be made (as opposed to one that is missing).
bool RefusesNewFiles(int errnum) { return errnum == EACCES || errnum == EPERM; }

std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (Interrupted(n)) continue;
        if (n < 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

std::string FollowLinks(const std::string& path) {
    std::string current = path;
    for (int links = 0; links < 40; ++links) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        char target[4096];
        const ssize_t n = ::readlink(current.c_str(), target, sizeof target - 1);
        if (n <= 0) return current;
        std::string next(target, static_cast<size_t>(n));
        if (next[0] != '/') {
            const std::string folder = ParentFolder(current);
            next = (folder == "/" ? "/" : folder + "/") + next;
        }
        current = next;
    }
    return current;
}

OutputFile::OutputFile(const std::string& target, std::string source, Placement placement)
    : target_(target), realPath_(target), source_(std::move(source)), placement_(placement) {
    if (target.empty()) throw BlankFileNameError(source_);
    struct stat st;
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) Fail(EISDIR);
        if (!S_ISREG(st.st_mode)) {
            // A FIFO, a device or a socket is a channel, not a file to keep.
            OpenChannel(st);
            return;
        }
        if (placement_ == Placement::NoReplace) Fail(EEXIST);
        if (char* resolved = ::realpath(target.c_str(), nullptr)) {
            realPath_ = resolved;
            std::free(resolved);
        }
        // A file that may not be written is not replaced either, whoever may
        // replace it (root may write any file, but not a read-only one here).
        if (::access(realPath_.c_str(), W_OK) != 0) Fail(errno);
        if ((st.st_mode & 0222) == 0) Fail(EACCES);
        existingMode_ = st.st_mode & 07777;
    } else {
        if (errno != ENOENT) Fail(errno);
        realPath_ = FollowLinks(target);  // a dangling link: the file it names is made
    }
    RemoveLeftoversOf(realPath_);
    OpenNewFile();
}

void OutputFile::OpenChannel(const struct stat& st) {
    way_ = OutputWay::Direct;
    if (S_ISSOCK(st.st_mode)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (target_.size() >= sizeof address.sun_path) Fail(ENAMETOOLONG);
        std::memcpy(address.sun_path, target_.c_str(), target_.size() + 1);
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) Fail(errno);
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) Fail(errno);
        return;
    }
    // A FIFO waits here for its reader, as any writer of one does.
    fd_ = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) Fail(errno);
}

void OutputFile::OpenNewFile() {
    const std::string folder = ParentFolder(realPath_);
    int errnum = 0;
    if (CanNameUnnamedFiles()) {
        // No name until the output is whole: nothing is left behind even by SIGKILL.
        // 0666 lets the umask decide a new file's permissions, as for any new file.
        fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ >= 0) return;
        errnum = errno;
    }
    // Where the file system has no unnamed files: a hidden name, removed on a signal.
    if (!CanNameUnnamedFiles() || NoUnnamedFiles(errnum)) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            tempPath_ = TemporaryNameFor(realPath_);
            removal_ = std::make_unique<RemovedOnSignal>(tempPath_);
            fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) return;
            errnum = errno;
            removal_.reset();
            tempPath_.clear();
            if (errnum != EEXIST) break;
        }
    }
    if (RefusesNewFiles(errnum) && existingMode_) {
        OpenScratch();
        return;
    }
    Fail(errnum);
}

// The output of an update in place is made whole first, in a file of the
// temporary folder that has no name (or loses it at once), so nothing is
// left of it whatever happens, and a failure part-way leaves the target as it was.
void OutputFile::OpenScratch() {
    way_ = OutputWay::InPlace;
    const std::string folder = TemporaryFolder();
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ >= 0) return;
    std::string pattern = folder + "/tintext-XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) Fail(errno);
    ::unlink(pattern.c_str());
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

void OutputFile::Fail(int errnum) const { throw FileError(errnum, target_, source_); }

void OutputFile::Write(std::string_view data) {
    if (!WriteAll(fd_, data)) Fail(errno);
    written_ += data.size();
    // A large file that replaces another goes to the disk while the rest is
    // still being made, so that the flush before the rename has little left
    // to wait for. Only a start: whether it worked is what that flush finds out.
    constexpr size_t kWritebackStep = 1 << 20;
    if (way_ == OutputWay::NewFile && existingMode_ && written_ - writebackFrom_ >= kWritebackStep) {
        (void)::sync_file_range(fd_, static_cast<off_t>(writebackFrom_), static_cast<off_t>(written_ - writebackFrom_),
                                SYNC_FILE_RANGE_WRITE);
        writebackFrom_ = written_;
    }
}

void OutputFile::Commit(std::optional<mode_t> mode, const struct timespec* mtime) {
    if (way_ == OutputWay::Direct) {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 && errno != EINTR) Fail(errno);
        committed_ = true;
        return;
    }
    if (way_ == OutputWay::InPlace) {
        CopyIntoTarget(mtime);
        committed_ = true;
        return;
    }
    if (!mode) mode = existingMode_;
    // Not being allowed to set the permissions is no reason to fail the write.
    if (mode) (void)::fchmod(fd_, *mode);
    if (mtime) {
        struct timespec times[2] = {{0, UTIME_NOW}, *mtime};
        if (::futimens(fd_, times) != 0) Fail(errno);
    }
    // The flush guards a file being replaced: after a crash the old file or
    // the whole new one is there, never an empty one in its place. A new
    // file puts nothing at risk (what it was made from is still there), and
    // the flush would be most of the time a small conversion takes.
    struct stat st;
    const bool replacing = ::lstat(realPath_.c_str(), &st) == 0;
    if (replacing && placement_ == Placement::NoReplace) Fail(EEXIST);
    if (replacing && ::fsync(fd_) != 0) Fail(errno);
    PlaceNewFile();
    committed_ = true;
    removal_.reset();
    const int fd = fd_;
    fd_ = -1;
    ::close(fd);
    if (!replacing) return;
    // Make the rename itself durable; a failure here loses nothing already written.
    const int folder = ::open(ParentFolder(realPath_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
}

bool OutputFile::LinkUnnamed(const std::string& name) const {
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd_);
    return ::linkat(AT_FDCWD, self, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// Linking and renaming with no replace fail when a file has appeared at the
// target meanwhile, so a file saved there during a long run is never lost.
void OutputFile::PlaceNewFile() {
    if (tempPath_.empty()) {
        if (LinkUnnamed(realPath_)) return;
        if (errno != EEXIST || placement_ == Placement::NoReplace) Fail(errno);
        // Replacing: a name beside the target, renamed over it.
        const std::string temp = TemporaryNameFor(realPath_);
        RemovedOnSignal removal(temp);
        if (!LinkUnnamed(temp)) Fail(errno);
        if (::rename(temp.c_str(), realPath_.c_str()) != 0) {
            const int errnum = errno;
            ::unlink(temp.c_str());
            Fail(errnum);
        }
        return;
    }
    if (placement_ == Placement::Replace) {
        if (::rename(tempPath_.c_str(), realPath_.c_str()) != 0) Fail(errno);
        return;
    }
    if (::renameat2(AT_FDCWD, tempPath_.c_str(), AT_FDCWD, realPath_.c_str(), RENAME_NOREPLACE) == 0) return;
    if (errno != EINVAL && errno != ENOSYS) Fail(errno);
    // A file system without that kind of rename: a second name, then the first one goes.
    if (::link(tempPath_.c_str(), realPath_.c_str()) != 0) Fail(errno);
    ::unlink(tempPath_.c_str());
}

// The target keeps its identity (links, permissions, owner); only its
// content changes, and it is trimmed to the new length.
void OutputFile::CopyIntoTarget(const struct timespec* mtime) {
    const int out = ::open(realPath_.c_str(), O_WRONLY | O_CLOEXEC);
    if (out < 0) Fail(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{out};
    if (::lseek(fd_, 0, SEEK_SET) != 0) Fail(errno);
    char buffer[1 << 16];
    while (true) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (Interrupted(n)) continue;
        if (n < 0) Fail(errno);
        if (n == 0) break;
        if (!WriteAll(out, std::string_view(buffer, static_cast<size_t>(n)))) Fail(errno);
    }
    if (::ftruncate(out, static_cast<off_t>(written_)) != 0) Fail(errno);
    if (mtime) {
        struct timespec times[2] = {{0, UTIME_NOW}, *mtime};
        if (::futimens(out, times) != 0) Fail(errno);
    }
    if (::fsync(out) != 0) Fail(errno);
}

}  // namespace tintext
