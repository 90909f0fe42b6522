#include "support/library/instance_mutex.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "scoped_variable.h"
#include "support/error.h"
#include "temp_folder.h"

using namespace tintext;

namespace {

// Every test gets a runtime folder of its own.
class InstanceMutex : public ::testing::Test {
protected:
    tintext::testing::TempFolder folder_;
    std::string runtime_ = folder_.path();
    tintext::testing::ScopedVariable variable_{"XDG_RUNTIME_DIR", runtime_};
};

// Another process tries to take the name and, if it did, holds it until killed.
struct OtherProcess {
    pid_t pid = -1;
    bool holding = false;
    explicit OtherProcess(const std::string& name) {
        int ready[2];
        if (pipe(ready) != 0) return;
        char ok = 'n';
        pid = fork();
        if (pid == 0) {
            try {
                CreateInstanceMutex(name);
                ok = 'y';
            } catch (...) {
            }
            (void)!write(ready[1], &ok, 1);
            pause();
        }
        holding = read(ready[0], &ok, 1) == 1 && ok == 'y';
        close(ready[0]);
        close(ready[1]);
    }
    void Kill() {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
    ~OtherProcess() {
        if (pid > 0) Kill();
    }
};

int32_t ErrorNumberOf(const std::function<void()>& action, std::string* text = nullptr) {
    try {
        action();
    } catch (const Error& e) {
        if (text) *text = e.Description();
        return e.Number();
    }
    return 0;
}

}  // namespace

TEST_F(InstanceMutex, ANameHeldByAnotherProcessIsFoundUntilItEnds) {
    OtherProcess other("Tintext.SingleInstance");
    ASSERT_TRUE(other.holding);
    EXPECT_TRUE(CheckInstanceMutex("Tintext.SingleInstance"));
    EXPECT_FALSE(CheckInstanceMutex("Tintext.Other"));
    std::string text;
    EXPECT_EQ(ErrorNumberOf([] { CreateInstanceMutex("Tintext.SingleInstance"); }, &text), 183);
    EXPECT_EQ(text, "Cannot create a file when that file already exists.");
    other.Kill();
    EXPECT_FALSE(CheckInstanceMutex("Tintext.SingleInstance"));
}

TEST_F(InstanceMutex, CheckAndAFailedCreateLeaveTheHolderAsItWas) {
    EXPECT_FALSE(CheckInstanceMutex("twice"));
    int32_t handle = CreateInstanceMutex("twice");  // the check left nothing held
    EXPECT_EQ(ErrorNumberOf([] { CreateInstanceMutex("twice"); }), 183);
    EXPECT_TRUE(CheckInstanceMutex("twice"));  // the failed create did not release it
    EXPECT_FALSE(OtherProcess("twice").holding);
    DestroyInstanceMutex(handle);
    EXPECT_FALSE(CheckInstanceMutex("twice"));
    EXPECT_EQ(ErrorNumberOf([&] { DestroyInstanceMutex(handle); }), EBADF);
}

TEST_F(InstanceMutex, NamesWithSeparatorsStayInsideTheFolderAndApart) {
    const std::string names[] = {"a/b", "a%2Fb", "Global\\app", "../../escape", ".", "..", "a b",
                                 std::string(1000, 'x'), std::string(999, 'x') + "y", "\xC3\xA9"};
    std::vector<int32_t> handles;
    for (const auto& name : names) handles.push_back(CreateInstanceMutex(name));  // all at once: no two share
    EXPECT_EQ(MutexFolder(), runtime_ + "/tintext-mutex");
    size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(runtime_))
        if (entry.is_regular_file()) files += entry.path().parent_path() == MutexFolder();
    EXPECT_EQ(files, std::size(names));
    for (int32_t h : handles) DestroyInstanceMutex(h);
}

TEST_F(InstanceMutex, UnnamedMutexIsNeverFound) {
    int32_t a = CreateInstanceMutex(""), b = CreateInstanceMutex("");
    EXPECT_NE(a, b);
    EXPECT_FALSE(CheckInstanceMutex(""));
    DestroyInstanceMutex(a);
    DestroyInstanceMutex(b);
}

TEST_F(InstanceMutex, FolderThatIsALinkOrOpenToOthersIsRefused) {
    std::filesystem::create_directory(runtime_ + "/elsewhere");
    std::filesystem::create_directory_symlink(runtime_ + "/elsewhere", runtime_ + "/tintext-mutex");
    std::string text;
    EXPECT_EQ(ErrorNumberOf([] { CreateInstanceMutex("x"); }, &text), ENOTDIR);
    EXPECT_NE(text.find(runtime_ + "/tintext-mutex"), std::string::npos) << text;
    std::filesystem::remove(runtime_ + "/tintext-mutex");
    std::filesystem::create_directory(runtime_ + "/tintext-mutex");
    chmod((runtime_ + "/tintext-mutex").c_str(), 0777);
    EXPECT_EQ(ErrorNumberOf([] { CheckInstanceMutex("x"); }), EACCES);
}

TEST_F(InstanceMutex, WithoutARuntimeFolderAPrivateOneInTmpServes) {
    std::string perUser = "/tmp/tintext-mutex-" + std::to_string(geteuid());
    variable_.Set(runtime_ + "/missing");
    EXPECT_EQ(MutexFolder(), perUser);
    struct stat st;
    ASSERT_EQ(lstat(perUser.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}
