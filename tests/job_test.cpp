// The conversion job through the recording environment, with real files:
// the cases of tests/data/job.cases, and those a table cannot set up.
#include "engine/job.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>

#include "case_file.h"
#include "digits_definition.h"
#include "recording_environment.h"
#include "scoped_variable.h"
#include "support/components.h"
#include "support/error.h"
#include "support/program_info.h"
#include "support/strings2_component.h"

using namespace tintext;
using namespace tintext::testing;
namespace fs = std::filesystem;

namespace {

class JobTest : public ::testing::Test {
protected:
    Files dir;
    // The user's own definitions folder, empty unless a test fills it.
    ScopedVariable userData{"XDG_DATA_HOME", dir.P("data")};
    RecordingEnvironment env;
    int32_t preference = 1;  // the main dialog's show-output check box
    JobServices services{env, [this] { return preference; }};

    void SetUp() override {
        dir.Put("defs/digits.hld", kDigitsHld);
        dir.Put("in.txt", "a 12");
    }
    void TearDown() override {
        SetProgramFolder("");
        ResetComponents();
    }

    std::string P(const std::string& name) const { return dir.P(name); }

    JobRequest Request(const std::string& in, const std::string& out, int32_t mode = 0, bool show = false,
                       int32_t dostext = 0) const {
        JobRequest request;
        request.inputfilename = P(in);
        request.destfile = P(out);
        request.hldfile = "digits.hld";
        request.hldfolder = Value(P("defs"));
        request.overwritemode = mode;
        request.showoutput = show;
        request.dostext = dostext;
        return request;
    }

    // A new job's view of the environment (it cannot be assigned: the cancel flag is atomic).
    void Fresh() {
        std::destroy_at(&env);
        std::construct_at(&env);
    }

    std::string Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        std::string joined;
        for (const std::string& name : names) joined += (joined.empty() ? "" : " ") + name;
        return joined;
    }
};

// ---- the table ----

class JobCase : public JobTest {
public:
    void TestBody() override {}
    void Prepare() { SetUp(); }
    void Finish() { TearDown(); }
    using JobTest::Fresh;

