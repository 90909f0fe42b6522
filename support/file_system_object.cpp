#include "support/file_system_object.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/components.h"
#include "support/error.h"
#include "support/file_io.h"
#include "support/output_file.h"

namespace tintext {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The end of path without its trailing separators.
size_t EndWithoutSeparators(const std::string& path) {
    size_t end = path.size();
    while (end > 0 && IsSeparator(path[end - 1])) --end;
    return end;
}

// Position of the last separator before end, or npos.
size_t LastSeparator(const std::string& path, size_t end) {
    for (size_t i = end; i > 0; --i)
        if (IsSeparator(path[i - 1])) return i - 1;
    return std::string::npos;
}

}  // namespace

bool FileSystemObject::FolderExists(const std::string& folder) const {
    struct stat st;
    return !folder.empty() && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileSystemObject::FileExists(const std::string& file) const {
    struct stat st;
    return !file.empty() && ::stat(file.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void FileSystemObject::CreateFolder(const std::string& folder) const {
    if (::mkdir(folder.c_str(), 0777) != 0) throw FileError(errno, folder, kProgramSource);
}

std::string FileSystemObject::GetExtensionName(const std::string& path) const {
    size_t end = EndWithoutSeparators(path);
    size_t separator = LastSeparator(path, end);
    size_t start = separator == std::string::npos ? 0 : separator + 1;
    std::string name = path.substr(start, end - start);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string FileSystemObject::GetParentFolderName(const std::string& path) const {
    size_t separator = LastSeparator(path, EndWithoutSeparators(path));
    if (separator == std::string::npos) return {};
    size_t end = EndWithoutSeparators(path.substr(0, separator + 1));
    return end == 0 ? path.substr(0, 1) : path.substr(0, end);
}

struct timespec FileSystemObject::DateLastModified(const std::string& file) const {
    struct stat st;
    if (::stat(file.c_str(), &st) != 0) throw FileError(errno, file, kProgramSource);
    if (S_ISDIR(st.st_mode)) throw Error(err::FileNotFound, kProgramSource, RuntimeErrorText(err::FileNotFound));
    return st.st_mtim;
}

void FileSystemObject::CopyFile(const std::string& source, const std::string& destination,
                                bool overwrite) const {
    const FileForReading input(source, kProgramSource);
    const int fd = input.Descriptor();
    const struct stat& st = input.Status();
    OutputFile writer(destination, kProgramSource, overwrite ? Placement::Replace : Placement::NoReplace);
    char buffer[65536];
    while (true) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw FileError(errno, source, kProgramSource);
        if (n == 0) break;
        writer.Write(std::string_view(buffer, static_cast<size_t>(n)));
    }
    writer.Commit(st.st_mode & 07777, &st.st_mtim);
}

std::shared_ptr<FileSystemObject> NewFileSystemObject(bool reportFailure) {
    const char* progId = "Scripting.FileSystemObject";
    ObjectRef object = reportFailure ? CreateObjectEx(progId) : CreateObject(progId);
    auto fso = std::dynamic_pointer_cast<FileSystemObject>(object);
    if (!fso) throw RuntimeError(err::TypeMismatch);
    return fso;
}

}  // namespace tintext
