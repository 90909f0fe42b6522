#include <unistd.h>

#include "test_prelude.h"

#include <cstdlib>
#include <fstream>
#include <regex>

#include "scoped_variable.h"
#include "support/library/process_launch.h"
#include "support/shell_hooks.h"
#include "support/system.h"

namespace {

// Polls until the condition holds; a guard against hanging, not a measurement.
bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 1000 && !condition(); ++i) usleep(10 * 1000);
    return condition();
}

bool IsGoneOrReaped(int32_t pid) { return !fs::exists("/proc/" + std::to_string(pid)); }  // a zombie keeps it

}  // namespace

TEST(SplitCommandLine, QuotesAsTheShellDoes) {
    for (const auto& row : tintext::testing::ReadRows("command_line_words.txt")) {
        std::string shown;
        for (const auto& word : SplitCommandLine(row.fields[0])) shown += (shown.empty() ? "<" : " <") + word + ">";
        EXPECT_EQ(shown, row.fields[1]) << row.where;
    }
}

TEST(Processes, ShellAndWaitReturnsWhenTheProgramEndedAndLetsEventsRunMeanwhile) {
    TempFolder temp;
    // The program ends only after the caller's events have run while it waited.
    struct SignallingEnvironment : RecordingEnvironment {
        std::string flag;
        void DoEvents() override { RecordingEnvironment::DoEvents(), std::ofstream(flag) << "x"; }
    } env;
    env.flag = temp / "flag";
    ScopedEnv scoped(env);
    std::string done = temp / "done";
    // Gives up after about ten seconds rather than hang when no events run.
    System().ShellAndWait("sh -c 'i=0; while [ ! -e \"" + env.flag + "\" ] && [ $i -lt 1000 ]; do sleep 0.01; "
                          "i=$((i+1)); done; [ -e \"" + env.flag + "\" ] && echo ok > \"" + done + "\"'");
    EXPECT_EQ(ReadBytes(done), "ok\n");
}

TEST(Processes, LaunchErrorNamesTheCommandLineAndWaitsForNothing) {
    RecordingEnvironment env;
    ScopedEnv scoped(env);
    const std::string missing = "no-such-program-tintext --flag \"a b\"";
    const Error e = Raised([&] { System().ShellAndWait(missing); });
    EXPECT_EQ(std::to_string(e.Number()) + " " + e.Description(), "1000 Error launching the command [" + missing + "]");
    EXPECT_EQ(env.doEventsCount, 0);
}

TEST(Processes, ShellAndContinueReturnsThePidAndLeavesNoZombie) {
    RecordingEnvironment env;
    ScopedEnv scoped(env);
    TempFolder temp;
    std::string pidFile = temp / "pid";
    int32_t pid = System().ShellAndContinue("sh -c 'echo $$ > \"" + pidFile + ".tmp\"; mv \"" + pidFile + ".tmp\" \"" +
                                            pidFile + "\"'");
    ASSERT_TRUE(Eventually([&] { return fs::exists(pidFile); }));
    EXPECT_EQ(ReadBytes(pidFile), std::to_string(pid) + "\n");
    EXPECT_TRUE(Eventually([&] { return IsGoneOrReaped(pid); })) << "process " << pid << " left as a zombie";
    EXPECT_EQ(env.doEventsCount, 0);  // did not wait
}

TEST(Processes, HandlesAnswerStillExecutingUntilTerminatedAndCloseOnce) {
    System system;
    DictionaryRef record = system.CreateProcess("sleep 5", Value(int32_t{1}));
    EXPECT_EQ(record->Keys(), (std::vector<Value>{Value("ProcessID"), Value("ThreadID"), Value("ProcessHandle"),
                                                   Value("ThreadHandle")}));
    int32_t pid = record->Item("ProcessID").AsLong();
    int32_t processHandle = record->Item("ProcessHandle").AsLong();
    EXPECT_TRUE(system.StillExecuting(processHandle));
    EXPECT_NE(system.TerminateProcess(pid, 3), 0);
    EXPECT_TRUE(Eventually([&] { return !system.StillExecuting(processHandle); }));
    EXPECT_TRUE(Eventually([&] { return IsGoneOrReaped(pid); }));
    EXPECT_NE(system.CloseProcessHandle(processHandle), 0);
    EXPECT_EQ(system.CloseProcessHandle(processHandle), 0);
    // No process, our process group, every process: none is signalled.
    for (int32_t id : {4194305, 0, -1}) EXPECT_EQ(system.TerminateProcess(id, 0), 0) << id;
}

