// "Scripting.FileSystemObject": the folder and file queries the program uses.
// Both "/" and "\" are accepted as separators.
#pragma once

#include <ctime>
#include <string>

#include "support/value.h"

namespace tintext {

class FileSystemObject : public Object {
public:
    std::string TypeName() const override { return "FileSystemObject"; }

    bool FolderExists(const std::string& folder) const;
    bool FileExists(const std::string& file) const;
    // Raises 58 when it exists, 76 when its parent is missing, 70 when refused.
    void CreateFolder(const std::string& folder) const;
    // Text after the last dot of the last path component; empty when none.
    std::string GetExtensionName(const std::string& path) const;
    // The path without its last component and the separator before it.
    std::string GetParentFolderName(const std::string& path) const;
    // Last-modified time of an existing file; raises 53 when it is missing.
    struct timespec DateLastModified(const std::string& file) const;
    // Copies a file, replacing the destination when overwrite is true.
    void CopyFile(const std::string& source, const std::string& destination, bool overwrite = true) const;
};

}  // namespace tintext
