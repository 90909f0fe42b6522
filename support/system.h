// System: operating-system services behind one object: files and folders,
// the command line, the registry, processes, the shell and single instance.
//
// The first group of methods is what the two programs use, defined in
// support/system.cpp, system_files.cpp and system_registry.cpp. The second
// group is kept for completeness and used by neither program; it is defined
// in support/library/ (target tintext_support_library), which the programs do
// not link, so a program that called one would not build.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/components.h"
#include "support/dictionary.h"
#include "support/error.h"
#include "support/strings2_component.h"
#include "support/value.h"

namespace tintext {

class JobEnvironment;

// The description a failed whole-file write carries: the file, then the
// reason and the error number, as WriteFileFromString reports them.
std::string WritingErrorDescription(const std::string& filepath, const Error& caught);

// The source of the errors System's file methods raise, followed by the method's name.
inline constexpr const char* kSystemSource = "Ostrand.System->";

// What System::ReadFileBytes and ReadFileToString do, for code that needs
// no System object (which creates a component and reports through the
// process's environment): the whole file, or the error those methods raise.
std::string ReadFileBytesOf(const std::string& filepath);
std::string ReadFileTextOf(const std::string& filepath);

class System {
public:
    // Creates the "Ostrand.Strings2" member through CreateObjectEx; fails with
    // 429 when that component cannot be created. Such failures, here and in
    // the methods, are told through `reportTo` (Env() without one).
    explicit System(JobEnvironment& reportTo);
    // The same, its components made by `create`.
    System(JobEnvironment& reportTo, const ComponentCreator& create);
    System();

    // ---- Used by the programs: files ----
    // The whole file as text: UTF-8 as it is (a leading byte-order mark
    // dropped), anything else read as Windows-1252, so no byte is lost.
    std::string ReadFileToString(const std::string& filepath);
    // The whole file's bytes, undecoded; fails as ReadFileToString does.
    std::string ReadFileBytes(const std::string& filepath);
    // Writes content (UTF-8) as an OutputFile does (output_file.h): a new
    // file put in place when whole, so a failed write leaves any earlier
    // file whole; a FIFO or device is written into.
    void WriteFileFromString(const std::string& filepath, const std::string& content);
    // Whether a file (not a folder) has this very name; no wildcards.
    bool FileExists(const std::string& fileName);
    bool FolderExists(const std::string& folderName);

    // ---- Used by the programs: command line ----
    // Parses option text (/name=value, -name=value, name=value; blanks or
    // commas between; quotes with doubled quotes) into an "Ostrand.Dictionary".
    DictionaryRef ParseCommandline(const std::string& cmd);

    // ---- Used by the programs: registry (file-backed store); never raises ----
    Value RegRead(const std::string& key);  // Null when missing or unreadable
    bool RegWrite(const std::string& key, const Value& value);
    // What RegRead gives for each path, from one reading of each store file.
    std::vector<Value> RegReadValues(const std::vector<std::string>& keys);
    // Writes the values in order, one locked update per store file; a file in
    // which every value is already stored as given is not written at all.
    // False (nothing written) when a path is invalid; false also when a file
    // could not be written.
    bool RegWriteValues(const std::vector<std::pair<std::string, Value>>& entries);

    // ---- Used by the programs: opening documents and addresses ----
    // Empty for an empty target, else a Boolean: whether the opener accepted it.
    Value ShellOpen(const std::string& target);
    Value Hyperlink(const std::string& url);  // always Empty

    // ---- Library: files and folders ----
    // Raises 1000 "The filename cannot be blank." for an empty name, 53/76 for
    // a missing file or folder.
    Bytes ReadFile(const std::string& filepath);
    void MkDirEx(std::string folderName);
    void WriteFile(const std::string& filepath, const Bytes& content);
    bool CopyFileIfNewer(const std::string& sourcePath, const std::string& destinationPath);
    // fileName loses a leading drive prefix when checkPathName keeps it.
    std::string ValidFileName(std::string& fileName, bool checkPathName);
    // An empty path is set to the temporary folder (the caller's variable receives it).
    std::string GetTempFileName(std::string& path, const std::string& prefix = {});

    // ---- Library: registry; never raises ----
    bool RegDelete(const std::string& key);
    bool RegDeleteTree(const std::string& key);
    DictionaryRef RegReadTree(const std::string& key);  // nullptr when the key cannot be opened
    bool RegWriteTree(const Value& tree, const std::string& key);
    Value GetDefaultExchangeProfile();

    // ---- Library: processes, shell and single instance ----
    std::string ComputerName();
    std::string UserName();
    void Sleep(int32_t milliseconds);
    int32_t ShellExecute(const std::string& path, const Value& windowstyle);
    void ShellAndWait(const std::string& cmdline, bool minimized = false);
    void ShellAndWaitEx(const std::string& cmdline, const Value& showmode = Value());
    int32_t ShellAndContinue(const std::string& cmdline, bool minimized = false);
    bool StillExecuting(int32_t processHandle);
    // Launch record: "ProcessID", "ThreadID", "ProcessHandle", "ThreadHandle".
    DictionaryRef CreateProcess(const std::string& cmdline, const Value& showmode = Value());
    int32_t CloseProcessHandle(int32_t processHandle);
    int32_t TerminateProcess(int32_t processId, int32_t exitCode);
    int32_t CreateInstanceMutex(const std::string& mutexName);
    void DestroyInstanceMutex(int32_t mutexHandle);
    bool CheckInstanceMutex(const std::string& mutexName);
    std::string CreateGUID();
    bool AddDSN(const std::string& driver, const std::string& attributes, bool isSystem);
    bool RemoveDSN(const std::string& driver, const std::string& dsnName, bool isSystem);
    // Asks the installed folder picker; false when none is installed or the user cancelled.
    bool BrowseFolder(const std::string& caption, std::string& chosenPath);
    bool BrowseFolderEx(const std::string& caption, std::string& chosenPath, std::string& displayName,
                        bool onlyFileSystem, bool notBelowDomain, bool fileSystemAncestors,
                        bool computers, bool printers);

private:
    JobEnvironment* reportTo_;
    ComponentCreator create_;
    std::shared_ptr<Strings2> strings2_;
};

}  // namespace tintext