    std::string Substituted(std::string text) const {
        const std::pair<std::string, std::string> names[] = {
            {"$DIGITS_HLD", kDigitsHld}, {"$DIGITS_OUT", kDigitsOut}, {"$DIR", dir.path()}};
        for (const auto& [name, value] : names)
            for (size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), value);
        return text;
    }

    // "key: value", "key:" or "key" (comments and blank lines are skipped by the callers).
    std::pair<std::string, std::string> KeyAndValue(const std::string& line) const {
        const size_t colon = line.find(':');
        if (colon == std::string::npos) return {line, ""};
        const size_t start = std::min(line.size(), colon + 2);
        return {line.substr(0, colon), Substituted(DecodeField(line.substr(start)))};
    }

    // One line of a case's set-up.
    void Act(const std::string& line) {
        if (line.empty() || line[0] == '#') return;
        const auto [key, value] = KeyAndValue(line);
        if (key.starts_with("file ")) {
            dir.Put(key.substr(5), value);
        } else if (key == "folder") {
            fs::create_directories(P(value));
        } else if (key.starts_with("symlink ")) {
            fs::create_symlink(value, P(key.substr(8)));
        } else if (key.starts_with("hardlink ")) {
            fs::create_hard_link(value, P(key.substr(9)));
        } else if (key == "remove") {
            fs::remove(P(value));
        } else if (key == "program folder") {
            SetProgramFolder(value);
        } else if (key == "answers") {
            std::istringstream words(value);
            for (std::string word; words >> word;) env.answers.push_back(word == "Yes" ? MsgResult::Yes : MsgResult::No);
        } else if (key == "preference") {
            preference = std::stoi(value);
        } else if (key == "cancel at pump") {
            env.cancelAfterDoEvents = std::stol(value);
        } else if (key == "opener fails") {
            env.openFails = value;
        } else if (key == "keep the part") {
            keepThePart = value == "yes";
        } else if (key == "cancel pressed before") {
            env.cancelRequested = true;
        } else if (key.starts_with("meanwhile ")) {
            const std::string name = key.substr(10);
            env.onDoEvents = [this, name, value] {
                if (!dir.Has(name)) dir.Put(name, value);
            };
        } else if (key == "run") {
            Run(value);
        } else {
            ADD_FAILURE() << "unknown action: " << line;
        }
    }

    // "run: in=NAME out=NAME hld=NAME folder=PATH mode=N show=1 dostext=1":
    // names of files are in the case's folder; left out, in.txt, out.htm,
    // digits.hld and the folder defs.
    void Run(const std::string& arguments) {
        JobRequest request = Request("in.txt", "out.htm");
        if (keepThePart) {
            request.keepPartialOutput = [this] {
                ++askedToKeep;
                return *keepThePart;
            };
        }
        std::istringstream words(arguments);
        for (std::string word; words >> word;) {
            const std::string name = word.substr(0, word.find('=')), value = word.substr(word.find('=') + 1);
            if (name == "in") request.inputfilename = value.empty() || value[0] == '/' ? value : P(value);
            else if (name == "out") request.destfile = value.empty() || value[0] == '/' ? value : P(value);
            else if (name == "hld") request.hldfile = value;
            else if (name == "folder") request.hldfolder = Value(value);
            else if (name == "mode") request.overwritemode = std::stoi(value);
            else if (name == "show") request.showoutput = value == "1";
            else if (name == "dostext") request.dostext = std::stoi(value);
            else ADD_FAILURE() << "unknown argument: " << word;
        }
        outcome = Process(request, services);
    }

    // The expectations of a step. Every message must be listed, in order,
    // as "title|icon|buttons|text" (icon ! or i; "..." stands for any text);
    // the input and the definition are never changed.
    void Check(const std::string& expectations) {
        std::vector<std::string> messages, opened;
        std::istringstream lines(expectations);
        for (std::string line; std::getline(lines, line);) {
            if (line.empty() || line[0] == '#') continue;
            const auto [key, value] = KeyAndValue(line);
            if (key == "outcome") {
                static const char* const kNames[] = {"Written", "NotWritten", "Cancelled"};
                EXPECT_EQ(kNames[static_cast<int>(outcome)], value);
            } else if (key == "message") {
                messages.push_back(value);
            } else if (key == "opened") {
                opened.push_back(P(value));
            } else if (key.starts_with("file ")) {
                ASSERT_TRUE(dir.Has(key.substr(5))) << key;
                EXPECT_TRUE(Like(dir.Get(key.substr(5)), value)) << key << ": " << dir.Get(key.substr(5));
            } else if (key == "no file") {
                EXPECT_FALSE(dir.Has(value)) << value;
            } else if (key == "folder") {
                EXPECT_TRUE(fs::is_directory(P(value))) << value;
            } else if (key == "calls") {
                std::string calls;
                for (const std::string& call : env.calls) calls += (calls.empty() ? "" : ", ") + call;
                EXPECT_TRUE(Like(calls, value)) << "calls: " << calls;
            } else if (key == "entries") {
                EXPECT_EQ(Entries(), value);
            } else if (key == "asked to keep the part") {
                EXPECT_EQ(std::to_string(askedToKeep), value);
            } else {
                ADD_FAILURE() << "unknown expectation: " << line;
            }
        }
        EXPECT_EQ(env.messages.size(), messages.size());
        for (size_t i = 0; i < env.messages.size() && i < messages.size(); ++i) {
            const RecordedMessage& m = env.messages[i];
            const std::string shown = m.title + (m.icon == MsgIcon::Exclamation ? "|!|" : "|i|") +
                                      (m.buttons == MsgButtons::YesNo ? "YesNo|" : "Ok|") + m.text;
            EXPECT_TRUE(Like(shown, messages[i])) << "message: " << shown;
        }
        EXPECT_EQ(env.opened, opened);
        EXPECT_EQ(dir.Get("in.txt"), "a 12");
        EXPECT_EQ(dir.Get("defs/digits.hld"), kDigitsHld);
    }

    JobOutcome outcome = JobOutcome::NotWritten;
    std::optional<bool> keepThePart;  // the answer when a cancelled job asks; unset: the request cannot ask
    int askedToKeep = 0;
};

