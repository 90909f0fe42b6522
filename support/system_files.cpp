// System: files and folders.
#include <dirent.h>
#include <fnmatch.h>
#include <stdlib.h>  // mkstemps
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string_view>
#include <vector>

#include "support/ascii_text.h"
#include "support/components.h"
#include "support/error.h"
#include "support/file_io.h"
#include "support/file_system_object.h"
#include "support/system.h"
#include "support/text_codec.h"

namespace tintext {

namespace {

const std::string kSource = "Ostrand.System->";

std::string Trailer(const Error& e) {
    return "\r\nReason: " + e.Description() + "\r\nError: 0x" + HexUpper(static_cast<uint32_t>(e.Number()));
}

}  // namespace

std::string WritingErrorDescription(const std::string& filepath, const Error& caught) {
    return "Error writing the file " + filepath + "\r\n" + Trailer(caught);
}

namespace {

std::shared_ptr<FileSystemObject> NewFileSystemObject(bool reportFailure) {
    const char* progId = "Scripting.FileSystemObject";
    ObjectRef object = reportFailure ? CreateObjectEx(progId) : CreateObject(progId);
    auto fso = std::dynamic_pointer_cast<FileSystemObject>(object);
    if (!fso) throw RuntimeError(err::TypeMismatch);
    return fso;
}

// A directory listing's answer for a name that may hold the wildcards * and ?
// in its last component: files only, hidden (dot) files left out.
bool ListingFindsFile(const std::string& fileName) {
    size_t slash = fileName.rfind('/');
    std::string folder = slash == std::string::npos ? "." : fileName.substr(0, slash + 1);
    std::string name = fileName.substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.empty() || name[0] == '.') return false;
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
        if (entry->d_name[0] == '.') continue;
        if (::fnmatch(pattern.c_str(), entry->d_name, FNM_NOESCAPE | FNM_PERIOD) == 0 && isFile(entry->d_name)) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// The first count characters (not bytes) of UTF-8 text.
std::string FirstCharacters(const std::string& text, size_t count) {
    size_t i = 0;
    for (size_t chars = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (chars++ == count) break;
    }
    return text.substr(0, i);
}

}  // namespace

Bytes System::ReadFile(const std::string& filepath) {
    std::string data = ReadWholeFile(filepath, kSource + "ReadFile");
    return Bytes(data.begin(), data.end());
}

std::string System::ReadFileToString(const std::string& filepath) {
    try {
        try {
            return DecodeFileText(ReadWholeFile(filepath, kSource + "ReadFile"));
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
        AtomicFileWriter writer(filepath, kSource + "WriteFileFromString");
        writer.Write(content);
        writer.Commit();
    } catch (const Error& e) {
        throw e.WithDescription(WritingErrorDescription(filepath, e));
    }
}

void System::WriteFile(const std::string& filepath, const Bytes& content) {
    // The file is replaced in one step, so there is no separate delete step
    // that could lose the old file.
    const char* step = "Write the file";
    try {
        AtomicFileWriter writer(filepath, kSource + "WriteFile");
        writer.Write(std::string_view(reinterpret_cast<const char*>(content.data()), content.size()));
        writer.Commit();
    } catch (const Error& e) {
        throw e.WithDescription("Error writing the file " + filepath + "\r\n" + Trailer(e) + "\r\nHint: " + step);
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

void System::MkDirEx(std::string folderName) {
    auto fso = NewFileSystemObject(true);
    folderName = ReplaceAll(folderName, "\\", "/");

    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        size_t slash = folderName.find('/', start);
        parts.push_back(folderName.substr(start, slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    // The root of an absolute path, and the server and share of a network
    // path (//server/share/...), are only passed through, never created.
    const bool network = folderName.starts_with("//");
    const size_t firstCreated = network ? 4 : parts[0].empty() ? 1 : 0;

    std::string path;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i >= firstCreated && parts[i].empty()) continue;  // "a//b" or a trailing "/"
        path += parts[i] + "/";
        if (i < firstCreated || fso->FolderExists(path)) continue;
        try {
            fso->CreateFolder(path);
        } catch (const Error& e) {
            if (fso->FolderExists(path)) continue;  // made by someone else meanwhile
            throw Error(err::SystemFailure, kSource + "MkDirEx",
                        "Error creating the directory \"" + path + "\"\r\nError: " + std::to_string(e.Number()) +
                            "\r\nReason: " + e.Description());
        }
    }
}

bool System::CopyFileIfNewer(const std::string& sourcePath, const std::string& destinationPath) {
    auto fso = NewFileSystemObject(true);
    struct timespec source = fso->DateLastModified(sourcePath);
    bool copy = true;
    try {
        struct timespec destination = fso->DateLastModified(destinationPath);
        copy = source.tv_sec != destination.tv_sec ? source.tv_sec > destination.tv_sec
                                                   : source.tv_nsec > destination.tv_nsec;
    } catch (const Error&) {
        // No destination to compare with: copy.
    }
    if (copy) fso->CopyFile(sourcePath, destinationPath, true);
    return copy;
}

std::string System::ValidFileName(std::string& fileName, bool checkPathName) {
    static const std::string_view allowed =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 $%'-_@~`!()^#&+,;=[].";
    std::string result;
    if (checkPathName && fileName.find(':') == 1) {
        result = fileName.substr(0, 2);
        fileName.erase(0, 2);
    }
    for (char c : fileName) {
        // Bytes 128-255 carry every character beyond ASCII in UTF-8, so such
        // characters pass whole.
        bool keep = static_cast<unsigned char>(c) >= 128 || allowed.find(c) != std::string_view::npos ||
                    (checkPathName && (c == '\\' || c == '/'));
        if (keep) result += c;
    }
    return result;
}

std::string System::GetTempFileName(std::string& path, const std::string& prefix) {
    if (path.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        path = tmp && *tmp ? tmp : "/tmp";
        if (path.back() != '/') path += '/';
    }
    std::string name = path + (path.back() == '/' ? "" : "/") + FirstCharacters(prefix, 3) + "XXXXXX.tmp";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    int fd = ::mkstemps(buffer.data(), 4);
    if (fd < 0) return {};
    ::close(fd);
    return strings2_->TrimZ(std::string(buffer.data(), buffer.size()));
}

}  // namespace tintext
