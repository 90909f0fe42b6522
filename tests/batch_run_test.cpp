// The batch run in process: parsed command lines reach the job with the
// tolerant conversions, and the stored ShowOutput setting is honoured.
#include "app/batch_run.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>

#include "app/settings.h"
#include "app/startup.h"
#include "digits_definition.h"
#include "recording_environment.h"
#include "support/job_environment.h"
#include "support/program_info.h"
#include "support/system.h"

using namespace tintext;
namespace fs = std::filesystem;
using tintext::testing::Files;
using tintext::testing::kDigitsHld;
using tintext::testing::kDigitsOut;

namespace {

class BatchRunTest : public ::testing::Test {
protected:
    // The settings store reads its folder once: one folder for the whole suite.
    static inline std::unique_ptr<Files> dir;
    RecordingEnvironment env;
    ScopedEnv scoped{env};

    static void SetUpTestSuite() {
        dir = std::make_unique<Files>();
        setenv("TINTEXT_REGISTRY_DIR", P("registry").c_str(), 1);
        fs::create_directories(P("registry"));
        dir->Put("defs/digits.hld", kDigitsHld);
        dir->Put("a b.asp", "a 12");
    }
    static void TearDownTestSuite() {
        unsetenv("TINTEXT_REGISTRY_DIR");
        dir.reset();
    }
    void SetUp() override {
        SetShowOutputPreference(1);
        fs::remove(P("o.htm"));
    }

    static std::string P(const std::string& name) { return dir->P(name); }
    static std::string Read(const std::string& name) { return dir->Get(name); }
    // A command line naming the test's files (quoted: the folder may hold blanks).
    static std::string Command(const std::string& extra) {
        return "/in=\"" + P("a b.asp") + "\" /out=\"" + P("o.htm") + "\" /hld=digits.hld /hldfolder=\"" + P("defs") +
               "\" " + extra;
    }
    JobOutcome Batch(const std::string& extra) { return RunBatch(System().ParseCommandline(Command(extra))); }
};

TEST_F(BatchRunTest, ShowOutputOption) {
    const std::pair<const char*, bool> cases[] = {
        {"", true},          {"/showoutput", true},        {"/showoutput=1", true},
        {"/showoutput=true", true}, {"/showoutput=0", false}, {"/showoutput=false", false},
        {"/showoutput=no", false},
    };
    for (const auto& [option, opened] : cases) {
        SCOPED_TRACE(option);
        env.opened.clear();
        EXPECT_EQ(Batch(std::string("/overwrite=1 ") + option), JobOutcome::Written);
        EXPECT_EQ(env.opened.size(), opened ? 1u : 0u);
    }
    EXPECT_EQ(Read("o.htm"), kDigitsOut);
}

TEST_F(BatchRunTest, OverwriteAndDosTextAreReadAsNumbers) {
    dir->Put("o.htm", "old");
    struct Case {
        const char* options;
        size_t questions;
        bool replaced;
    };
    const Case cases[] = {
        {"/overwrite", 0, false},       {"/overwrite=abc", 0, false}, {"/overwrite=2", 1, false},
        {"/overwrite=\" 1 \"", 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        env.messages.clear();
        EXPECT_EQ(Batch(std::string(c.options) + " /showoutput=0"), c.replaced ? JobOutcome::Written : JobOutcome::NotWritten);
        size_t asked = 0;
        for (const auto& m : env.messages) asked += m.buttons == MsgButtons::YesNo;
        EXPECT_EQ(asked, c.questions);
        EXPECT_EQ(Read("o.htm") == "old", !c.replaced);
    }
}

TEST_F(BatchRunTest, StoredShowOutputDecides) {
    for (const auto& [stored, opened] : {std::pair<const char*, bool>{"0", false}, {"2", true}, {"1", true}}) {
        SCOPED_TRACE(stored);
        WriteSetting(kCompanyName, kProgramTitle, "Settings", "ShowOutput", stored);
        env.opened.clear();
        EXPECT_EQ(RunProgram(Command("/overwrite=1 /showoutput=1")), 0);
        EXPECT_EQ(env.opened.size(), opened ? 1u : 0u);
        // Written back as read.
        EXPECT_EQ(ReadSetting(kCompanyName, kProgramTitle, "Settings", "ShowOutput", ""), stored);
    }
}

}  // namespace
