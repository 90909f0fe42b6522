#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include "test_prelude.h"

#include "support/file_io.h"
#include "support/file_system_object.h"
#include "support/system.h"

namespace {

size_t EntriesIn(const std::string& folder) {
    return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
}

class SystemFiles : public ::testing::Test {
protected:
    TempFolder dir;
    System system;
};

}  // namespace

TEST_F(SystemFiles, ReadAndWriteErrorsKeepNumberAndSourceAndExplainThemselves) {
    for (const auto& row : tintext::testing::ReadRows("file_errors.tsv")) {
        SCOPED_TRACE(row.where);
        const bool write = row[0] == "write";
        const std::string path = row[1].empty() ? "" : row[1] == "." ? dir.path() : dir / row[1];
        Error e = Raised([&] { write ? system.WriteFileFromString(path, "x") : (void)system.ReadFileToString(path); });
        Error raw = Raised([&] { write ? system.WriteFile(path, {1}) : (void)system.ReadFile(path); });
        EXPECT_EQ(e.Number(), std::stoi(row[2]));
        EXPECT_EQ(raw.Number(), std::stoi(row[2]));
        const std::string reason = "\r\n\r\nReason: " + row[3];
        if (write) {
            EXPECT_EQ(e.Source() + " " + raw.Source(), "Ostrand.System->WriteFileFromString Ostrand.System->WriteFile");
            EXPECT_EQ(e.Description(), "Error writing the file " + path + reason);
            EXPECT_EQ(raw.Description(), "Error writing the file " + path + reason + "\r\nHint: Write the file");
        } else {
            EXPECT_EQ(e.Source(), "Ostrand.System->ReadFile");
            EXPECT_EQ(e.Description(),
                      "Error reading the file " + path + ". Please check that file name and path are valid." + reason);
            EXPECT_EQ(raw.Description(), row[3].substr(0, row[3].find('\r')));
        }
    }
}

TEST_F(SystemFiles, WritingStoresTheContentByteForByteWithNoLineBreakAdded) {
    const std::string content = std::string("bad \xE9 utf-8\0 and \xC3", 19);
    std::string file = dir / "out.bin";
    system.WriteFileFromString(file, content);
    EXPECT_EQ(ReadBytes(file), content);
    system.WriteFileFromString(file, "short");
    EXPECT_EQ(ReadBytes(file), "short");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);  // no temporary left behind
    system.WriteFile(file, {0, 1, 0xFF});
    EXPECT_EQ(system.ReadFile(file), (Bytes{0, 1, 0xFF}));
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

TEST_F(SystemFiles, NamesAndExistenceGiveTheTabledResults) {
    dir.Write("a.txt", "");
    dir.Write("b[1].log", "");
    dir.Write(".hidden", "");
    std::filesystem::create_directory(dir / "folder.txt");
    std::filesystem::create_directory(dir / "sub");
    FileSystemObject fso;
    for (const auto& row : tintext::testing::ReadRows("file_names.txt")) {
        auto f = row.fields;
        if (f[0].ends_with("Exists")) {
            const std::string path = f[1].empty() ? "" : dir / f[1];
            EXPECT_EQ(f[0] == "Exists" ? system.FileExists(path) : system.FolderExists(path), f[2].starts_with("found"))
                << row.where;
        } else if (f[0] == "Parts") {
            EXPECT_EQ(fso.GetParentFolderName(f[1]), f[2]) << row.where;
            EXPECT_EQ(fso.GetExtensionName(f[1]), f[3]) << row.where;
        } else {
            EXPECT_EQ(system.ValidFileName(f[2], f[1] == "path"), f[3]) << row.where;
            EXPECT_EQ(f[2], f[4]) << row.where;
        }
    }
}

TEST_F(SystemFiles, MkDirExCreatesEveryMissingFolderAndReportsTheOneItCouldNot) {
    system.MkDirEx(dir.path() + "\\x\\y\\");
    system.MkDirEx(dir / "x//y/d/");  // existing parts and doubled separators are fine
    EXPECT_TRUE(std::filesystem::is_directory(dir / "x/y/d"));
    dir.Write("file", "");
    Error e = Raised([&] { system.MkDirEx(dir / "file/sub"); });
    EXPECT_EQ(e.Number(), 1000);
    EXPECT_EQ(e.Source(), "Ostrand.System->MkDirEx");
    EXPECT_EQ(e.Description(),
              "Error creating the directory \"" + dir.path() + "/file/\"\r\nError: 58\r\nReason: File already exists");
}

TEST_F(SystemFiles, GetTempFileNameCreatesAUniqueEmptyFile) {
    std::string path = dir.path(), empty, missing = dir / "nofolder";
    std::string first = system.GetTempFileName(path, "tintext");
    EXPECT_NE(first, system.GetTempFileName(path, "tintext"));
    EXPECT_EQ(first.rfind(dir / "tin", 0), 0u) << first;
    EXPECT_EQ(std::filesystem::file_size(first), 0u);
    std::string inTemp = system.GetTempFileName(empty);
    EXPECT_EQ(inTemp.rfind(empty, 0), 0u) << "the caller learns the temporary folder: " << empty;
    std::filesystem::remove(inTemp);
    EXPECT_EQ(system.GetTempFileName(missing, "x"), "");
}

TEST_F(SystemFiles, CopyFileIfNewerCopiesOnlyOverAnOlderOrMissingFile) {
    std::string source = dir.Write("source.txt", "version 1"), destination = dir / "copy.txt";
    auto Modified = [&](time_t seconds) {
        struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ::utimensat(AT_FDCWD, source.c_str(), times, 0);
    };
    Modified(1'000'000);
    EXPECT_TRUE(system.CopyFileIfNewer(source, destination));
    EXPECT_FALSE(system.CopyFileIfNewer(source, destination));  // same time now
    dir.Write("source.txt", "version 2");
    Modified(1'000'100);
    EXPECT_TRUE(system.CopyFileIfNewer(source, destination));
    EXPECT_EQ(ReadBytes(destination), "version 2");
    Modified(900'000);
    EXPECT_FALSE(system.CopyFileIfNewer(source, destination));
    EXPECT_EQ(Raised([&] { system.CopyFileIfNewer(dir / "missing", destination); }).Number(), 53);
}

TEST(FileSystemObject, FolderQueriesAndErrors) {
    TempFolder dir;
    FileSystemObject fso;
    std::string file = dir.Write("f.txt", "x");
    EXPECT_TRUE(fso.FileExists(file));
    EXPECT_FALSE(fso.FileExists(dir.path()));
    fso.CreateFolder(dir / "new");
    EXPECT_EQ(Raised([&] { fso.CreateFolder(dir / "new"); }).Number(), 58);
    EXPECT_EQ(Raised([&] { fso.CreateFolder(dir / "no/new"); }).Number(), 76);
    EXPECT_EQ(Raised([&] { fso.DateLastModified(dir.path()); }).Number(), 53);
    fso.CopyFile(file, dir / "g.txt", true);
    EXPECT_EQ(Raised([&] { fso.CopyFile(file, dir / "g.txt", false); }).Number(), 58);
}
