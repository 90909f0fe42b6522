// System: processes, single instance and the other desktop services.
#include <dlfcn.h>
#include <pwd.h>
#include <sys/random.h>
#include <unistd.h>

#include <odbcinst.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "support/ascii_text.h"
#include "support/conversions.h"
#include "support/error.h"
#include "support/library/instance_mutex.h"
#include "support/library/process_launch.h"
#include "support/shell_hooks.h"
#include "support/system.h"

namespace tintext {

namespace {

int32_t ShowModeOf(bool minimized) { return minimized ? kShowMinimized : kShowNormal; }

bool FillRandom(unsigned char* bytes, size_t size) {
    size_t got = 0;
    while (got < size) {
        ssize_t n = getrandom(bytes + got, size - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    if (got == size) return true;
    std::ifstream urandom("/dev/urandom", std::ios::binary);
    return static_cast<bool>(urandom.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(size)));
}

// The request list of the ODBC installer ends in two zero characters.
std::string AttributeList(std::string attributes) {
    attributes.push_back('\0');
    attributes.push_back('\0');
    return attributes;
}

// The installer is loaded when first needed rather than with the program:
// loading it at every start would cost every run for a call that few make.
using ConfigDataSourceCall = decltype(&SQLConfigDataSource);

ConfigDataSourceCall LoadConfigDataSource() {
    static ConfigDataSourceCall call = [] {
        // Global, as when linked: drivers' setup libraries call back into it.
        void* library = dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_GLOBAL);
        if (!library) library = dlopen("libodbcinst.so", RTLD_NOW | RTLD_GLOBAL);
        return library ? reinterpret_cast<ConfigDataSourceCall>(dlsym(library, "SQLConfigDataSource")) : nullptr;
    }();
    return call;
}

bool ConfigDataSource(unsigned short request, const std::string& driver, const std::string& attributes) {
    ConfigDataSourceCall configDataSource = LoadConfigDataSource();
    if (!configDataSource) return false;  // no installer, no data source
    std::string list = AttributeList(attributes);
    return configDataSource(nullptr, request, driver.c_str(), list.c_str()) != 0;
}

}  // namespace

std::string System::ComputerName() {
    char name[1000] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;  // the text before the first zero character
}

std::string System::UserName() {
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_name)
        return found->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
}

void System::Sleep(int32_t milliseconds) {
    // A negative time would be "forever" to the platform; here it is no pause.
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int32_t System::ShellExecute(const std::string& path, const Value& windowstyle) {
    return ExecCmd(path, SafeCLng(windowstyle), false);
}

void System::ShellAndWait(const std::string& cmdline, bool minimized) { ExecCmd(cmdline, ShowModeOf(minimized), true); }

void System::ShellAndWaitEx(const std::string& cmdline, const Value& showmode) {
    ExecCmd(cmdline, SafeCLng(showmode), true);
}

int32_t System::ShellAndContinue(const std::string& cmdline, bool minimized) {
    return ExecCmd(cmdline, ShowModeOf(minimized), false);
}

// Any outcome but "ended" counts as running, also a handle that cannot be waited on.
bool System::StillExecuting(int32_t processHandle) { return WaitProcessHandle(processHandle, 0) != kWaitEnded; }

DictionaryRef System::CreateProcess(const std::string& cmdline, const Value& showmode) {
    return LaunchProcess(cmdline, SafeCLng(showmode));
}

int32_t System::CloseProcessHandle(int32_t processHandle) { return ReleaseProcessHandle(processHandle); }

int32_t System::TerminateProcess(int32_t processId, int32_t exitCode) { return TerminateProcessById(processId); }

int32_t System::CreateInstanceMutex(const std::string& mutexName) { return tintext::CreateInstanceMutex(mutexName); }

void System::DestroyInstanceMutex(int32_t mutexHandle) { tintext::DestroyInstanceMutex(mutexHandle); }

bool System::CheckInstanceMutex(const std::string& mutexName) { return tintext::CheckInstanceMutex(mutexName); }

// A random (version 4) GUID: upper-case digits in groups of 8-4-4-4-12, no braces.
std::string System::CreateGUID() {
    unsigned char bytes[16] = {};
    if (!FillRandom(bytes, sizeof bytes)) throw Error(err::SystemFailure, kProgramSource, "No random source for a GUID.");
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    std::string out;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
        std::string hex = "0" + HexUpper(bytes[i]);
        out += hex.substr(hex.size() - 2);
    }
    return out;
}

bool System::AddDSN(const std::string& driver, const std::string& attributes, bool isSystem) {
    return ConfigDataSource(isSystem ? ODBC_ADD_SYS_DSN : ODBC_ADD_DSN, driver, attributes);
}

bool System::RemoveDSN(const std::string& driver, const std::string& dsnName, bool isSystem) {
    return ConfigDataSource(isSystem ? ODBC_REMOVE_SYS_DSN : ODBC_REMOVE_DSN, driver, "DSN=" + dsnName + '\0');
}

bool System::BrowseFolder(const std::string& caption, std::string& chosenPath) {
    std::string displayName;
    return BrowseFolderEx(caption, chosenPath, displayName, true, false, false, false, false);
}

bool System::BrowseFolderEx(const std::string& caption, std::string& chosenPath, std::string& displayName,
                            bool onlyFileSystem, bool notBelowDomain, bool fileSystemAncestors, bool computers,
                            bool printers) {
    FolderPickerRequest request{caption, 0};
    if (onlyFileSystem) request.flags |= kBrowseOnlyFileSystem;
    if (notBelowDomain) request.flags |= kBrowseNotBelowDomain;
    if (fileSystemAncestors) request.flags |= kBrowseFileSystemAncestors;
    if (computers) request.flags |= kBrowseComputers;
    if (printers) request.flags |= kBrowsePrinters;
    auto choice = PickFolder(request);
    if (!choice || choice->path.empty()) return false;
    chosenPath = choice->path;
    displayName = choice->displayName;
    if (displayName.empty()) {
        std::string trimmed = chosenPath;
        while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
        size_t slash = trimmed.find_last_of('/');
        displayName = slash == std::string::npos || trimmed.size() == 1 ? trimmed : trimmed.substr(slash + 1);
    }
    return true;
}

}  // namespace tintext
