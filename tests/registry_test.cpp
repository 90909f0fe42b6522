#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "scoped_missing_component.h"
#include "support/components.h"
#include "support/registry_store.h"
#include "support/system.h"
#include "temp_folder.h"

using namespace tintext;
namespace fs = std::filesystem;

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override { setenv("TINTEXT_REGISTRY_DIR", folder_.c_str(), 1); }
    void TearDown() override { unsetenv("TINTEXT_REGISTRY_DIR"); }
    std::string StoreFile() const { return folder_ + "/HKEY_CURRENT_USER.reg"; }
    static std::string ReadText(const std::string& path) { return tintext::testing::ReadBytes(path); }
    void WriteStoreFile(const std::string& text) const { std::ofstream(StoreFile(), std::ios::binary) << text; }
    bool StoreFileParses() const {
        RegParseError error;
        return ParseRegText(ReadText(StoreFile()), RegRoot::CurrentUser, error).has_value();
    }

    tintext::testing::TempFolder temp_;
    std::string folder_ = temp_.path();
    System sys_;
};

Bytes AllBytes() {
    Bytes b;
    for (int i = 0; i < 256; ++i) b.push_back(static_cast<uint8_t>(i));
    return b;
}

TEST_F(Registry, EachKindRoundTripsAsItsRegistryType) {
    struct Case {
        const char* name;
        Value written, read;
    } cases[] = {
        {"Plain", Value("plain"), Value("plain")},
        {"Escaped", Value("C:\\dir\\ \"quoted\" \\"), Value("C:\\dir\\ \"quoted\" \\")},
        {"Lines", Value(std::string("a\nb\0c", 5)), Value(std::string("a\nb\0c", 5))},
        {"Unicode", Value("café ☃ 😀"), Value("café ☃ 😀")},
        {"EmptyText", Value(""), Value("")},
        {"Empty", Value(), Value("")},
        {"True", Value(true), Value("True")},
        {"False", Value(false), Value("False")},
        {"Double", Value(2.5), Value("2.5")},
        {"Long", Value(int32_t{10}), Value(int32_t{10})},
        {"Lowest", Value(int32_t{INT32_MIN}), Value(int32_t{INT32_MIN})},
        {"Integer", Value(int16_t{-5}), Value(int32_t{-5})},
        {"Byte", Value(uint8_t{200}), Value(int32_t{200})},
        {"NoBytes", Value(Bytes{}), Value(Bytes{})},
        {"AllBytes", Value(AllBytes()), Value(AllBytes())},
    };
    for (const Case& c : cases) {
        std::string path = std::string("HKEY_CURRENT_USER\\Software\\Test\\") + c.name;
        EXPECT_TRUE(sys_.RegWrite(path, c.written)) << path;
        EXPECT_EQ(sys_.RegRead(path), c.read) << path;
    }
    EXPECT_TRUE(StoreFileParses());
    std::string text = ReadText(StoreFile());
    EXPECT_NE(text.find("\"Plain\"=\"plain\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"Long\"=dword:0000000a\n"), std::string::npos);
    EXPECT_NE(text.find("\"NoBytes\"=hex:\n"), std::string::npos);
}

TEST_F(Registry, PathRules) {
    ASSERT_TRUE(sys_.RegWrite("HKEY_CURRENT_USER\\Software\\Test\\Name", Value("v")));
    ASSERT_TRUE(sys_.RegWrite("HKCU\\Software\\Test\\", Value("default")));
    struct Case {
        const char* path;
        Value expected;
    } cases[] = {
        {"hkcu\\software\\test\\name", Value("v")},
        {"HKEY_current_user\\SOFTWARE\\Test\\NAME", Value("v")},
        {"HKCU\\Software\\Test\\", Value("default")},
        {"HKCU\\Software\\Test", Value::Null()},
        {"HKCU\\Name", Value::Null()},
        {"HKXX\\Software\\Test\\Name", Value::Null()},
        {"HKCU\\Software\\\\Test\\Name", Value::Null()},
        {"HKCU", Value::Null()},
        {"", Value::Null()},
    };
    for (const Case& c : cases) EXPECT_EQ(sys_.RegRead(c.path), c.expected) << c.path;
    EXPECT_FALSE(sys_.RegWrite("HKCU\\Name", Value("x")));
    EXPECT_FALSE(sys_.RegWrite("HKXX\\Software\\Name", Value("x")));
    EXPECT_FALSE(sys_.RegWrite("HKCU\\Software\\Test\\bad\nname", Value("x")));
    std::string text = ReadText(StoreFile());
    EXPECT_NE(text.find("@=\"default\"\n"), std::string::npos);
}

