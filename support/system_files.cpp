// System: the file and folder methods the programs use.
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cerrno>
#include <new>

#include "support/ascii_text.h"
#include "support/error.h"
#include "support/file_io.h"
#include "support/file_system_object.h"
#include "support/output_file.h"
#include "support/system.h"
#include "support/text_codec.h"

namespace tintext {

namespace {

const std::string kSource = kSystemSource;

std::string Trailer(const Error& e) {
    return "\r\nReason: " + e.Description() + "\r\nError: 0x" + HexUpper(static_cast<uint32_t>(e.Number()));
}

}  // namespace

std::string WritingErrorDescription(const std::string& filepath, const Error& caught) {
    return "Error writing the file " + filepath + "\r\n" + Trailer(caught);
}

namespace {

// A directory listing's answer for a name that may hold the wildcards * and ?
// in its last component: files only, hidden (dot) files included, as a
// listing with the hidden attribute finds them.
bool ListingFindsFile(const std::string& fileName) {
    size_t slash = fileName.rfind('/');
    std::string folder = slash == std::string::npos ? "." : fileName.substr(0, slash + 1);
    std::string name = fileName.substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.empty()) return false;
    auto isFile = [&](const std::string& entry) {
        struct stat st;
        return ::stat((folder + "/" + entry).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    };
    if (name.find_first_of("*?") == std::string::npos) return isFile(name);

    // Only * and ? are wildcards; "[" is an ordinary character of a name.
    std::string pattern = ReplaceAll(name, "[", "[[]");
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    bool found = false;
    while (dirent* entry = ::readdir(dir)) {
        if (::fnmatch(pattern.c_str(), entry->d_name, FNM_NOESCAPE) == 0 && isFile(entry->d_name)) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

std::string System::ReadFileToString(const std::string& filepath) { return DecodeFileText(ReadFileBytes(filepath)); }

std::string System::ReadFileBytes(const std::string& filepath) {
    try {
        try {
            return ReadWholeFile(filepath, kSource + "ReadFile");
        } catch (const std::bad_alloc&) {
            throw FileError(ENOMEM, filepath, kSource + "ReadFile");
        }
    } catch (const Error& e) {
        throw e.WithDescription("Error reading the file " + filepath +
                                ". Please check that file name and path are valid.\r\n" + Trailer(e));
    }
}

void System::WriteFileFromString(const std::string& filepath, const std::string& content) {
    try {
        OutputFile writer(filepath, kSource + "WriteFileFromString");
        writer.Write(content);
        writer.Commit();
    } catch (const Error& e) {
        throw e.WithDescription(WritingErrorDescription(filepath, e));
    }
}

bool System::FileExists(const std::string& fileName) {
    if (fileName.empty()) return false;
    try {
        return ListingFindsFile(fileName);
    } catch (...) {
        return false;
    }
}

bool System::FolderExists(const std::string& folderName) {
    return NewFileSystemObject(false)->FolderExists(folderName);
}

}  // namespace tintext
