// Low-level file access shared by System and FileSystemObject: the error
// numbers of failed system calls, reading a file whole, and replacing a file
// atomically. Paths are the platform's: only "/" separates folders here.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "support/error.h"

namespace tintext {

class RemovedOnSignal;

// The run-time error for a failed system call on path: 53 file not found (76
// when a folder on the way is missing), 70 permission denied, 75 path/file
// access (a folder where a file was expected, and any failure without a
// closer number), 61 disk full, 58 file already exists, 57 device I/O error.
// The description is the run-time text, followed by the system's own text
// where that says more.
Error FileError(int errnum, const std::string& path, const std::string& source);

// Error 1000 "The filename cannot be blank." with the given source.
Error BlankFileNameError(const std::string& source);

// The folder part of path (trailing separators ignored): "." for a bare name,
// "/" for a name in the root.
std::string ParentFolder(const std::string& path);

// The whole file. Raises FileError for anything that goes wrong.
std::string ReadWholeFile(const std::string& path, const std::string& source);

// Writes a new file beside the target and renames it over the target on
// Commit, so readers see either the old file or the new one, never a part.
// Without Commit (a failure part-way) the new file is removed and the
// target is left as it was. A symbolic link target is followed. A file that
// replaces another reaches the disk before the rename.
class AtomicFileWriter {
public:
    AtomicFileWriter(const std::string& target, std::string source);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(std::string_view data);
    // mode: the permissions of the new file; by default those of the file it
    // replaces, or the usual ones for a new file. mtime: its last-modified time.
    void Commit(std::optional<mode_t> mode = std::nullopt, const struct timespec* mtime = nullptr);

private:
    [[noreturn]] void Fail(int errnum);

    std::string target_;     // as given, for messages
    std::string realPath_;   // where the file is replaced
    std::string tempPath_;
    std::unique_ptr<RemovedOnSignal> removal_;  // the new file's name, removed on SIGTERM and the like
    std::string source_;
    std::optional<mode_t> existingMode_;
    int fd_ = -1;
    bool committed_ = false;
    size_t written_ = 0;       // bytes written so far
    size_t writebackFrom_ = 0; // where the disk writes not yet started begin
};

}  // namespace tintext
