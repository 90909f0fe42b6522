#include "support/library/instance_mutex.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "test_prelude.h"

#include <cerrno>

#include "scoped_variable.h"

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
        if ((pid = fork()) == 0) {
            ok = Raised([&] { CreateInstanceMutex(name); }).Number() == 0 ? 'y' : 'n';
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

}  // namespace

TEST_F(InstanceMutex, ANameHeldByAnotherProcessIsFoundUntilItEnds) {
    OtherProcess other("Tintext.SingleInstance");
    ASSERT_TRUE(other.holding);
    EXPECT_TRUE(CheckInstanceMutex("Tintext.SingleInstance"));
    EXPECT_FALSE(CheckInstanceMutex("Tintext.Other"));
    const Error e = Raised([] { CreateInstanceMutex("Tintext.SingleInstance"); });
    EXPECT_EQ(std::to_string(e.Number()) + " " + e.Description(), "183 Cannot create a file when that file already exists.");
    other.Kill();
    EXPECT_FALSE(CheckInstanceMutex("Tintext.SingleInstance"));
}

TEST_F(InstanceMutex, CheckAndAFailedCreateLeaveTheHolderAsItWas) {
    EXPECT_FALSE(CheckInstanceMutex("twice"));
    int32_t handle = CreateInstanceMutex("twice");  // the check left nothing held
    EXPECT_EQ(Raised([] { CreateInstanceMutex("twice"); }).Number(), 183);
    EXPECT_TRUE(CheckInstanceMutex("twice"));  // the failed create did not release it
    EXPECT_FALSE(OtherProcess("twice").holding);
    DestroyInstanceMutex(handle);
    EXPECT_FALSE(CheckInstanceMutex("twice"));
    EXPECT_EQ(Raised([&] { DestroyInstanceMutex(handle); }).Number(), EBADF);
}

// Names that differ only where a file name could not hold them, or past the
// length at which a name is hashed, are held at once, each in its own file
// in the folder.
TEST_F(InstanceMutex, NamesWithSeparatorsStayInsideTheFolderAndApart) {
    const std::string names[] = {"a/b", "a%2Fb", "../../escape", "..", std::string(1000, 'x'), std::string(999, 'x') + "y"};
    for (const auto& name : names) CreateInstanceMutex(name);
    size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(runtime_))
        files += entry.is_regular_file() && entry.path().parent_path() == runtime_ + "/tintext-mutex";
    EXPECT_EQ(files, std::size(names));
}

TEST_F(InstanceMutex, FolderThatIsALinkOrOpenToOthersIsRefused) {
    std::filesystem::create_directory(runtime_ + "/elsewhere");
    std::filesystem::create_directory_symlink(runtime_ + "/elsewhere", runtime_ + "/tintext-mutex");
    const Error e = Raised([] { CreateInstanceMutex("x"); });
    EXPECT_EQ(e.Number(), ENOTDIR);
    EXPECT_NE(e.Description().find(runtime_ + "/tintext-mutex"), std::string::npos) << e.Description();
    std::filesystem::remove(runtime_ + "/tintext-mutex");
    std::filesystem::create_directory(runtime_ + "/tintext-mutex");
    chmod((runtime_ + "/tintext-mutex").c_str(), 0777);
    EXPECT_EQ(Raised([] { CheckInstanceMutex("x"); }).Number(), EACCES);
}