TEST_F(Registry, EveryRootHasItsOwnFileAndShortName) {
    EXPECT_TRUE(sys_.RegWrite("HKUR\\S\\V", Value("users")));
    EXPECT_TRUE(sys_.RegWrite("hklm\\S\\V", Value("machine")));
    EXPECT_TRUE(sys_.RegWrite("HKCR\\S\\V", Value("classes")));
    EXPECT_FALSE(sys_.RegWrite("HKU\\S\\V", Value("no such root")));
    EXPECT_EQ(sys_.RegRead("HKEY_USERS\\S\\V"), Value("users"));
    EXPECT_EQ(sys_.RegRead("HKEY_LOCAL_MACHINE\\S\\V"), Value("machine"));
    EXPECT_EQ(sys_.RegRead("HKEY_CLASSES_ROOT\\S\\V"), Value("classes"));
    EXPECT_TRUE(fs::exists(folder_ + "/HKEY_USERS.reg"));
    EXPECT_FALSE(fs::exists(StoreFile()));
}

TEST_F(Registry, NamesKeepTheCaseOfTheirCreation) {
    ASSERT_TRUE(sys_.RegWrite("HKCU\\Software\\MyKey\\MyValue", Value("1")));
    ASSERT_TRUE(sys_.RegWrite("HKCU\\SOFTWARE\\mykey\\MYVALUE", Value("2")));
    EXPECT_EQ(ReadText(StoreFile()),
              "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n\n"
              "[HKEY_CURRENT_USER\\Software\\MyKey]\n\"MyValue\"=\"2\"\n\n");
}

TEST_F(Registry, OtherTypesReadAsNullAndSurviveWrites) {
    const std::string key =
        "[HKEY_CURRENT_USER\\K]\r\n"
        "\"Expand\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00\r\n"
        "\"Multi\"=hex(7):61,00,00,00,\\\r\n  62,00,00,00,00,00\r\n"
        "\"Short\"=hex(4):01\r\n"
        "; a comment\r\n"
        "\"Number\"=dword:FF\r\n";
    WriteStoreFile("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n" + key);
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\Expand"), Value::Null());
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\Multi"), Value::Null());
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\Short"), Value::Null());
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\Number"), Value(int32_t{255}));
    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\New", Value("x")));
    std::string text = ReadText(StoreFile());
    EXPECT_NE(text.find("\"Expand\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00\n"), std::string::npos);
    EXPECT_NE(text.find("\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"), std::string::npos);
    EXPECT_NE(text.find("\"Short\"=hex(4):01\n"), std::string::npos);
}

