// System: the file and folder methods the programs use.
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


std::string ReadFileBytesOf(const std::string& filepath) {
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

std::string ReadFileTextOf(const std::string& filepath) { return DecodeFileText(ReadFileBytesOf(filepath)); }

std::string System::ReadFileToString(const std::string& filepath) { return ReadFileTextOf(filepath); }

std::string System::ReadFileBytes(const std::string& filepath) { return ReadFileBytesOf(filepath); }

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
    // The name as it stands: "*" and "?" are characters of a name, never
    // wildcards that could find another file. A folder is no file.
    struct stat st;
    return !fileName.empty() && ::stat(fileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool System::FolderExists(const std::string& folderName) {
    return NewFileSystemObject(false)->FolderExists(folderName);
}

}  // namespace tintext
