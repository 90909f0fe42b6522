// The program's error convention: every failure travels as an Error carrying
// a number, a source and a description (plus the help file and context that
// wrapping procedures carry along unchanged).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tintext {

// Every error number the program raises or looks for, in one table. Failures
// of the platform keep the classic run-time numbers; 1000 is the program's
// own; 5017-5030 are the regular-expression engine's.
namespace err {
inline constexpr int32_t InvalidArgument = 5;
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t SubscriptOutOfRange = 9;  // a definition without sections has no first section
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t InternalError = 51;  // a library failure other than memory
inline constexpr int32_t FileNotFound = 53;
inline constexpr int32_t FileAlreadyOpen = 55;
inline constexpr int32_t DeviceIoError = 57;
inline constexpr int32_t FileAlreadyExists = 58;
inline constexpr int32_t DiskFull = 61;
inline constexpr int32_t TooManyFiles = 67;
inline constexpr int32_t PermissionDenied = 70;
inline constexpr int32_t PathFileAccess = 75;
inline constexpr int32_t PathNotFound = 76;
// "Object variable not set": a FORMAT, ENTER or RETURN line of a definition
// before the first PATTERN line, which has no rule to belong to.
inline constexpr int32_t ObjectVariableNotSet = 91;
inline constexpr int32_t InvalidUseOfNull = 94;
inline constexpr int32_t AlreadyExists = 183;  // the system's: a named mutex already in use
// "Object required": an ENTER of a section the definition does not have.
inline constexpr int32_t ObjectRequired = 424;
inline constexpr int32_t CannotCreateObject = 429;
inline constexpr int32_t DuplicateKey = 457;
inline constexpr int32_t SystemFailure = 1000;
// Regular expressions. 5018 is the number the definitions' messages rely on;
// the others follow the script engines' order.
inline constexpr int32_t SyntaxError = 5017;           // "Syntax error in regular expression"
inline constexpr int32_t UnexpectedQuantifier = 5018;  // such as a leading "*"
inline constexpr int32_t ExpectedBracket = 5019;       // a class without its closing "]"
inline constexpr int32_t ExpectedParen = 5020;         // a group without its closing ")"
inline constexpr int32_t InvalidRange = 5021;          // "z-a" in a class
// Not a compile error: a search stopped at the engine's backtracking limit.
inline constexpr int32_t TooMuchBacktracking = 5030;
}  // namespace err

class Error : public std::runtime_error {
public:
    Error(int32_t number, std::string source, std::string description,
          std::string helpFile = {}, int32_t helpContext = 0);

    int32_t Number() const { return number_; }
    const std::string& Source() const { return source_; }
    const std::string& Description() const { return description_; }
    const std::string& HelpFile() const { return helpFile_; }
    int32_t HelpContext() const { return helpContext_; }

    // Same number, source, help file and context; a new description.
    Error WithDescription(std::string description) const;

private:
    int32_t number_;
    std::string source_;
    std::string description_;
    std::string helpFile_;
    int32_t helpContext_;
};

// The source name the platform gives errors raised without one.
inline constexpr const char* kProgramSource = "Tintext";

// Classic run-time error texts for the numbers above (empty for the others).
std::string RuntimeErrorText(int32_t number);

// An Error with the platform's own text for a classic run-time error number.
Error RuntimeError(int32_t number, const std::string& detail = {});

// The system's message text for an error number: errno numbers and 183.
std::string SystemErrorText(int32_t number);

}  // namespace tintext
