#include "support/file_io.h"
#include "support/huge_pages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tintext {

namespace {

bool IsFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

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

FileForReading::FileForReading(const std::string& path, const std::string& source)
    : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_ < 0) throw FileError(errno, path, source);
    const int problem = ::fstat(fd_, &status_) != 0 ? errno : S_ISDIR(status_.st_mode) ? EISDIR : 0;
    if (problem != 0) {
        ::close(fd_);
        throw FileError(problem, path, source);
    }
}

FileForReading::~FileForReading() { ::close(fd_); }

std::string ReadWholeFile(const std::string& path, const std::string& source) {
    if (path.empty()) throw BlankFileNameError(source);
    const FileForReading file(path, source);
    const int fd = file.Descriptor();
    const struct stat& st = file.Status();

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

}  // namespace tintext
