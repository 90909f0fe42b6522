// System: the file and folder methods that neither program calls.
#include <stdlib.h>  // mkstemps
#include <unistd.h>

#include <string_view>
#include <vector>

#include "support/ascii_text.h"
#include "support/error.h"
#include "support/file_io.h"
#include "support/output_file.h"
#include "support/file_system_object.h"
#include "support/system.h"

namespace tintext {

namespace {

const std::string kSource = kSystemSource;

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

void System::WriteFile(const std::string& filepath, const Bytes& content) {
    // The file is replaced in one step, so there is no separate delete step
    // that could lose the old file.
    const char* step = "Write the file";
    try {
        OutputFile writer(filepath, kSource + "WriteFile");
        writer.Write(std::string_view(reinterpret_cast<const char*>(content.data()), content.size()));
        writer.Commit();
    } catch (const Error& e) {
        throw e.WithDescription(WritingErrorDescription(filepath, e) + "\r\nHint: " + step);
    }
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
