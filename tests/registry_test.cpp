#include "test_prelude.h"
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "support/registry_store.h"
#include "support/system.h"
#include "typed_value.h"

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override { setenv("TINTEXT_REGISTRY_DIR", folder_.c_str(), 1); }
    void TearDown() override { unsetenv("TINTEXT_REGISTRY_DIR"); }
    std::string StoreFile() const { return folder_ + "/HKEY_CURRENT_USER.reg"; }
    void WriteStoreFile(const std::string& text) const { std::ofstream(StoreFile(), std::ios::binary) << text; }
    static bool Parses(const std::string& text) {
        RegParseError error;
        return ParseRegText(text, RegRoot::CurrentUser, error).has_value();
    }
    bool StoreHas(const std::string& line) const { return ReadBytes(StoreFile()).find(line) != std::string::npos; }

    tintext::testing::TempFolder temp_;
    std::string folder_ = temp_.path();
    System sys_;
};

TEST_F(Registry, ValuesAndPathsAsTheTableHasThem) {
    for (const auto& row : tintext::testing::ReadRows("registry_values.tsv")) {
        if (row[0] == "write") {
            EXPECT_EQ(sys_.RegWrite(row[1], Typed(row[2])), row[3] == "ok") << row.where;
        } else {
            EXPECT_EQ(sys_.RegRead(row[1]), Typed(row[2])) << row.where;
        }
    }
    EXPECT_TRUE(Parses(ReadBytes(StoreFile())));
    for (const char* line : {"\"Plain\"=\"plain\"\n", "\"Long\"=dword:0000000a\n", "\"NoBytes\"=hex:\n", "\"Lines\"=hex(1):",
                             "@=\"default\"\n",
                             "[HKEY_CURRENT_USER\\Software\\MyKey]\n\"MyValue\"=\"2\"\n"})
        EXPECT_TRUE(StoreHas(line)) << line;
}

TEST_F(Registry, OtherTypesReadAsNullAndSurviveWrites) {
    WriteStoreFile("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n"
                   "\"Expand\"=hex(2):25,00,48,00,00,00\r\n\"Multi\"=hex(7):61,00,00,00,\\\r\n  62,00,00,00,00,00\r\n"
                   "; a comment\r\n\"Number\"=dword:FF\r\n");
    EXPECT_EQ(sys_.RegReadValues({"HKCU\\K\\Expand", "HKCU\\K\\Multi", "HKCU\\K\\Number"}),
              (std::vector<Value>{Value::Null(), Value::Null(), Value(int32_t{255})}));
    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\New", Value("x")));
    EXPECT_TRUE(StoreHas("\"Expand\"=hex(2):25,00,48,00,00,00\n"));
    EXPECT_TRUE(StoreHas("\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"));
}

// A tree read gives subkeys first, then values; a tree written back is the same tree.
TEST_F(Registry, TreesCopyAndDeletesRemoveWhatTheyName) {
    ASSERT_TRUE(sys_.RegWriteValues({{"HKCU\\K\\V", Value("value")}, {"HKCU\\K\\Zeta\\Z", Value(int32_t{7})},
                                     {"HKCU\\K\\Alpha\\", Value("alpha")}}));
    DictionaryRef tree = sys_.RegReadTree("hkcu\\k\\");
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->Keys(), (std::vector<Value>{Value("Alpha"), Value("Zeta"), Value("V")}));
    ASSERT_TRUE(sys_.RegWriteTree(Value(tree), "HKCU\\Copy"));
    EXPECT_EQ(sys_.RegReadValues({"HKCU\\Copy\\Alpha\\", "HKCU\\Copy\\Zeta\\Z", "HKCU\\Copy\\V"}),
              (std::vector<Value>{Value("alpha"), Value(int32_t{7}), Value("value")}));
    tree->Add(Value("me"), Value(tree));
    EXPECT_FALSE(sys_.RegWriteTree(Value(tree), "HKCU\\Cycle"));  // a tree that holds itself has no end
    tree->Set(Value("me"), Value());                               // so that it can be freed
    EXPECT_TRUE(sys_.RegDelete("hkcu\\k\\v"));
    EXPECT_FALSE(sys_.RegDeleteTree("HKCU\\"));  // a whole root is never deleted
    EXPECT_TRUE(sys_.RegDeleteTree("HKCU\\K\\Zeta\\"));
    EXPECT_EQ(sys_.RegReadValues({"HKCU\\K\\V", "HKCU\\K\\Zeta\\Z", "HKCU\\K\\Alpha\\"}),
              (std::vector<Value>{Value::Null(), Value::Null(), Value("alpha")}));
}

TEST_F(Registry, ManyValuesAtOnceReadAndWriteAsOneAtATimeEachRootInItsOwnFile) {
    ASSERT_TRUE(sys_.RegWrite("hklm\\S\\Machine", Value("m")));
    ASSERT_TRUE(sys_.RegWriteValues({{"HKUR\\K\\Text", Value("t")}, {"HKCR\\S\\Class", Value("c")},
                                     {"HKUR\\K\\Text", Value("last wins")}}));
    EXPECT_EQ(sys_.RegReadValues({"HKEY_USERS\\K\\Text", "HKEY_LOCAL_MACHINE\\S\\Machine", "HKUR\\K\\Absent",
                                  "HKXX\\K\\Text", "HKEY_CLASSES_ROOT\\S\\Class"}),
              (std::vector<Value>{Value("last wins"), Value("m"), Value::Null(), Value::Null(), Value("c")}));
    EXPECT_TRUE(fs::exists(folder_ + "/HKEY_USERS.reg"));
    EXPECT_FALSE(fs::exists(StoreFile()));
    // One invalid path and nothing is written.
    EXPECT_FALSE(sys_.RegWriteValues({{"HKUR\\K\\Text", Value("new")}, {"HKCU\\Name", Value("x")}}));
    EXPECT_EQ(sys_.RegRead("HKUR\\K\\Text"), Value("last wins"));
}

