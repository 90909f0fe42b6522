// The conversion job through the recording environment, with real files:
// the cases of tests/data/job.cases, and those a table cannot set up.
#include "engine/job.h"

#include "test_prelude.h"
#include <sys/resource.h>

#include <csignal>

#include <memory>
#include <optional>
#include <set>
#include <sstream>

#include "digits_definition.h"
#include "scoped_variable.h"
#include "support/components.h"
#include "support/program_info.h"
#include "support/strings2_component.h"

namespace {

// One job's folder and environment; each step of a case of job.cases is a new job there.
struct Job {
    Files dir;
    // The user's own definitions folder, empty unless a test fills it.
    ScopedVariable userData{"XDG_DATA_HOME", dir.P("data")};
    RecordingEnvironment env;
    int32_t preference = 1;  // the main dialog's show-output check box
    JobServices services{env, [this] { return preference; }};
    JobOutcome outcome = JobOutcome::NotWritten;
    std::optional<bool> keepThePart;  // the answer when a cancelled job asks; unset: the request cannot ask
    int askedToKeep = 0;

    Job() {
        dir.Put("defs/digits.hld", kDigitsHld);
        dir.Put("in.txt", "a 12");
    }
    ~Job() {
        SetProgramFolder("");
        ResetComponents();
    }

    std::string P(const std::string& name) const { return dir.P(name); }
    std::string Sub(const std::string& text) const {
        return Substituted(text, {{"$DIGITS_HLD", kDigitsHld}, {"$DIGITS_OUT", kDigitsOut}, {"$DIR", dir.path()}});
    }

    // A new job's view of the environment (it cannot be assigned: the cancel flag is atomic).
    void Fresh() {
        std::destroy_at(&env);
        std::construct_at(&env);
    }

    std::string Entries() const {
        std::set<std::string> names;  // sorted
        for (const auto& entry : fs::directory_iterator(dir.path())) names.insert(entry.path().filename().string());
        std::string joined;
        for (const std::string& name : names) joined += (joined.empty() ? "" : " ") + name;
        return joined;
    }

    // One line of a case's set-up.
    void Act(const Step& step) {
        const std::string& key = step.key;
        const std::string value = Sub(step.value);
        std::istringstream words(value);
        if (key.starts_with("file ")) dir.Put(key.substr(5), value);
        else if (key == "folder") fs::create_directories(P(value));
        else if (key.starts_with("symlink ")) fs::create_symlink(value, P(key.substr(8)));
        else if (key.starts_with("hardlink ")) fs::create_hard_link(value, P(key.substr(9)));
        else if (key == "remove") fs::remove(P(value));
        else if (key == "program folder") SetProgramFolder(value);
        else if (key == "answers")
            for (std::string word; words >> word;)
                env.answers.push_back(word == "Yes" ? MsgResult::Yes : MsgResult::No);
        else if (key == "preference") preference = std::stoi(value);
        else if (key == "cancel at pump") env.cancelAfterDoEvents = std::stol(value);
        else if (key == "opener fails") env.openFails = value;
        else if (key == "keep the part") keepThePart = value == "yes";
        else if (key == "cancel pressed before") env.cancelRequested = true;
        else if (key.starts_with("meanwhile "))
            env.onDoEvents = [this, name = key.substr(10), value] { if (!dir.Has(name)) dir.Put(name, value); };
        else if (key == "run") Run(value);
        else ADD_FAILURE() << "unknown action: " << step.line;
    }

