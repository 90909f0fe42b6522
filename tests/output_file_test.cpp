// Writing an output: whatever is at the target (nothing, a file, a link, a
// FIFO, a device, a socket, a read-only file or folder), what was there is
// not damaged and nothing is left beside it.
#include "support/output_file.h"

#include <grp.h>
#include "test_prelude.h"
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>
#include <future>

#include "support/temporary_files.h"

namespace {

constexpr uid_t kNobody = 65534;

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteWhole(const std::string& target, const std::string& content) {
    OutputFile out(target, "test");
    out.Write(content);
    out.Commit();
}

// Runs `work` as a user who is not root (root may create files in any folder),
// in a child process when the test runs as root; its result is the exit status.
int AsOrdinaryUser(const std::function<int()>& work) {
    if (::geteuid() != 0) return work();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(100);
        ::_exit(work());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

class OutputFileTest : public ::testing::Test {
protected:
    TempFolder dir;
};

// The table gives what the folder holds first (steps: "write NAME", "chmod
// NAME MODE", "link NAME TARGET", "folder NAME"), the target, the file that
// holds the output afterwards, whether the target is a link, and the written
// file's permissions afterwards (- for the umask's).
TEST_F(OutputFileTest, FilesAndLinksGetTheWholeOutputAndStayWhatTheyWere) {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    for (const auto& row : tintext::testing::ReadRows("lib_output_targets.tsv")) {
        SCOPED_TRACE(row.where);
        fs::remove_all(dir.path());
        fs::create_directory(dir.path());
        std::istringstream steps(row[0]);
        for (std::string verb, name, more; steps >> verb >> name;) {
            if (verb == "write") dir.Write(name, "the earlier and longer content");
            if (verb == "folder") fs::create_directory(dir / name);
            if (verb == "chmod" && steps >> more) ::chmod((dir / name).c_str(), std::stoi(more, nullptr, 8));
            if (verb == "link" && steps >> more) ::symlink(more.c_str(), (dir / name).c_str());
        }
        const std::string& target = row[1];
        auto before = Entries(dir.path());
        OutputFile out(dir / target, "test");
        EXPECT_EQ(out.Way(), OutputWay::NewFile);
        out.Write("new ");
        EXPECT_EQ(Entries(dir.path()), before);  // the output has no name until it is whole
        out.Write("content");
        out.Commit();
        EXPECT_EQ(ReadBytes(dir / row[2]), "new content");
        EXPECT_EQ(fs::is_symlink(dir / target), row[3] == "link");
        EXPECT_EQ(static_cast<mode_t>(fs::status(dir / row[2]).permissions()),
                  row[4] == "-" ? 0666 & ~mask : std::stoul(row[4], nullptr, 8));
        auto after = Entries(dir.path());
        std::erase(after, target);
        std::erase(before, target);
        EXPECT_EQ(after, before);  // no temporary file beside it
    }
}

TEST_F(OutputFileTest, AFifoIsWrittenIntoForItsReader) {
    const std::string fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reader = std::async(std::launch::async, [&] { return ReadBytes(fifo); });
    OutputFile out(fifo, "test");  // waits for the reader, as any writer of a FIFO does
    EXPECT_EQ(out.Way(), OutputWay::Direct);
    out.Write("through ");
    out.Write("the pipe");
    out.Commit();
    EXPECT_EQ(reader.get(), "through the pipe");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"pipe"});
}

TEST_F(OutputFileTest, ASocketIsWrittenIntoForItsListener) {
    const std::string path = dir / "socket";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    auto reader = std::async(std::launch::async, [&] {
        const int connection = ::accept(listener, nullptr, nullptr);
        std::string received;
        char buffer[256];
        for (ssize_t n; (n = ::read(connection, buffer, sizeof buffer)) > 0;) received.append(buffer, n);
        ::close(connection);
        return received;
    });
    WriteWhole(path, "over the socket");
    EXPECT_EQ(reader.get(), "over the socket");
    ::close(listener);
    EXPECT_TRUE(fs::is_socket(path));
}

// A folder where no new file may be made: the file there is updated in place
// (the same file, trimmed to the new length), as an editor would.
TEST_F(OutputFileTest, AFileInAReadOnlyFolderIsUpdatedInPlace) {
    const std::string folder = dir / "locked";
    fs::create_directory(folder);
    const std::string file = folder + "/page.htm";
    dir.Write("locked/page.htm", "the earlier and longer content");
    ::chmod(dir.path().c_str(), 0755);
    ::chmod(file.c_str(), 0666);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
    }
    ::chmod(folder.c_str(), 0555);
    struct stat before;
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    const int result = AsOrdinaryUser([&] {
        OutputFile out(file, "test");
        if (out.Way() != OutputWay::InPlace) return 1;
        out.Write("new content");
        // Nothing of the output reaches the file before it is whole.
        if (ReadBytes(file) != "the earlier and longer content") return 2;
        out.Commit();
        return 0;
    });
    EXPECT_EQ(result, 0);
    struct stat after;
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadBytes(file), "new content");
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"page.htm"});
}

TEST_F(OutputFileTest, AReadOnlyFileIsNotReplaced) {
    const std::string file = dir.Write("frozen.htm", "keep me");
    ::chmod(file.c_str(), 0444);
    EXPECT_EQ(Raised([&] { WriteWhole(file, "replacement"); }).Number(), err::PermissionDenied);
    EXPECT_EQ(ReadBytes(file), "keep me");
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"frozen.htm"});
}

// A named temporary file (where the file system has no unnamed ones) of a run
// that was killed is removed by the next run for the same output; one of a
// living run, and other files, are left alone.
TEST_F(OutputFileTest, LeftoversOfAKilledRunAreRemoved) {
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string deadRun = ".page.htm." + std::to_string(dead) + "-0badc0de.tmp";
    const std::string livingRun = ".page.htm." + std::to_string(::getppid()) + "-0badc0de.tmp";
    const std::string otherOutput = ".other.htm." + std::to_string(dead) + "-0badc0de.tmp";
    for (const std::string& name : {deadRun, livingRun, otherOutput, std::string(".page.htm.notes.tmp")})
        dir.Write(name, "x");
    WriteWhole(dir / "page.htm", "new");
    auto expected = std::vector<std::string>{otherOutput, ".page.htm.notes.tmp", livingRun, "page.htm"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(dir.path()), expected);
}

TEST_F(OutputFileTest, ANameHeldForSignalsIsRemovedByTheCleanupUntilReleased) {
    const std::string held = dir.Write(".a.tmp", "x");
    const std::string released = dir.Write(".b.tmp", "x");
    RemovedOnSignal holding(held);
    RemovedOnSignal(released).Release();
    RemoveTemporaryFiles();
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{".b.tmp"});
}

TEST_F(OutputFileTest, FollowLinksEndsWhereTheLinksEnd) {
    ::symlink("b", (dir / "a").c_str());
    ::symlink(dir.path().c_str(), (dir / "b").c_str());
    ::symlink("loop", (dir / "loop").c_str());
    EXPECT_EQ(FollowLinks(dir / "a"), dir.path());
    EXPECT_EQ(FollowLinks(dir / "plain"), dir / "plain");
    EXPECT_EQ(FollowLinks(dir / "loop"), dir / "loop");
}

}  // namespace