// Writing what is already stored leaves the file as it is: no lock, no rewrite
// (a file in another layout would come back in the store's own).
TEST_F(Registry, WritingStoredValuesAgainWritesNothing) {
    const std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"A\"=\"1\"\r\n\"N\"=dword:00000002\r\n";
    WriteStoreFile(text);
    EXPECT_TRUE(sys_.RegWriteValues({{"hkcu\\k\\a", Value("1")}, {"HKCU\\K\\N", Value(int32_t{2})}}));
    EXPECT_EQ(ReadBytes(StoreFile()), text);
    EXPECT_FALSE(fs::exists(StoreFile() + ".lock"));
    // The same text as another type is a change.
    EXPECT_TRUE(sys_.RegWriteValues({{"HKCU\\K\\A", Value("1")}, {"HKCU\\K\\N", Value("2")}}));
    EXPECT_EQ(ReadBytes(StoreFile()),
              "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\"\n\"N\"=\"2\"\n\n");
}

TEST_F(Registry, ConcurrentWritersLoseNothingAndAReaderNeverSeesAHalfWrittenFile) {
    constexpr int kWriters = 4, kValues = 40;
    auto Name = [](int w, int i) { return "W" + std::to_string(w) + "_" + std::to_string(i); };
    int writersRunning[2];  // its end of file tells the reader that every writer has ended
    ASSERT_EQ(pipe(writersRunning), 0);
    std::vector<pid_t> children;
    for (int w = 0; w <= kWriters; ++w) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0 && w == kWriters) {  // the reader
            close(writersRunning[1]);
            for (pollfd done{writersRunning[0], POLLIN, 0}; poll(&done, 1, 0) == 0;)
                if (std::ifstream in(StoreFile()); in && !Parses(ReadBytes(StoreFile()))) _exit(1);
            _exit(0);
        }
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < kValues; ++i) ok = System().RegWrite("HKCU\\Shared\\" + Name(w, i), Value(int32_t{i})) && ok;
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    close(writersRunning[0]);
    for (size_t c = 0; c < children.size(); ++c) {
        if (c == children.size() - 1) close(writersRunning[1]);
        int status = 0;
        ASSERT_EQ(waitpid(children[c], &status, 0), children[c]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << (c < kWriters ? "writer failed" : "reader saw damage");
    }
    DictionaryRef tree = sys_.RegReadTree("HKCU\\Shared");
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->Count(), kWriters * kValues);
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kValues; ++i) EXPECT_EQ(tree->Item(Value(Name(w, i))), Value(int32_t{i}));
}

TEST_F(Registry, DamagedFileIsReportedOnceReadAsEmptyAndKeptBeforeReplacing) {
    for (const auto& row : tintext::testing::ReadRows("registry_damaged.txt")) {
        RegParseError error;
        EXPECT_FALSE(ParseRegText(row.fields[0], RegRoot::CurrentUser, error)) << row.where;
        EXPECT_EQ(error.line, std::stoi(row.fields[1])) << row.where << ": " << error.reason;
    }
    const std::string damaged = "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\"\n\"B\"=\"trunc";
    WriteStoreFile(damaged);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\A"), Value::Null());
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\A"), Value::Null());
    EXPECT_FALSE(sys_.RegDelete("HKCU\\K\\A"));  // nothing to write: the file stays as it is
    std::string told = ::testing::internal::GetCapturedStderr();
    const std::string report = "tintext: registry file " + StoreFile() + ", line 4: ";
    EXPECT_EQ(told.find(report), 0u) << told;
    EXPECT_EQ(told.find(report, 1), std::string::npos) << "reported twice: " << told;
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\New", Value("x")));
    told = ::testing::internal::GetCapturedStderr();
    std::vector<fs::path> copies;
    for (const auto& entry : fs::directory_iterator(folder_))
        if (entry.path().filename().string().starts_with("HKEY_CURRENT_USER.reg.corrupt-")) copies.push_back(entry.path());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(ReadBytes(copies[0]), damaged);
    EXPECT_NE(told.find(copies[0].string()), std::string::npos) << told;
    EXPECT_EQ(sys_.RegReadValues({"HKCU\\K\\New", "HKCU\\K\\A"}), (std::vector<Value>{Value("x"), Value::Null()}));
}

TEST_F(Registry, StoreFileKeptAsALinkStaysALink) {
    std::string target = folder_ + "/elsewhere.reg";
    std::ofstream(target) << "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"Old\"=\"1\"\n";
    fs::create_symlink(target, StoreFile());
    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\New", Value("2")));
    EXPECT_TRUE(fs::is_symlink(StoreFile()));
    EXPECT_NE(ReadBytes(target).find("\"Old\"=\"1\"\n\"New\"=\"2\"\n"), std::string::npos);
}

TEST_F(Registry, UnreadableFolderFailsWithoutRaising) {
    setenv("TINTEXT_REGISTRY_DIR", "/proc/no-such/registry", 1);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(sys_.RegWrite("HKCU\\K\\V", Value("x")));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("/proc/no-such/registry"), std::string::npos);
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\V"), Value::Null());
}

}  // namespace