    // "run: in=NAME out=NAME hld=NAME folder=PATH mode=N show=1 dostext=1":
    // names of files are in the case's folder; left out, in.txt, out.htm,
    // digits.hld and the folder defs.
    void Run(const std::string& arguments) {
        JobRequest request;
        request.inputfilename = P("in.txt");
        request.destfile = P("out.htm");
        request.hldfile = "digits.hld";
        request.hldfolder = Value(P("defs"));
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
    void Check(const std::vector<Step>& expectations) {
        std::vector<std::string> messages, opened;
        std::string calls;
        for (const std::string& call : env.calls) calls += (calls.empty() ? "" : ", ") + call;
        for (const auto& [line, key, decoded] : expectations) {
            static const char* const kOutcomes[] = {"Written", "NotWritten", "Cancelled"};
            const std::string value = Sub(decoded), name = key.substr(key.find(' ') + 1);
            if (key == "outcome") EXPECT_EQ(kOutcomes[static_cast<int>(outcome)], value);
            else if (key == "message") messages.push_back(value);
            else if (key == "opened") opened.push_back(P(value));
            else if (key.starts_with("file "))
                EXPECT_TRUE(dir.Has(name) && Like(dir.Get(name), value)) << key << ": " << dir.Get(name);
            else if (key == "no file") EXPECT_FALSE(dir.Has(value)) << value;
            else if (key == "folder") EXPECT_TRUE(fs::is_directory(P(value))) << value;
            else if (key == "calls") EXPECT_TRUE(Like(calls, value)) << "calls: " << calls;
            else if (key == "entries") EXPECT_EQ(Entries(), value);
            else if (key == "asked to keep the part") EXPECT_EQ(std::to_string(askedToKeep), value);
            else if (key == "progress") EXPECT_EQ(std::to_string(static_cast<int>(env.progressValue)), value);
            else ADD_FAILURE() << "unknown expectation: " << line;
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
};

TEST(JobCases, EachCase) {
    for (const Block& c : ReadBlocks("job.cases")) {
        SCOPED_TRACE(c.where + " " + c.title);
        Job job;
        for (size_t part = 0; part + 1 < c.parts.size(); part += 2) {
            job.Fresh();
            for (const Step& step : Steps(c.rawParts[part])) job.Act(step);
            job.Check(Steps(c.rawParts[part + 1]));
        }
    }
}

TEST(JobCases, DefaultDefinitionByExtension) {
    for (const Row& row : ReadRows("default_definitions.tsv")) EXPECT_EQ(GetHLD(Value(row[0])), row[1]) << row.where;
}

// ---- what a table cannot set up ----

TEST(JobTest, DosTextWithoutItsConversionComponent) {
    Job job;
    // The job's System object takes the first one; the conversion asks for the second.
    int created = 0;
    RegisterComponent("Ostrand.Strings2", [&created]() -> ObjectRef {
        return created++ == 1 ? nullptr : std::make_shared<Strings2>();
    });
    job.Run("out=dos2.htm dostext=1");
    job.Check(Steps("outcome: NotWritten\n"
                    "message: ...|Message:{CR}{LF}CreateObject of [Ostrand.Strings2] failed.\n"
                    "message: ...|Error in processing file.{CR}{LF}Error 429, CreateObject of [Ostrand.Strings2] "
                    "failed.{CR}{LF}Hint: Convert input to ansi characters\n"
                    "no file: dos2.htm"));
}

// The output is written while it is formatted: a write that fails part-way
// (here: a file size limit) is reported as a write failure, and leaves no
// new file behind and the earlier output whole.
TEST(JobTest, WriteFailureWhileFormatting) {
    Job job;
    std::string input, page = "<pre>";
    for (int k = 0; k < 100000; ++k) {
        input += "a 12\n";
        page += "a&nbsp;<b>12</b>\n";
    }
    job.dir.Put("big.txt", input);
    job.dir.Put("out.htm", "earlier");

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;  // the input is larger, but it is only read
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    job.Run("in=big.txt mode=1");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    job.Check(Steps("outcome: NotWritten\n"
                    "message: ...|!|Ok|Unable to write output file ($DIR/out.htm).Error writing the file "
                    "$DIR/out.htm{CR}{LF}{CR}{LF}Reason: ...\n"
                    "calls: ..., busy off\nfile out.htm: earlier\nentries: big.txt defs in.txt out.htm"));

    // With room again the same job writes the whole output (over a megabyte:
    // the writer starts the disk writes early).
    job.Fresh();
    job.Run("in=big.txt mode=1");
    EXPECT_EQ(job.outcome, JobOutcome::Written);
    EXPECT_TRUE(job.dir.Get("out.htm") == page + "</pre>");
}

}  // namespace