TEST_F(Registry, WriteCreatesMissingKeysAndDeleteNeedsWhatItDeletes) {
    ASSERT_TRUE(sys_.RegWrite("HKCU\\A\\B\\C\\V", Value(int32_t{1})));
    std::string text = ReadText(StoreFile());
    for (const char* line : {"[HKEY_CURRENT_USER\\A]\n", "[HKEY_CURRENT_USER\\A\\B]\n", "[HKEY_CURRENT_USER\\A\\B\\C]\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    EXPECT_FALSE(sys_.RegDelete("HKCU\\A\\B\\C\\Missing"));
    EXPECT_FALSE(sys_.RegDelete("HKCU\\A\\Nowhere\\V"));
    EXPECT_TRUE(sys_.RegDelete("HKCU\\a\\b\\c\\v"));
    EXPECT_EQ(sys_.RegRead("HKCU\\A\\B\\C\\V"), Value::Null());
    EXPECT_FALSE(sys_.RegDelete("HKCU\\A\\B\\C\\V"));

    EXPECT_FALSE(sys_.RegDeleteTree("HKCU\\A\\Nowhere"));
    EXPECT_FALSE(sys_.RegDeleteTree("HKCU\\"));  // a whole root is never deleted
    EXPECT_TRUE(sys_.RegDeleteTree("HKCU\\A\\B\\"));
    EXPECT_EQ(sys_.RegReadTree("HKCU\\A\\B"), nullptr);
    ASSERT_NE(sys_.RegReadTree("HKCU\\A"), nullptr);
}

TEST_F(Registry, TreeReadGivesSubkeysFirstThenReadableValues) {
    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\V", Value("value")));
    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\Zeta\\Z", Value(int32_t{7})));
    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\Alpha\\", Value("alpha default")));
    for (const char* path : {"HKCU\\K", "hkcu\\k\\"}) {
        DictionaryRef tree = sys_.RegReadTree(path);
        ASSERT_NE(tree, nullptr) << path;
        ASSERT_EQ(tree->Count(), 3);
        EXPECT_EQ(tree->Name(1), Value("Alpha"));
        EXPECT_EQ(tree->Name(2), Value("Zeta"));
        EXPECT_EQ(tree->Name(3), Value("V"));
        EXPECT_EQ(tree->ItemAt(3), Value("value"));
        auto alpha = tree->ItemAt(1).ObjectAs<Dictionary>();
        ASSERT_NE(alpha, nullptr);
        EXPECT_EQ(alpha->TypeName(), "IDictionary");
        EXPECT_EQ(alpha->Item(Value("")), Value("alpha default"));
        EXPECT_EQ(tree->ItemAt(2).ObjectAs<Dictionary>()->Item(Value("Z")), Value(int32_t{7}));
    }
    EXPECT_EQ(sys_.RegReadTree("HKCU\\Missing"), nullptr);
    EXPECT_EQ(sys_.RegReadTree("HKXX\\K"), nullptr);
    {
        ScopedMissingComponent missing("Ostrand.Dictionary");
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(sys_.RegReadTree("HKCU\\K"), nullptr);
        ::testing::internal::GetCapturedStderr();
        ::testing::internal::GetCapturedStdout();
    }
}

TEST_F(Registry, TreeReadStopsAtAValueTooLargeForTheEnumerationBuffers) {
    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\A", Value("a")));
    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\Big", Value(Bytes(2001, 1))));
    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\C", Value("c")));
    DictionaryRef tree = sys_.RegReadTree("HKCU\\K");
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->Count(), 1);
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\Big").AsBytes().size(), 2001u);
}

TEST_F(Registry, TreeWriteMirrorsTreeRead) {
    auto empty = std::make_shared<Dictionary>("IDictionary");
    EXPECT_TRUE(sys_.RegWriteTree(Value(empty), "HKCU\\Empty"));
    EXPECT_FALSE(fs::exists(StoreFile()));
    EXPECT_FALSE(sys_.RegWriteTree(Value("not a tree"), "HKCU\\X"));

    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\Sub\\N", Value(int32_t{3})));
    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\B", Value(Bytes{1, 2})));
    DictionaryRef tree = sys_.RegReadTree("HKCU\\K");
    ASSERT_TRUE(sys_.RegWriteTree(Value(tree), "HKCU\\Copy"));
    EXPECT_EQ(sys_.RegRead("HKCU\\Copy\\Sub\\N"), Value(int32_t{3}));
    EXPECT_EQ(sys_.RegRead("HKCU\\Copy\\B"), Value(Bytes{1, 2}));

    // The result is that of the last write only.
    auto lastFails = std::make_shared<Dictionary>("IDictionary");
    lastFails->Add(Value("ok"), Value("1"));
    lastFails->Add(Value("bad\nname"), Value("2"));
    EXPECT_FALSE(sys_.RegWriteTree(Value(lastFails), "HKCU\\T"));
    EXPECT_EQ(sys_.RegRead("HKCU\\T\\ok"), Value("1"));
    auto lastWorks = std::make_shared<Dictionary>("IDictionary");
    lastWorks->Add(Value("bad\nname"), Value("2"));
    lastWorks->Add(Value("ok"), Value("1"));
    EXPECT_TRUE(sys_.RegWriteTree(Value(lastWorks), "HKCU\\T"));

    auto cyclic = std::make_shared<Dictionary>("IDictionary");
    cyclic->Add(Value("me"), Value(cyclic));
    cyclic->Add(Value("me too"), Value(cyclic));
    EXPECT_FALSE(sys_.RegWriteTree(Value(cyclic), "HKCU\\Cycle"));
    cyclic->Set(Value("me"), Value());  // break the cycle so the tree can be freed
    cyclic->Set(Value("me too"), Value());
}

TEST_F(Registry, ManyValuesAtOnceReadAndWriteAsOneAtATime) {
    ASSERT_TRUE(sys_.RegWrite("HKLM\\S\\Machine", Value("m")));
    ASSERT_TRUE(sys_.RegWriteValues({{"HKCU\\K\\Text", Value("t")},
                                     {"HKCU\\K\\Sub\\Number", Value(int32_t{7})},
                                     {"HKUR\\S\\User", Value("u")},
                                     {"HKCU\\K\\Text", Value("last wins")}}));
    const std::vector<std::string> paths = {"HKCU\\K\\Text", "HKLM\\S\\Machine", "HKCU\\K\\Absent",
                                            "HKXX\\K\\Text", "HKCU\\K\\Sub\\Number", "HKEY_USERS\\S\\User",
                                            "HKCU\\Name"};
    const std::vector<Value> values = sys_.RegReadValues(paths);
    ASSERT_EQ(values.size(), paths.size());
    EXPECT_EQ(values[0], Value("last wins"));
    EXPECT_EQ(values[1], Value("m"));
    EXPECT_EQ(values[4], Value(int32_t{7}));
    EXPECT_EQ(values[5], Value("u"));
    for (size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(values[i], sys_.RegRead(paths[i])) << paths[i];

    // One invalid path and nothing is written.
    EXPECT_FALSE(sys_.RegWriteValues({{"HKCU\\K\\Text", Value("new")}, {"HKCU\\Name", Value("x")}}));
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\Text"), Value("last wins"));
}

// Writing what is already stored leaves the file as it is: no lock, no rewrite
// (a file in another layout would come back in the store's own).
TEST_F(Registry, WritingStoredValuesAgainWritesNothing) {
    const std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"A\"=\"1\"\r\n\"N\"=dword:00000002\r\n";
    WriteStoreFile(text);
    EXPECT_TRUE(sys_.RegWrite("HKCU\\K\\A", Value("1")));
    EXPECT_TRUE(sys_.RegWriteValues({{"hkcu\\k\\a", Value("1")}, {"HKCU\\K\\N", Value(int32_t{2})}}));
    EXPECT_EQ(ReadText(StoreFile()), text);
    EXPECT_FALSE(fs::exists(StoreFile() + ".lock"));

    // The same text as another type is a change.
    EXPECT_TRUE(sys_.RegWriteValues({{"HKCU\\K\\A", Value("1")}, {"HKCU\\K\\N", Value("2")}}));
    EXPECT_EQ(ReadText(StoreFile()),
              "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\"\n\"N\"=\"2\"\n\n");
}

TEST_F(Registry, ConcurrentWritersLoseNothing) {
    constexpr int kWriters = 4, kValues = 40;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            System sys;
            bool ok = true;
            for (int i = 0; i < kValues; ++i)
                ok = sys.RegWrite("HKCU\\Shared\\W" + std::to_string(w) + "_" + std::to_string(i), Value(int32_t{i})) && ok;
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    // The reader keeps reading until every writer has ended: the pipe's
    // end of file tells it so.
    int writersRunning[2];
    ASSERT_EQ(pipe(writersRunning), 0);
    pid_t reader = fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {  // never sees a half-written file
        close(writersRunning[1]);
        for (pollfd done{writersRunning[0], POLLIN, 0}; poll(&done, 1, 0) == 0;) {
            std::ifstream in(StoreFile(), std::ios::binary);
            if (!in) continue;
            std::stringstream s;
            s << in.rdbuf();
            RegParseError error;
            if (!ParseRegText(s.str(), RegRoot::CurrentUser, error)) _exit(1);
        }
        _exit(0);
    }
    close(writersRunning[0]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer " << pid;
    }
    close(writersRunning[1]);
    int status = 0;
    ASSERT_EQ(waitpid(reader, &status, 0), reader);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the reader saw a damaged file";
    EXPECT_TRUE(StoreFileParses());
    DictionaryRef tree = sys_.RegReadTree("HKCU\\Shared");
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->Count(), kWriters * kValues);
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kValues; ++i)
            EXPECT_EQ(tree->Item(Value("W" + std::to_string(w) + "_" + std::to_string(i))), Value(int32_t{i}));
}

