// The batch run in process: parsed command lines reach the job with the
// tolerant conversions; whether the output is opened depends on the front
// end and, without a terminal, on the stored ShowOutput setting.
#include "app/batch_run.h"

#include "test_prelude.h"
#include <stdlib.h>

#include <memory>

#include "app/startup.h"
#include "digits_definition.h"
#include "support/job_environment.h"
#include "support/system.h"

namespace {

class BatchRunTest : public ::testing::Test {
protected:
    // The settings store reads its folder once: one folder for the whole suite.
    static inline std::unique_ptr<Files> dir;
    RecordingEnvironment env;
    int32_t storedShowOutput = 1;  // the ShowOutput setting as read at start-up

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
    void SetUp() override { fs::remove(P("o.htm")); }

    static std::string P(const std::string& name) { return dir->P(name); }
};

TEST_F(BatchRunTest, ShowOutputAndOverwriteByFrontEnd) {
    for (const tintext::testing::Row& row : tintext::testing::ReadRows("batch_options.tsv")) {
        SCOPED_TRACE(row.where);
        dir->Put("o.htm", "old");
        env.opened.clear();
        env.messages.clear();
        storedShowOutput = row[5].empty() ? 1 : std::stoi(row[5]);
        // The names quoted: the folder may hold blanks.
        const std::string command = "/in=\"" + P("a b.asp") + "\" /out=\"" + P("o.htm") +
                                    "\" /hld=digits.hld /hldfolder=\"" + P("defs") + "\" " + row[0];
        const JobOutcome outcome = RunBatch(*System().ParseCommandline(command),
                                            row[1] == "terminal" ? BatchFrontEnd::Terminal : BatchFrontEnd::Dialogs,
                                            {env, [this] { return storedShowOutput; }});
        EXPECT_EQ(outcome == JobOutcome::Written ? "written" : "kept", row[2]);
        const std::string output = dir->Get("o.htm");
        EXPECT_EQ(output == kDigitsOut ? "written" : output == "old" ? "kept" : output, row[2]);
        EXPECT_EQ(env.opened.empty() ? "no" : env.opened == std::vector<std::string>{P("o.htm")} ? "yes" : "?", row[3]);
        size_t asked = 0;
        for (const auto& m : env.messages) asked += m.buttons == MsgButtons::YesNo;
        EXPECT_EQ(std::to_string(asked), row[4]);
    }
}

// Under the dialogs (no terminal environment given) a usage error is a
// message box, and nothing is converted.
TEST_F(BatchRunTest, UsageErrorsWithoutATerminalAreAMessageBox) {
    EXPECT_EQ(RunProgram({"/in=" + P("a b.asp"), "/out=" + P("o.htm"), "/lang=nonesuch", "--out"}, env), 2);
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_EQ(env.messages[0].text.find("the option --out needs a value"), 0u) << env.messages[0].text;
    EXPECT_NE(env.messages[0].text.find("\r\nno language \"nonesuch\" (/lang)"), std::string::npos)
        << env.messages[0].text;
    EXPECT_FALSE(fs::exists(P("o.htm")));
}

TEST_F(BatchRunTest, DefaultOutputName) {
    for (const tintext::testing::Row& row : tintext::testing::ReadRows("default_output_names.tsv"))
        EXPECT_EQ(DefaultOutputName(row[0]), row[1]) << row.where;
}

}  // namespace
