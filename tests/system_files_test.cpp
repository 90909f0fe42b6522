#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "support/error.h"
#include "support/file_io.h"
#include "support/file_system_object.h"
#include "support/system.h"
#include "support/text_codec.h"
#include "temp_folder.h"

using namespace tintext;
using tintext::testing::ReadBytes;
using tintext::testing::TempFolder;

namespace {

const char* const kCrLf = "\r\n";

Error Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error raised";
    return Error(0, "", "");
}

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

size_t EntriesIn(const std::string& folder) {
    size_t n = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

void SetModified(const std::string& path, time_t seconds) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class SystemFiles : public ::testing::Test {
protected:
    TempFolder dir;
    System system;
};

}  // namespace

TEST_F(SystemFiles, ReadErrorsKeepNumberAndSourceAndExplainThemselves) {
    struct Case {
        std::string path;
        int32_t number;
        std::string reason, hex;
    } cases[] = {
        {"", 1000, "The filename cannot be blank.", "3E8"},
        {dir / "missing.txt", 53, "File not found", "35"},
        {dir / "nofolder/missing.txt", 76, "Path not found", "4C"},
        {dir.path(), 75, "Path/File access error: Is a directory", "4B"},
    };
    for (const auto& c : cases) {
        Error e = Raised([&] { system.ReadFileToString(c.path); });
        EXPECT_EQ(e.Number(), c.number) << c.path;
        EXPECT_EQ(e.Source(), "Ostrand.System->ReadFile");
        EXPECT_EQ(e.Description(), "Error reading the file " + c.path +
                                       ". Please check that file name and path are valid." + kCrLf + kCrLf +
                                       "Reason: " + c.reason + kCrLf + "Error: 0x" + c.hex);
        Error raw = Raised([&] { system.ReadFile(c.path); });
        EXPECT_EQ(raw.Number(), c.number);
        EXPECT_EQ(raw.Description(), c.reason);
    }
}

TEST_F(SystemFiles, AnUnreadableFileFailsWith70) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    std::string file = dir.Write("secret.txt", "x");
    ::chmod(file.c_str(), 0);
    EXPECT_EQ(Raised([&] { system.ReadFileToString(file); }).Number(), 70);
}

TEST_F(SystemFiles, TextIsUtf8AndOtherBytesAreReadAsWindows1252) {
    std::string empty = dir.Write("empty.txt", "");
    EXPECT_EQ(system.ReadFileToString(empty), "");
    EXPECT_TRUE(system.ReadFile(empty).empty());
    EXPECT_EQ(system.ReadFileToString(dir.Write("bom.txt", "\xEF\xBB\xBFhi \xC3\xA9")), "hi \xC3\xA9");

    // A 0xE9 byte reads as e acute and goes back to 0xE9 through Windows-1252;
    // written by the program it is UTF-8.
    std::string text = system.ReadFileToString(dir.Write("latin.txt", "caf\xE9"));
    EXPECT_EQ(text, "caf\xC3\xA9");
    EXPECT_EQ(EncodeCodePage(text, 1252), "caf\xE9");
    system.WriteFileFromString(dir / "out.txt", text);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "caf\xC3\xA9");
}

TEST_F(SystemFiles, WritingStoresTheContentByteForByteWithNoLineBreakAdded) {
    const std::string content = std::string("bad \xE9 utf-8\0 and \xC3", 19);
    std::string file = dir / "out.bin";
    system.WriteFileFromString(file, content);
    EXPECT_EQ(ReadBytes(file), content);
    system.WriteFileFromString(file, "short");
    EXPECT_EQ(ReadBytes(file), "short");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);  // no temporary left behind

    Bytes bytes = {0, 1, 0xFF};
    system.WriteFile(file, bytes);
    EXPECT_EQ(system.ReadFile(file), bytes);
}

TEST_F(SystemFiles, ReplacingAFileKeepsItsPermissionsAndANewFileFollowsTheUmask) {
    std::string file = dir.Write("kept.txt", "old");
    ::chmod(file.c_str(), 0640);
    system.WriteFileFromString(file, "new");
    EXPECT_EQ(ModeOf(file), 0640u);

    mode_t mask = ::umask(022);
    ::umask(mask);
    system.WriteFileFromString(dir / "fresh.txt", "new");
    EXPECT_EQ(ModeOf(dir / "fresh.txt"), 0666u & ~mask);
}

TEST_F(SystemFiles, WritingThroughALinkReplacesTheFileItPointsTo) {
    std::string target = dir.Write("target.txt", "old");
    std::string link = dir / "link.txt";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    system.WriteFileFromString(link, "new");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(target), "new");
}

