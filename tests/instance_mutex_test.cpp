#include "support/library/instance_mutex.h"

#include <dirent.h>
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

// A second process that holds the named mutex until told to end.
class Holder {
public:
    explicit Holder(const std::string& name) {
        int ready[2], hold[2];
        if (pipe(ready) != 0 || pipe(hold) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(hold[1]);
            char ok = 'n';
            try {
                CreateInstanceMutex(name);
                ok = 'y';
            } catch (...) {
            }
            (void)!write(ready[1], &ok, 1);
            char c;
            while (read(hold[0], &c, 1) > 0) {
            }
            _exit(0);
        }
        close(ready[1]);
        close(hold[0]);
        holdPipe_ = hold[1];
        char ok = 'n';
        holding_ = read(ready[0], &ok, 1) == 1 && ok == 'y';
        close(ready[0]);
    }
    ~Holder() { End(); }
    bool Holding() const { return holding_; }
    // Lets the holder end normally, or kills it.
    void End(bool kill = false) {
        if (pid_ <= 0) return;
        if (kill) ::kill(pid_, SIGKILL);
        close(holdPipe_);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int holdPipe_ = -1;
    bool holding_ = false;
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

TEST_F(InstanceMutex, SecondProcessHoldingTheName) {
    const std::string name = "Tintext.SingleInstance";
    {
        Holder other(name);
        ASSERT_TRUE(other.Holding());
        EXPECT_TRUE(CheckInstanceMutex(name));
        std::string text;
        EXPECT_EQ(ErrorNumberOf([&] { CreateInstanceMutex(name); }, &text), 183);
        EXPECT_EQ(text, "Cannot create a file when that file already exists.");
        EXPECT_FALSE(CheckInstanceMutex("Some.Other.Name"));
        other.End();
    }
    EXPECT_FALSE(CheckInstanceMutex(name));
    // A holder that is killed releases the name as well.
    Holder killed(name);
    ASSERT_TRUE(killed.Holding());
    EXPECT_TRUE(CheckInstanceMutex(name));
    killed.End(/*kill=*/true);
    EXPECT_FALSE(CheckInstanceMutex(name));
}

TEST_F(InstanceMutex, SameProcessCreateTwiceCheckAndDestroy) {
    const std::string name = "twice";
    EXPECT_FALSE(CheckInstanceMutex(name));
    int32_t handle = CreateInstanceMutex(name);  // the check left nothing held
    EXPECT_NE(handle, 0);
    EXPECT_TRUE(CheckInstanceMutex(name));
    EXPECT_EQ(ErrorNumberOf([&] { CreateInstanceMutex(name); }), 183);
    EXPECT_TRUE(CheckInstanceMutex(name));  // the failed create did not release it
    {
        Holder other(name);
        EXPECT_FALSE(other.Holding());
    }
    DestroyInstanceMutex(handle);
    EXPECT_FALSE(CheckInstanceMutex(name));
    std::string text;
    EXPECT_EQ(ErrorNumberOf([&] { DestroyInstanceMutex(handle); }, &text), EBADF);
    EXPECT_EQ(text, SystemErrorText(EBADF));
    DestroyInstanceMutex(CreateInstanceMutex(name));
}

TEST_F(InstanceMutex, NamesWithSeparatorsStayInsideTheFolderAndApart) {
    const std::string names[] = {"a/b", "a%2Fb", "Global\\app", "../../escape", ".", "..", "a b",
                                 std::string(1000, 'x'), std::string(999, 'x') + "y", "\xC3\xA9"};
    std::vector<int32_t> handles;
    for (const auto& name : names) handles.push_back(CreateInstanceMutex(name));  // all at once: no two share
    for (const auto& name : names) EXPECT_TRUE(CheckInstanceMutex(name)) << name;
    std::string folder = MutexFolder();
    EXPECT_EQ(folder, runtime_ + "/tintext-mutex");
    size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(runtime_)) {
        if (entry.is_regular_file()) {
            ++files;
            EXPECT_EQ(entry.path().parent_path().string(), folder);
        }
    }
    EXPECT_EQ(files, std::size(names));
    for (int32_t h : handles) DestroyInstanceMutex(h);
}

TEST_F(InstanceMutex, UnnamedMutexIsNeverFound) {
    int32_t a = CreateInstanceMutex("");
    int32_t b = CreateInstanceMutex("");
    EXPECT_NE(a, b);
    EXPECT_FALSE(CheckInstanceMutex(""));
    DestroyInstanceMutex(a);
    DestroyInstanceMutex(b);
}

TEST_F(InstanceMutex, FolderThatIsNotOursIsRefused) {
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

TEST_F(InstanceMutex, RuntimeFolderFallsBackToTmpPerUser) {
    std::string perUser = "/tmp/tintext-mutex-" + std::to_string(geteuid());
    variable_.Set(runtime_ + "/missing");
    EXPECT_EQ(MutexFolder(), perUser);
    variable_.Set(std::nullopt);
    EXPECT_EQ(MutexFolder(), perUser);
    struct stat st;
    ASSERT_EQ(lstat(perUser.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(SystemErrorText, KnownNumbers) {
    EXPECT_EQ(SystemErrorText(183), "Cannot create a file when that file already exists.");
    EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
    EXPECT_EQ(SystemErrorText(EBADF), "Bad file descriptor");
    EXPECT_FALSE(SystemErrorText(99999).empty());
}
