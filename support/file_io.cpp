#include "support/file_io.h"
#include "support/huge_pages.h"
#include "support/temporary_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tintext {

namespace {

bool IsFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Interrupted(ssize_t result) { return result < 0 && errno == EINTR; }

}  // namespace

Error FileError(int errnum, const std::string& path, const std::string& source) {
    int32_t number;
    bool plain = false;  // the run-time text says it all
    switch (errnum) {
        case ENOENT:
            number = IsFolder(ParentFolder(path)) ? err::FileNotFound : err::PathNotFound;
            plain = true;
            break;
        case ENOTDIR: number = err::PathNotFound; break;
        case EACCES: number = err::PermissionDenied; plain = true; break;
        case EPERM: number = err::PermissionDenied; break;
        case ENOSPC: number = err::DiskFull; plain = true; break;
        case EDQUOT: number = err::DiskFull; break;
        case EEXIST: number = err::FileAlreadyExists; plain = true; break;
        case EIO: number = err::DeviceIoError; break;
        case EMFILE:
        case ENFILE: number = err::TooManyFiles; break;
        case ENOMEM: number = err::OutOfMemory; plain = true; break;
        default: number = err::PathFileAccess; break;
    }
    std::string text = RuntimeErrorText(number);
    if (text.empty()) text = "Unexpected error";
    if (!plain) text += std::string(": ") + std::strerror(errnum);
    return Error(number, source, text);
}

Error BlankFileNameError(const std::string& source) {
    return Error(err::SystemFailure, source, "The filename cannot be blank.");
}

std::string ParentFolder(const std::string& path) {
    size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) return "/";
    size_t slash = path.rfind('/', end);
    if (slash == std::string::npos) return ".";
    size_t parentEnd = path.find_last_not_of('/', slash);
    return parentEnd == std::string::npos ? "/" : path.substr(0, parentEnd + 1);
}

std::string ReadWholeFile(const std::string& path, const std::string& source) {
    if (path.empty()) throw BlankFileNameError(source);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileError(errno, path, source);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat st;
    if (::fstat(fd, &st) != 0) throw FileError(errno, path, source);
    if (S_ISDIR(st.st_mode)) throw FileError(EISDIR, path, source);

    std::string data;
    try {
        // The size is a hint only: the file may change while it is read, and
        // pipes and some special files report none.
        size_t expected = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 65536;
        // A large file goes on huge pages: a fault per 2 MB instead of per 4 KB.
        data.reserve(expected);
        AdviseHugePages(data.data(), data.capacity());
        data.resize(expected);
        auto readSome = [&](char* into, size_t size) -> size_t {
            while (true) {
                ssize_t n = ::read(fd, into, size);
                if (n >= 0) return static_cast<size_t>(n);
                if (errno != EINTR) throw FileError(errno, path, source);
            }
        };
        size_t used = 0;
        while (true) {
            if (used < data.size()) {
                size_t n = readSome(data.data() + used, data.size() - used);
                if (n == 0) break;
                used += n;
                continue;
            }
            // Full: look for more before growing, as the file usually ends here.
            char probe[16384];
            size_t n = readSome(probe, sizeof probe);
            if (n == 0) break;
            data.resize(data.size() * 2);
            std::memcpy(data.data() + used, probe, n);
            used += n;
        }
        data.resize(used);
    } catch (const std::bad_alloc&) {
        throw FileError(ENOMEM, path, source);
    } catch (const std::length_error&) {
        throw FileError(ENOMEM, path, source);
    }
    return data;
}

AtomicFileWriter::AtomicFileWriter(const std::string& target, std::string source)
    : target_(target), realPath_(target), source_(std::move(source)) {
    if (target.empty()) throw BlankFileNameError(source_);

    struct stat st;
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace the file the link points to, not the link.
        if (char* resolved = ::realpath(target.c_str(), nullptr)) {
            realPath_ = resolved;
            std::free(resolved);
        }
    }
    if (::stat(realPath_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) throw FileError(EISDIR, target_, source_);
        existingMode_ = st.st_mode & 07777;
    }

    // A hidden name in the same folder, so the rename stays on one file system.
    RemoveLeftoversOf(realPath_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath_ = TemporaryNameFor(realPath_);
        removal_ = std::make_unique<RemovedOnSignal>(tempPath_);
        // 0666 lets the umask decide a new file's permissions, as for any new file.
        fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) return;
        const int errnum = errno;
        removal_.reset();
        tempPath_.clear();
        if (errnum != EEXIST) throw FileError(errnum, target_, source_);
    }
    throw FileError(EEXIST, target_, source_);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

void AtomicFileWriter::Fail(int errnum) { throw FileError(errnum, target_, source_); }

void AtomicFileWriter::Write(std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd_, data.data(), data.size());
        if (Interrupted(n)) continue;
        if (n < 0) Fail(errno);
        data.remove_prefix(static_cast<size_t>(n));
        written_ += static_cast<size_t>(n);
    }
    // A large file that replaces another goes to the disk while the rest is
    // still being made, so that the flush before the rename has little left
    // to wait for. Only a start: whether it worked is what that flush finds out.
    constexpr size_t kWritebackStep = 1 << 20;
    if (existingMode_ && written_ - writebackFrom_ >= kWritebackStep) {
        (void)::sync_file_range(fd_, static_cast<off_t>(writebackFrom_), static_cast<off_t>(written_ - writebackFrom_),
                                SYNC_FILE_RANGE_WRITE);
        writebackFrom_ = written_;
    }
}

void AtomicFileWriter::Commit(std::optional<mode_t> mode, const struct timespec* mtime) {
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
    bool replacing = ::lstat(realPath_.c_str(), &st) == 0;
    if (replacing && ::fsync(fd_) != 0) Fail(errno);
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail(errno);
    if (::rename(tempPath_.c_str(), realPath_.c_str()) != 0) Fail(errno);
    committed_ = true;
    removal_.reset();
    if (!replacing) return;
    // Make the rename itself durable; a failure here loses nothing already written.
    int folder = ::open(ParentFolder(realPath_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
}

}  // namespace tintext
