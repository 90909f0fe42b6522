// "Scripting.FileSystemObject": the folder and file queries the program uses.
// The name operations (GetExtensionName, GetParentFolderName) accept both "/"
// and "\" as separators; the operations that touch the file system take the
// path as the platform reads it.
#pragma once

#include <ctime>
#include <memory>
#include <string>

#include "support/value.h"

namespace tintext {

class FileSystemObject : public Object {
public:
    std::string TypeName() const override { return "FileSystemObject"; }

    bool FolderExists(const std::string& folder) const;
    // True for anything that exists and is not a folder.
    bool FileExists(const std::string& file) const;
    // Raises 58 when it exists, 76 when its parent is missing, 70 when refused.
    void CreateFolder(const std::string& folder) const;
    // Text after the last dot of the last path component; empty when none.
    std::string GetExtensionName(const std::string& path) const;
    // The path without its last component and the separator before it; a
    // root stays a root ("/a" gives "/"); empty when there is no separator.
    std::string GetParentFolderName(const std::string& path) const;
    // Last-modified time of an existing file; raises 53 when it is missing
    // (76 when its folder is) or a folder.
    struct timespec DateLastModified(const std::string& file) const;
    // Copies a file with its permissions and last-modified time, replacing the
    // destination atomically when overwrite is true; raises 58 when the
    // destination exists and overwrite is false.
    void CopyFile(const std::string& source, const std::string& destination, bool overwrite = true) const;
};

// A new "Scripting.FileSystemObject", created through CreateObjectEx (which
// reports a failure to the user) when reportFailure is set, else through
// CreateObject. Raises 13 when the component is something else.
std::shared_ptr<FileSystemObject> NewFileSystemObject(bool reportFailure);

}  // namespace tintext
