// Low-level file access shared by System and FileSystemObject: the error
// numbers of failed system calls and reading a file whole (output_file.h
// writes one). Paths are the platform's: only "/" separates folders here.
#pragma once

#include <sys/stat.h>

#include <string>

#include "support/error.h"

namespace tintext {

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

// A file open for reading, closed when this ends. Raises FileError when it
// cannot be opened or is a folder.
class FileForReading {
public:
    FileForReading(const std::string& path, const std::string& source);
    ~FileForReading();
    FileForReading(const FileForReading&) = delete;
    FileForReading& operator=(const FileForReading&) = delete;

    int Descriptor() const { return fd_; }
    const struct stat& Status() const { return status_; }

private:
    int fd_;
    struct stat status_;
};

// The whole file. Raises FileError for anything that goes wrong.
std::string ReadWholeFile(const std::string& path, const std::string& source);

}  // namespace tintext
