// Writing an output file so that nothing that was there is damaged: a new
// file is made beside the target and put in its place only when complete; a
// target that is not a regular file (a FIFO, a device, a socket) is written
// into; a file in a folder where no new file can be made is updated in place
// once the whole output is ready. Symbolic links are followed, and kept.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tintext {

class RemovedOnSignal;

enum class Placement {
    Replace,    // a file at the target is replaced
    NoReplace,  // a file at the target is kept: the output fails with error 58 (file already exists)
};

enum class OutputWay {
    NewFile,  // made beside the target (unnamed where the file system allows), then put in its place
    InPlace,  // made in the temporary folder, then copied into the target, which is trimmed to it
    Direct,   // written straight into a target that is not a regular file
};

// Failures are raised as FileError (file_io.h numbers, with the system's
// reason) naming the target: a folder, a read-only file or an unusable
// folder at construction; a full disk while writing; an existing file (58)
// under NoReplace, at construction or at Commit. Without Commit (a failure
// part-way, or a signal) nothing of the new output remains, except what was
// written straight into a device, FIFO or socket.
class OutputFile {
public:
    OutputFile(const std::string& target, std::string source, Placement placement = Placement::Replace);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    OutputWay Way() const { return way_; }

    void Write(std::string_view data);
    // mode: the permissions of a new file; by default those of the file it
    // replaces, or the usual ones for a new file. mtime: its last-modified time.
    void Commit(std::optional<mode_t> mode = std::nullopt, const struct timespec* mtime = nullptr);

private:
    [[noreturn]] void Fail(int errnum) const;
    void OpenChannel(const struct stat& st);
    void OpenNewFile();
    void OpenScratch();
    void PlaceNewFile();
    void CopyIntoTarget(const struct timespec* mtime);
    bool LinkUnnamed(const std::string& name) const;

    std::string target_;     // as given, for messages
    std::string realPath_;   // the file at the end of any symbolic links
    std::string source_;
    Placement placement_;
    OutputWay way_ = OutputWay::NewFile;
    std::optional<mode_t> existingMode_;
    int fd_ = -1;
    std::string tempPath_;  // a named new file; empty for an unnamed one
    std::unique_ptr<RemovedOnSignal> removal_;  // for a named new file
    bool committed_ = false;
    size_t written_ = 0;
    size_t writebackFrom_ = 0;
};

// The path at the end of the symbolic links from `path`, whether or not a
// file is there (a dangling link gives the path it names). Links that loop,
// or more than 40 of them, leave the path where the walk stopped.
std::string FollowLinks(const std::string& path);

}  // namespace tintext