TEST_F(Registry, DamagedFileIsReportedOnceReadAsEmptyAndKeptBeforeReplacing) {
    struct Case {
        std::string text;
        int line;
    } cases[] = {
        {"", 1},
        {"Windows Registry Editor\n", 1},
        {"REGEDIT4\n\n\"A\"=\"1\"\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\"\n\"B\"=\"trunc", 4},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=dword:123456789\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=hex:01,zz\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=hex:01,\\\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n", 2},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\K\n", 2},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\" junk\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\nA=1\n", 3},
    };
    for (const Case& c : cases) {
        RegParseError error;
        EXPECT_FALSE(ParseRegText(c.text, RegRoot::CurrentUser, error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text << ": " << error.reason;
    }

    const std::string damaged = cases[3].text;
    WriteStoreFile(damaged);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\A"), Value::Null());
    std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find(StoreFile() + ", line 4"), std::string::npos) << told;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\A"), Value::Null());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(sys_.RegDelete("HKCU\\K\\A"));  // nothing to write: the file stays as it is
    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\New", Value("x")));
    told = ::testing::internal::GetCapturedStderr();
    std::vector<fs::path> copies;
    for (const auto& entry : fs::directory_iterator(folder_))
        if (entry.path().filename().string().rfind("HKEY_CURRENT_USER.reg.corrupt-", 0) == 0) copies.push_back(entry.path());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(ReadText(copies[0]), damaged);
    EXPECT_NE(told.find(copies[0].string()), std::string::npos) << told;
    EXPECT_TRUE(StoreFileParses());
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\New"), Value("x"));
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\A"), Value::Null());
}

TEST_F(Registry, StoreFileKeptAsALinkStaysALink) {
    std::string target = folder_ + "/elsewhere.reg";
    std::ofstream(target) << "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"Old\"=\"1\"\n";
    fs::create_symlink(target, StoreFile());
    ASSERT_TRUE(sys_.RegWrite("HKCU\\K\\New", Value("2")));
    EXPECT_TRUE(fs::is_symlink(StoreFile()));
    EXPECT_NE(ReadText(target).find("\"Old\"=\"1\"\n\"New\"=\"2\"\n"), std::string::npos);
}

TEST_F(Registry, UnreadableFolderFailsWithoutRaising) {
    setenv("TINTEXT_REGISTRY_DIR", "/proc/no-such/registry", 1);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(sys_.RegWrite("HKCU\\K\\V", Value("x")));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("/proc/no-such/registry"), std::string::npos);
    EXPECT_EQ(sys_.RegRead("HKCU\\K\\V"), Value::Null());
}

}  // namespace
