#include "support/error.h"

#include <cstring>

namespace tintext {

namespace {

// The two forms strerror_r comes in.
[[maybe_unused]] const char* ErrorTextOf(int result, const char* buffer) { return result == 0 ? buffer : nullptr; }
[[maybe_unused]] const char* ErrorTextOf(const char* result, const char*) { return result; }

}  // namespace

Error::Error(int32_t number, std::string source, std::string description,
             std::string helpFile, int32_t helpContext)
    : std::runtime_error(description),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)),
      helpFile_(std::move(helpFile)),
      helpContext_(helpContext) {}

Error Error::WithDescription(std::string description) const {
    return Error(number_, source_, std::move(description), helpFile_, helpContext_);
}

std::string RuntimeErrorText(int32_t number) {
    switch (number) {
        case err::InvalidArgument: return "Invalid procedure call or argument";
        case err::OutOfMemory: return "Out of memory";
        case err::TypeMismatch: return "Type mismatch";
        case err::FileNotFound: return "File not found";
        case err::FileAlreadyOpen: return "File already open";
        case err::DeviceIoError: return "Device I/O error";
        case err::FileAlreadyExists: return "File already exists";
        case err::DiskFull: return "Disk full";
        case err::TooManyFiles: return "Too many files";
        case err::PermissionDenied: return "Permission denied";
        case err::PathFileAccess: return "Path/File access error";
        case err::PathNotFound: return "Path not found";
        case err::CannotCreateObject: return "ActiveX component can't create object";
        case err::DuplicateKey: return "This key is already associated with an element of this collection";
        default: return {};
    }
}

Error RuntimeError(int32_t number, const std::string& detail) {
    std::string text = RuntimeErrorText(number);
    if (!detail.empty()) text += text.empty() ? detail : ": " + detail;
    return Error(number, kProgramSource, text);
}

std::string SystemErrorText(int32_t number) {
    if (number == err::AlreadyExists) return "Cannot create a file when that file already exists.";
    char buffer[2048] = {};
    const char* text = ErrorTextOf(strerror_r(number, buffer, sizeof buffer), buffer);
    return text ? text : "Unknown error " + std::to_string(number);
}

}  // namespace tintext