TEST_F(SystemFiles, WriteErrorsExplainThemselves) {
    struct Case {
        std::string path;
        int32_t number;
        std::string reason, hex;
    } cases[] = {
        {"", 1000, "The filename cannot be blank.", "3E8"},
        {dir / "nofolder/out.txt", 76, "Path not found", "4C"},
        {dir.path(), 75, "Path/File access error: Is a directory", "4B"},
    };
    for (const auto& c : cases) {
        Error e = Raised([&] { system.WriteFileFromString(c.path, "x"); });
        EXPECT_EQ(e.Number(), c.number) << c.path;
        EXPECT_EQ(e.Source(), "Ostrand.System->WriteFileFromString");
        EXPECT_EQ(e.Description(), "Error writing the file " + c.path + kCrLf + kCrLf + "Reason: " + c.reason +
                                       kCrLf + "Error: 0x" + c.hex);
        Error raw = Raised([&] { system.WriteFile(c.path, {1}); });
        EXPECT_EQ(raw.Source(), "Ostrand.System->WriteFile");
        EXPECT_EQ(raw.Description(), "Error writing the file " + c.path + kCrLf + kCrLf + "Reason: " + c.reason +
                                         kCrLf + "Error: 0x" + c.hex + kCrLf + "Hint: Write the file");
    }
}