TEST(JobCases, EachCase) {
    for (const Block& c : ReadBlocks("job.cases")) {
        SCOPED_TRACE(c.where + " " + c.title);
        JobCase job;
        job.Prepare();
        for (size_t part = 0; part + 1 < c.parts.size(); part += 2) {
            job.Fresh();
            std::istringstream actions(c.rawParts[part]);
            for (std::string line; std::getline(actions, line);) job.Act(line);
            job.Check(c.rawParts[part + 1]);
        }
        job.Finish();
    }
}

TEST(JobCases, DefaultDefinitionByExtension) {
    for (const Row& row : ReadRows("default_definitions.tsv")) EXPECT_EQ(GetHLD(Value(row[0])), row[1]) << row.where;
}

// ---- what a table cannot set up ----

TEST_F(JobTest, ProgressDisplayIsResetAndEventsRun) {
    env.progressValue = 3;
    EXPECT_EQ(Process(Request("in.txt", "out.htm"), services), JobOutcome::Written);
    EXPECT_GE(env.doEventsCount, 1);
    EXPECT_EQ(env.progressValue, 0);
}

TEST_F(JobTest, DosTextWithoutItsConversionComponent) {
    // The job's System object takes the first one; the conversion asks for the second.
    int created = 0;
    RegisterComponent("Ostrand.Strings2", [&created]() -> ObjectRef {
        return created++ == 1 ? nullptr : std::make_shared<Strings2>();
    });
    EXPECT_EQ(Process(Request("in.txt", "dos2.htm", 0, false, 1), services), JobOutcome::NotWritten);
    ASSERT_EQ(env.messages.size(), 2u);
    EXPECT_EQ(env.messages[0].text, "Message:\r\nCreateObject of [Ostrand.Strings2] failed.");
    EXPECT_EQ(env.messages[1].text,
              "Error in processing file.\r\nError 429, CreateObject of [Ostrand.Strings2] failed.\r\n"
              "Hint: Convert input to ansi characters");
    EXPECT_FALSE(dir.Has("dos2.htm"));
}

// The output is written while it is formatted: a write that fails part-way
// (here: a file size limit) is reported as a write failure, and leaves no
// new file behind and the earlier output whole.
TEST_F(JobTest, WriteFailureWhileFormatting) {
    std::string input;
    for (int k = 0; k < 100000; ++k) input += "a 12\n";
    dir.Put("big.txt", input);
    dir.Put("out.htm", "earlier");

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;  // the input is larger, but it is only read
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const JobOutcome outcome = Process(Request("big.txt", "out.htm", 1), services);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(outcome, JobOutcome::NotWritten);
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].text.starts_with("Unable to write output file (" + P("out.htm") +
                                                 ").Error writing the file " + P("out.htm") + "\r\n\r\nReason: "))
        << env.messages[0].text;
    EXPECT_EQ(env.calls.back(), "busy off");
    EXPECT_EQ(dir.Get("out.htm"), "earlier");
    EXPECT_EQ(Entries(), "big.txt defs in.txt out.htm");

    // With room again the same job writes the whole output.
    Fresh();
    EXPECT_EQ(Process(Request("big.txt", "out.htm", 1), services), JobOutcome::Written);
    EXPECT_EQ(fs::file_size(dir / "out.htm"), 11 + 100000 * std::string("a&nbsp;<b>12</b>\n").size());
}

}  // namespace