TEST(Shell, ShellOpenGoesThroughTheHookAndNeverRaises) {
    std::vector<std::string> opened;
    SetShellOpenHandler([&](const std::string& target) { return opened.push_back(target), target != "no"; });
    EXPECT_EQ(System().ShellOpen("/tmp/out put.htm"), Value(true));
    EXPECT_EQ(System().ShellOpen("no"), Value(false));
    SetShellOpenHandler([](const std::string&) -> bool { throw std::runtime_error("no desktop"); });
    EXPECT_EQ(System().ShellOpen("x.htm"), Value(false));
    SetShellOpenHandler(nullptr);
    EXPECT_EQ(opened, (std::vector<std::string>{"/tmp/out put.htm", "no"}));
}

TEST(Shell, DefaultOpenerGetsTheTargetAsOneArgumentNeverAnOption) {
    TempFolder bin;
    std::string log = bin / "log";
    std::ofstream(bin / "xdg-open") << "#!/bin/sh\nprintf '%s|' \"$@\" > \"" + log + ".tmp\"; mv \"" + log +
                                           ".tmp\" \"" + log + "\"\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    {
        ScopedVariable path("PATH", bin.path() + ":/usr/bin:/bin");
        EXPECT_EQ(System().ShellOpen("-odd file.htm"), Value(true));
        ASSERT_TRUE(Eventually([&] { return fs::exists(log); }));
        EXPECT_EQ(ReadBytes(log), "./-odd file.htm|");
    }
    ScopedVariable path("PATH", bin / "nowhere");
    EXPECT_EQ(System().ShellOpen("a.htm"), Value(false));  // no opener to start
}

TEST(Shell, BrowseFolderGivesThePickersChoiceAndItsName) {
    std::string path = "unchanged", display;
    SetFolderPicker([&](const FolderPickerRequest&) { return std::optional<FolderChoice>{{"/home/u/defs/", ""}}; });
    EXPECT_TRUE(System().BrowseFolderEx("All", path, display, true, true, true, true, true));
    EXPECT_EQ(path + " " + display, "/home/u/defs/ defs");
    SetFolderPicker(nullptr);
    EXPECT_FALSE(System().BrowseFolder("Pick", path));  // no picker: the path stays
    EXPECT_EQ(path, "/home/u/defs/");
}

TEST(SystemInfo, CreateGuidGivesANewVersion4GuidEachTime) {
    System system;
    std::string a = system.CreateGUID();
    EXPECT_TRUE(std::regex_match(a, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")))
        << a;
    EXPECT_NE(a, system.CreateGUID());
}

// AddDSN and RemoveDSN go through unixODBC's installer, which hands the
// request to the driver's setup library: tests/odbc_setup_logger.c,
// built here, logs each call; the installer's files point into a temporary folder.
TEST(DataSources, AddAndRemoveReachTheDriversSetup) {
    static TempFolder temp;  // one for the whole run: the installer remembers where its files are
    std::string library = temp / "libfakesetup.so";
    std::string compile = "cc -shared -fPIC -o '" + library + "' '" TINTEXT_SOURCE_DIR "/tests/odbc_setup_logger.c'";
    if (!fs::exists(library) && std::system(compile.c_str()) != 0) GTEST_SKIP() << "no C compiler to build a setup library";
    std::ofstream(temp / "odbcinst.ini") << "[Fake Driver]\nDriver=/nonexistent.so\nSetup=" << library << "\n";
    ScopedVariable sysIni("ODBCSYSINI", temp.path()), userIni("ODBCINI", temp / "odbc.ini"), home("HOME", temp.path());
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
              "1 1 Fake Driver [DSN=one][Description=first]\n1 2 Fake Driver [DSN=two]\n"
              "3 1 Fake Driver [DSN=one]\n3 2 Fake Driver [DSN=two]\n");
}