TEST_F(SystemFiles, AWriteThatFailsPartWayLeavesTheEarlierFileWhole) {
    // A file size limit makes the write itself fail, whoever runs the test.
    std::string file = dir.Write("keep.txt", "earlier content");
    struct rlimit saved;
    ::getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = {100, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    Error e = Raised([&] { system.WriteFileFromString(file, std::string(1000, 'x')); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(e.Number(), 75);
    EXPECT_NE(e.Description().find("File too large"), std::string::npos) << e.Description();
    EXPECT_EQ(ReadBytes(file), "earlier content");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST_F(SystemFiles, FileExistsFindsFilesByNameOrWildcard) {
    dir.Write("a.txt", "");
    dir.Write("b[1].log", "");
    dir.Write(".hidden", "");
    std::filesystem::create_directory(dir / "folder.txt");
    std::filesystem::create_directory(dir / "sub");
    struct Case {
        std::string name;
        bool exists;
    } cases[] = {
        {"", false},
        {dir / "a.txt", true},
        {dir / "A.TXT", false},
        {dir / "missing.txt", false},
        {dir / "*.txt", true},
        {dir / "?.txt", true},
        {dir / "*.none", false},
        {dir / "folder.*", false},  // only a folder matches
        {dir / "sub", false},
        {dir / "b[1].*", true},     // brackets are not wildcards
        {dir / ".hidden", true},  // a dot-file is hidden, and hidden files are listed
        {dir / "*hidden", true},
        {dir / "nofolder/*.txt", false},
    };
    for (const auto& c : cases) EXPECT_EQ(system.FileExists(c.name), c.exists) << c.name;
}

TEST_F(SystemFiles, FolderExists) {
    dir.Write("file", "");
    EXPECT_TRUE(system.FolderExists(dir.path()));
    EXPECT_FALSE(system.FolderExists(dir / "file"));
    EXPECT_FALSE(system.FolderExists(dir / "missing"));
    EXPECT_FALSE(system.FolderExists(""));
}

TEST_F(SystemFiles, MkDirExCreatesEveryMissingFolderWithEitherSeparator) {
    system.MkDirEx(dir / "a/b/c");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
    system.MkDirEx(dir.path() + "\\x\\y\\");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "x/y"));
    system.MkDirEx(dir / "a//b/d/");  // existing parts and doubled separators are fine
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/d"));
}

TEST_F(SystemFiles, MkDirExReportsTheFolderItCouldNotCreate) {
    dir.Write("file", "");
    Error e = Raised([&] { system.MkDirEx(dir / "file/sub"); });
    EXPECT_EQ(e.Number(), 1000);
    EXPECT_EQ(e.Source(), "Ostrand.System->MkDirEx");
    EXPECT_EQ(e.Description(), "Error creating the directory \"" + dir.path() + "/file/\"" + kCrLf + "Error: 58" +
                                   kCrLf + "Reason: File already exists");

    // Server and share of a network path are never created: the first folder
    // tried is the one below them.
    Error network = Raised([&] { system.MkDirEx("\\\\tintext-no-server\\share\\x"); });
    EXPECT_NE(network.Description().find("\"//tintext-no-server/share/x/\""), std::string::npos)
        << network.Description();
}

TEST_F(SystemFiles, ValidFileNameDropsCharactersNotAllowedInNames) {
    struct Case {
        std::string name;
        bool checkPath;
        std::string result, nameAfter;
    } cases[] = {
        {"a?b*c:d.txt", false, "abcd.txt", "a?b*c:d.txt"},
        {"C:\\dir\\f?.txt", true, "C:\\dir\\f.txt", "\\dir\\f?.txt"},
        {"C:\\dir\\f.txt", false, "Cdirf.txt", "C:\\dir\\f.txt"},
        {"/home/me/a|b.txt", true, "/home/me/ab.txt", "/home/me/a|b.txt"},
        {"ab:c", true, "abc", "ab:c"},
        {"caf\xC3\xA9 <\"new\">", false, "caf\xC3\xA9 new", "caf\xC3\xA9 <\"new\">"},
        {"$%'-_@~`!()^#&+,;=[].", false, "$%'-_@~`!()^#&+,;=[].", "$%'-_@~`!()^#&+,;=[]."},
    };
    for (auto c : cases) {
        EXPECT_EQ(system.ValidFileName(c.name, c.checkPath), c.result);
        EXPECT_EQ(c.name, c.nameAfter);
    }
}

TEST_F(SystemFiles, GetTempFileNameCreatesAUniqueEmptyFile) {
    std::string path = dir.path();
    std::string first = system.GetTempFileName(path, "tintext");
    std::string second = system.GetTempFileName(path, "tintext");
    EXPECT_NE(first, second);
    for (const auto& name : {first, second}) {
        EXPECT_EQ(name.rfind(dir / "tin", 0), 0u) << name;
        EXPECT_TRUE(std::filesystem::is_regular_file(name));
        EXPECT_EQ(std::filesystem::file_size(name), 0u);
    }

    std::string empty;
    std::string inTemp = system.GetTempFileName(empty);
    EXPECT_FALSE(empty.empty());  // the caller learns the temporary folder
    EXPECT_EQ(inTemp.rfind(empty, 0), 0u);
    EXPECT_TRUE(std::filesystem::is_regular_file(inTemp));
    std::filesystem::remove(inTemp);

    std::string missing = dir / "nofolder";
    EXPECT_EQ(system.GetTempFileName(missing, "x"), "");
}

TEST_F(SystemFiles, CopyFileIfNewerComparesLastModifiedTimes) {
    std::string source = dir.Write("source.txt", "version 1");
    std::string destination = dir / "copy.txt";
    SetModified(source, 1'000'000);
    EXPECT_TRUE(system.CopyFileIfNewer(source, destination));  // no destination yet
    EXPECT_EQ(ReadBytes(destination), "version 1");
    EXPECT_FALSE(system.CopyFileIfNewer(source, destination));  // same time now

    dir.Write("source.txt", "version 2");
    SetModified(source, 1'000'100);
    EXPECT_TRUE(system.CopyFileIfNewer(source, destination));
    EXPECT_EQ(ReadBytes(destination), "version 2");

    dir.Write("source.txt", "version 3");
    SetModified(source, 900'000);  // older than the copy
    EXPECT_FALSE(system.CopyFileIfNewer(source, destination));
    EXPECT_EQ(ReadBytes(destination), "version 2");

    EXPECT_EQ(Raised([&] { system.CopyFileIfNewer(dir / "missing", destination); }).Number(), 53);
}

TEST(FileSystemObject, NamePartsAcceptEitherSeparator) {
    FileSystemObject fso;
    struct Case {
        std::string path, parent, extension;
    } cases[] = {
        {"/home/me/a.asp", "/home/me", "asp"},
        {"C:\\dir\\a.b.HTM", "C:\\dir", "HTM"},
        {"dir/sub.d\\name", "dir/sub.d", ""},
        {"dir/sub/", "dir", ""},
        {"/a.txt", "/", "txt"},
        {"a.txt", "", "txt"},
        {"name.", "", ""},
        {".profile", "", "profile"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fso.GetParentFolderName(c.path), c.parent) << c.path;
        EXPECT_EQ(fso.GetExtensionName(c.path), c.extension) << c.path;
    }
}

TEST(FileSystemObject, FolderQueriesAndErrors) {
    TempFolder dir;
    FileSystemObject fso;
    std::string file = dir.Write("f.txt", "x");
    EXPECT_TRUE(fso.FileExists(file));
    EXPECT_FALSE(fso.FileExists(dir.path()));
    fso.CreateFolder(dir / "new");
    EXPECT_TRUE(fso.FolderExists(dir / "new"));
    EXPECT_EQ(Raised([&] { fso.CreateFolder(dir / "new"); }).Number(), 58);
    EXPECT_EQ(Raised([&] { fso.CreateFolder(dir / "no/new"); }).Number(), 76);
    EXPECT_EQ(Raised([&] { fso.DateLastModified(dir.path()); }).Number(), 53);
    EXPECT_EQ(Raised([&] { fso.CopyFile(file, dir / "g.txt", true); fso.CopyFile(file, dir / "g.txt", false); })
                  .Number(),
              58);
}
