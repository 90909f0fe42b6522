#include <sys/stat.h>
#include <unistd.h>
#include <pwd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "recording_environment.h"
#include "scoped_variable.h"
#include "support/error.h"
#include "support/library/process_launch.h"
#include "support/shell_hooks.h"
#include "support/system.h"
#include "temp_folder.h"

using namespace tintext;
namespace fs = std::filesystem;
using tintext::testing::ReadBytes;
using tintext::testing::ScopedVariable;
using tintext::testing::TempFolder;

namespace {

void WriteScript(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
    chmod(path.c_str(), 0755);
}

// Polls until the condition holds; a guard against hanging, not a measurement.
bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 1000; ++i) {
        if (condition()) return true;
        usleep(10 * 1000);
    }
    return condition();
}

bool IsGoneOrReaped(int32_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    return !stat;  // a zombie still has its /proc entry
}

// Upper-case digits in groups 8-4-4-4-12; version 4, RFC 4122 variant.
bool IsGuidText(const std::string& text) {
    return std::regex_match(text, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}"));
}

std::string LaunchErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return std::to_string(e.Number()) + " " + e.Description();
    }
    return "no error";
}

}  // namespace

TEST(SplitCommandLine, ShellQuoting) {
    using Words = std::vector<std::string>;
    struct Case {
        const char* line;
        Words words;
    } cases[] = {
        {"true", {"true"}},
        {"  sleep\t5  ", {"sleep", "5"}},
        {"", {}},
        {"   ", {}},
        {"echo \"a b\" c", {"echo", "a b", "c"}},
        {"echo 'it''s'", {"echo", "its"}},
        {"echo a\\ b", {"echo", "a b"}},
        {"echo \"x\\\"y\\\\z\\n\"", {"echo", "x\"y\\z\\n"}},
        {"echo 'a\\b \"c\"'", {"echo", "a\\b \"c\""}},
        {"echo '' \"\"", {"echo", "", ""}},
        {"echo a\"b c\"d", {"echo", "ab cd"}},
        {"echo \\", {"echo", "\\"}},
        {"echo a \\\n b", {"echo", "a", "b"}},
        {"echo 'open quote", {"echo", "open quote"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.words) << c.line;
}

TEST(Processes, ShellAndWaitWaitsAndLetsEventsRun) {
    TempFolder temp;
    // The program ends only after the caller's events have run while it waited.
    struct SignallingEnvironment : RecordingEnvironment {
        std::string flag;
        void DoEvents() override {
            RecordingEnvironment::DoEvents();
            std::ofstream(flag) << "x";
        }
    } env;
    env.flag = temp / "flag";
    ScopedEnv scoped(env);
    System system;
    std::string done = temp / "done";
    // Gives up after about ten seconds rather than hang when no events run.
    system.ShellAndWait("sh -c 'i=0; while [ ! -e \"" + env.flag + "\" ] && [ $i -lt 1000 ]; do sleep 0.01; i=$((i+1)); done; "
                        "[ -e \"" + env.flag + "\" ] && echo ok > \"" + done + "\"'");
    EXPECT_EQ(ReadBytes(done), "ok\n");  // it had ended when the call returned
    EXPECT_GE(env.doEventsCount, 1);

    long before = env.doEventsCount;
    system.ShellAndWaitEx("true", Value(int32_t{2}));
    system.ShellAndWait("true", true);
    EXPECT_GE(env.doEventsCount, before + 2);
}

TEST(Processes, LaunchErrorNamesTheCommandLine) {
    RecordingEnvironment env;
    ScopedEnv scoped(env);
    System system;
    TempFolder temp;
    std::string notExecutable = temp / "plain.txt";
    std::ofstream(notExecutable) << "text";
    const std::string missing = "no-such-program-tintext --flag \"a b\"";
    EXPECT_EQ(LaunchErrorOf([&] { system.ShellAndWait(missing); }),
              "1000 Error launching the command [" + missing + "]");
    EXPECT_EQ(LaunchErrorOf([&] { system.ShellAndContinue(""); }), "1000 Error launching the command []");
    EXPECT_EQ(LaunchErrorOf([&] { system.CreateProcess("   "); }), "1000 Error launching the command [   ]");
    EXPECT_EQ(LaunchErrorOf([&] { system.ShellExecute(notExecutable, Value(int32_t{1})); }),
              "1000 Error launching the command [" + notExecutable + "]");
    EXPECT_EQ(LaunchErrorOf([&] { system.ShellAndWaitEx(temp.path(), Value()); }),
              "1000 Error launching the command [" + temp.path() + "]");
    EXPECT_EQ(env.doEventsCount, 0);  // nothing was started, nothing waited for
}

TEST(Processes, ShellAndContinueReturnsThePidAndLeavesNoZombie) {
    RecordingEnvironment env;
    ScopedEnv scoped(env);
    System system;
    TempFolder temp;
    std::string pidFile = temp / "pid";
    int32_t pid = system.ShellAndContinue("sh -c 'echo $$ > \"" + pidFile + ".tmp\"; mv \"" + pidFile + ".tmp\" \"" +
                                          pidFile + "\"'");
    EXPECT_GT(pid, 0);
    ASSERT_TRUE(Eventually([&] { return fs::exists(pidFile); }));
    EXPECT_EQ(ReadBytes(pidFile), std::to_string(pid) + "\n");
    EXPECT_TRUE(Eventually([&] { return IsGoneOrReaped(pid); })) << "process " << pid << " left as a zombie";
    EXPECT_EQ(env.doEventsCount, 0);  // did not wait

    int32_t task = system.ShellExecute("true", Value("1"));
    EXPECT_GT(task, 0);
    EXPECT_TRUE(Eventually([&] { return IsGoneOrReaped(task); }));
}

TEST(Processes, LaunchRecordStillExecutingAndTerminate) {
    System system;
    DictionaryRef record = system.CreateProcess("sleep 5", Value(int32_t{1}));
    ASSERT_EQ(record->Count(), 4);
    const char* names[] = {"ProcessID", "ThreadID", "ProcessHandle", "ThreadHandle"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(record->Keys()[i], Value(names[i]));
    int32_t pid = record->Item("ProcessID").AsLong();
    int32_t processHandle = record->Item("ProcessHandle").AsLong();
    int32_t threadHandle = record->Item("ThreadHandle").AsLong();
    EXPECT_GT(pid, 0);
    EXPECT_EQ(record->Item("ThreadID").AsLong(), pid);
    EXPECT_NE(processHandle, 0);
    EXPECT_NE(threadHandle, processHandle);

    EXPECT_TRUE(system.StillExecuting(processHandle));
    EXPECT_TRUE(system.StillExecuting(threadHandle));
    EXPECT_NE(system.TerminateProcess(pid, 3), 0);
    EXPECT_TRUE(Eventually([&] { return !system.StillExecuting(processHandle); }));
    EXPECT_FALSE(system.StillExecuting(threadHandle));
    EXPECT_TRUE(Eventually([&] { return IsGoneOrReaped(pid); }));
    EXPECT_FALSE(system.StillExecuting(processHandle));  // still answers after the reaping

    EXPECT_NE(system.CloseProcessHandle(processHandle), 0);
    EXPECT_EQ(system.CloseProcessHandle(processHandle), 0);
    EXPECT_TRUE(system.StillExecuting(processHandle));  // a handle that cannot be waited on
    EXPECT_NE(system.CloseProcessHandle(threadHandle), 0);
}

TEST(Processes, TerminateProcessOfNoSuchProcessReturnsZero) {
    System system;
    int32_t pidMax = 4194304;
    std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;
    EXPECT_EQ(system.TerminateProcess(pidMax, 0), 0);  // ids stay below pid_max
    EXPECT_EQ(system.TerminateProcess(0, 0), 0);       // would be our process group
    EXPECT_EQ(system.TerminateProcess(-1, 0), 0);      // would be every process
}

TEST(Shell, ShellOpenThroughTheHook) {
    System system;
    std::vector<std::string> opened;
    bool accept = true;
    SetShellOpenHandler([&](const std::string& target) {
        opened.push_back(target);
        return accept;
    });
    EXPECT_TRUE(system.ShellOpen("").IsEmpty());
    EXPECT_EQ(system.ShellOpen("/tmp/out put.htm"), Value(true));
    accept = false;
    EXPECT_EQ(system.ShellOpen("https://example.org/?a=1&b=2"), Value(false));
    EXPECT_TRUE(system.Hyperlink("https://example.org/").IsEmpty());
    EXPECT_TRUE(system.Hyperlink("").IsEmpty());
    SetShellOpenHandler([](const std::string&) -> bool { throw std::runtime_error("no desktop"); });
    EXPECT_EQ(system.ShellOpen("x.htm"), Value(false));  // ShellOpen never raises
    SetShellOpenHandler(nullptr);
    EXPECT_EQ(opened, (std::vector<std::string>{"/tmp/out put.htm", "https://example.org/?a=1&b=2",
                                                "https://example.org/"}));
}

TEST(Shell, DefaultOpenerIsTheDesktopsXdgOpen) {
    System system;
    TempFolder bin;
    std::string log = bin / "log";
    WriteScript(bin / "xdg-open", "#!/bin/sh\nprintf '%s|' \"$@\" > \"" + log + ".tmp\"; mv \"" + log + ".tmp\" \"" +
                                      log + "\"\n");
    {
        ScopedVariable path("PATH", bin.path() + ":/usr/bin:/bin");
        EXPECT_EQ(system.ShellOpen("my file.htm"), Value(true));
        ASSERT_TRUE(Eventually([&] { return fs::exists(log); }));
        EXPECT_EQ(ReadBytes(log), "my file.htm|");  // one argument, never split
        fs::remove(log);
        EXPECT_EQ(system.ShellOpen("-odd.htm"), Value(true));
        ASSERT_TRUE(Eventually([&] { return fs::exists(log); }));
        EXPECT_EQ(ReadBytes(log), "./-odd.htm|");  // not taken for an option
    }
    TempFolder empty;
    ScopedVariable path("PATH", empty.path());
    EXPECT_EQ(system.ShellOpen("a.htm"), Value(false));  // no opener to start
}

TEST(Shell, BrowseFolderAsksTheInstalledPicker) {
    System system;
    std::string path = "unchanged", display = "unchanged";
    EXPECT_FALSE(system.BrowseFolder("Pick", path));  // no picker installed
    EXPECT_EQ(path, "unchanged");

    std::vector<FolderPickerRequest> requests;
    std::optional<FolderChoice> answer = FolderChoice{"/home/u/defs/", ""};
    SetFolderPicker([&](const FolderPickerRequest& r) {
        requests.push_back(r);
        return answer;
    });
    EXPECT_TRUE(system.BrowseFolder("Pick a folder", path));
    EXPECT_EQ(path, "/home/u/defs/");
    EXPECT_TRUE(system.BrowseFolderEx("All", path, display, true, true, true, true, true));
    EXPECT_EQ(display, "defs");
    answer = FolderChoice{"/", "Root"};
    EXPECT_TRUE(system.BrowseFolderEx("None", path, display, false, false, false, false, false));
    EXPECT_EQ(path, "/");
    EXPECT_EQ(display, "Root");
    answer = std::nullopt;  // cancelled
    EXPECT_FALSE(system.BrowseFolderEx("Cancel", path, display, false, true, false, false, false));
    EXPECT_EQ(path, "/");
    SetFolderPicker(nullptr);

    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].caption, "Pick a folder");
    EXPECT_EQ(requests[0].flags, kBrowseOnlyFileSystem);
    EXPECT_EQ(requests[1].flags, 0x300Bu);
    EXPECT_EQ(requests[2].flags, 0u);
    EXPECT_EQ(requests[3].flags, kBrowseNotBelowDomain);
}

TEST(SystemInfo, NamesGuidAndSleep) {
    System system;
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    EXPECT_EQ(system.ComputerName(), host);
    EXPECT_FALSE(system.ComputerName().empty());
    struct passwd* me = getpwuid(geteuid());
    ASSERT_NE(me, nullptr);
    EXPECT_EQ(system.UserName(), me->pw_name);

    std::string a = system.CreateGUID(), b = system.CreateGUID();
    EXPECT_TRUE(IsGuidText(a)) << a;
    EXPECT_TRUE(IsGuidText(b)) << b;
    EXPECT_NE(a, b);

    system.Sleep(-1);  // no pause, never "forever"
    system.Sleep(0);
    system.Sleep(1);
}

// AddDSN and RemoveDSN go through unixODBC's installer, which hands the
// request to the driver's setup library. A setup library that logs its calls
// is built here, and the installer's files point into a temporary folder.
TEST(DataSources, AddAndRemoveReachTheDriversSetup) {
    // One folder for the whole run: the installer remembers where its files are.
    static TempFolder temp;
    std::string library = temp / "libfakesetup.so";
    if (std::system("command -v cc > /dev/null 2>&1") != 0) GTEST_SKIP() << "no C compiler to build a setup library";
    std::ofstream(temp / "setup.c") << R"(#include <stdio.h>
#include <stdlib.h>
#include <string.h>
int SQLGetConfigMode(unsigned short*);
int ConfigDSN(void* window, unsigned short request, const char* driver, const char* attributes) {
    unsigned short mode = 0;
    SQLGetConfigMode(&mode);
    FILE* log = fopen(getenv("TINTEXT_DSN_LOG"), "a");
    fprintf(log, "%u %u %s ", request, mode, driver);
    for (const char* p = attributes; *p; p += strlen(p) + 1) fprintf(log, "[%s]", p);
    fprintf(log, "\n");
    fclose(log);
    return 1;
})";
    std::string compile = "cc -shared -fPIC -o '" + library + "' '" + (temp / "setup.c") + "' 2>&1";
    if (!fs::exists(library) && std::system(compile.c_str()) != 0) GTEST_SKIP() << "the setup library could not be built";
    fs::remove(temp / "log");
    std::ofstream(temp / "odbcinst.ini") << "[Fake Driver]\nDescription=fake\nDriver=/nonexistent.so\nSetup="
                                         << library << "\n";
    ScopedVariable sysIni("ODBCSYSINI", temp.path());
    ScopedVariable userIni("ODBCINI", temp / "odbc.ini");
    ScopedVariable home("HOME", temp.path());
    ScopedVariable log("TINTEXT_DSN_LOG", temp / "log");

    System system;
    using namespace std::string_literals;
    EXPECT_TRUE(system.AddDSN("Fake Driver", "DSN=one\0Description=first"s, false));
    EXPECT_TRUE(system.AddDSN("Fake Driver", "DSN=two\0"s, true));
    EXPECT_TRUE(system.RemoveDSN("Fake Driver", "one", false));
    EXPECT_TRUE(system.RemoveDSN("Fake Driver", "two", true));
    EXPECT_FALSE(system.AddDSN("No Such Driver", "DSN=x"s, false));
    // Request 1 adds, 3 removes; the installer passes system DSNs on in mode 2, user DSNs in mode 1.
    EXPECT_EQ(ReadBytes(temp / "log"),
              "1 1 Fake Driver [DSN=one][Description=first]\n"
              "1 2 Fake Driver [DSN=two]\n"
              "3 1 Fake Driver [DSN=one]\n"
              "3 2 Fake Driver [DSN=two]\n");
}
