// The conversion job through the recording environment, with real files.
#include "engine/job.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <filesystem>
#include <memory>

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
    void Write(const std::string& name, const std::string& content) const { dir.Put(name, content); }
    std::string Read(const std::string& name) const { return dir.Get(name); }

    // A job with the main dialog's arguments.
    static JobRequest Request(const std::string& in, const std::string& out, const std::string& hld,
                              const Value& folder, int32_t mode, bool show, int32_t dostext) {
        JobRequest request;
        request.inputfilename = in;
        request.destfile = out;
        request.hldfile = hld;
        request.hldfolder = folder;
        request.overwritemode = mode;
        request.showoutput = show;
        request.dostext = dostext;
        return request;
    }
    JobOutcome Run(const std::string& in, const std::string& out, const std::string& hld, const Value& folder,
                   int32_t mode, bool show, int32_t dostext) {
        return Process(Request(in, out, hld, folder, mode, show, dostext), services);
    }
    // The same for files of the test's folder, with the definitions of defs/.
    JobOutcome Run(const std::string& in, const std::string& out, const std::string& hld = "digits.hld",
                   int32_t mode = 0, bool show = false, int32_t dostext = 0) {
        return Run(P(in), P(out), hld, Value(P("defs")), mode, show, dostext);
    }

    // A new job's view of the environment (it cannot be assigned: the cancel flag is atomic).
    void Fresh() {
        std::destroy_at(&env);
        std::construct_at(&env);
    }

    // "title|icon|buttons|text" of a recorded message.
    static std::string Shown(const RecordedMessage& m) {
        return m.title + (m.icon == MsgIcon::Exclamation ? "|!|" : "|i|") +
               (m.buttons == MsgButtons::YesNo ? "YesNo|" : "Ok|") + m.text;
    }

    std::string OnlyMessage() {
        EXPECT_EQ(env.messages.size(), 1u);
        return env.messages.empty() ? "" : env.messages[0].text;
    }
};

TEST_F(JobTest, ConvertsAndDrivesTheProgressDisplay) {
    env.progressValue = 3;
    EXPECT_EQ(Run("in.txt", "out.htm"), JobOutcome::Written);
    EXPECT_EQ(Read("out.htm"), kDigitsOut);
    EXPECT_TRUE(env.messages.empty());
    EXPECT_EQ(env.calls, (std::vector<std::string>{"show", "busy on", "max 4", "hide", "busy off"}));
    EXPECT_GE(env.doEventsCount, 1);
    EXPECT_EQ(env.progressValue, 0);

    // An empty input still gets the header and the footer.
    Write("empty.txt", "");
    EXPECT_EQ(Run("empty.txt", "empty.htm"), JobOutcome::Written);
    EXPECT_EQ(Read("empty.htm"), "<pre></pre>");
}

TEST_F(JobTest, OverwriteModes) {
    struct Case {
        int32_t mode;
        bool exists;
        std::deque<MsgResult> answers;
        bool replaced;
        bool asks;
        bool tellsAborted;
    };
    const Case cases[] = {
        {0, true, {}, false, false, true},
        {1, true, {}, true, false, false},
        {2, true, {MsgResult::Yes}, true, true, false},
        {2, true, {MsgResult::No}, false, true, false},
        {5, true, {}, false, false, true},
        {-1, true, {}, false, false, true},
        {0, false, {}, true, false, false},
        {2, false, {}, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + (c.exists ? " exists" : " absent"));
        Fresh();
        env.answers = c.answers;
        fs::remove(P("out.htm"));
        if (c.exists) Write("out.htm", "old");
        JobOutcome outcome = Run("in.txt", "out.htm", "digits.hld", c.mode);
        EXPECT_EQ(outcome, c.replaced ? JobOutcome::Written : JobOutcome::NotWritten);
        EXPECT_EQ(Read("out.htm"), c.replaced ? kDigitsOut : "old");
        ASSERT_EQ(env.messages.size(), (c.asks ? 1u : 0u) + (c.tellsAborted ? 1u : 0u));
        if (c.asks) {
            EXPECT_EQ(Shown(env.messages[0]), "Warning|!|YesNo|The file \"" + P("out.htm") +
                                                  "\" already exists.\r\n\r\nDo you want to overwrite this file?");
        }
        if (c.tellsAborted) {
            EXPECT_EQ(Shown(env.messages.back()),
                      "Tintext|i|Ok|The output file already existed and overwrite was not allowed (" + P("out.htm") +
                          "). The process was aborted");
        }
    }
}

TEST_F(JobTest, RefusalComesBeforeTheInputIsRead) {
    Write("out.htm", "old");
    EXPECT_EQ(Run("missing.txt", "out.htm"), JobOutcome::NotWritten);
    EXPECT_NE(OnlyMessage().find("overwrite was not allowed"), std::string::npos);
    EXPECT_TRUE(env.calls.empty());
}

TEST_F(JobTest, ExistenceTestTakesTheNameLiterally) {
    // "*" and "?" are characters of the name: another file does not make it
    // exist; the same name does; a folder of that name does not count.
    Write("other.htm", "x");
    EXPECT_EQ(Run("in.txt", "*.htm"), JobOutcome::Written);
    EXPECT_EQ(Read("*.htm"), kDigitsOut);
    EXPECT_EQ(Read("other.htm"), "x");

    Fresh();
    EXPECT_EQ(Run("in.txt", "?.htm"), JobOutcome::Written);
    Fresh();
    EXPECT_EQ(Run("in.txt", "?.htm"), JobOutcome::NotWritten);
    EXPECT_NE(OnlyMessage().find("(" + P("?.htm") + ")"), std::string::npos);

    // A dot-file is a file like any other.
    Fresh();
    Write(".notes.htm", "mine");
    EXPECT_EQ(Run("in.txt", ".notes.htm"), JobOutcome::NotWritten);
    EXPECT_NE(OnlyMessage().find("overwrite was not allowed"), std::string::npos);
    EXPECT_EQ(Read(".notes.htm"), "mine");

    Fresh();
    fs::create_directory(P("folder.htm"));
    EXPECT_EQ(Run("in.txt", "folder.htm"), JobOutcome::NotWritten);
    EXPECT_EQ(OnlyMessage().rfind("Unable to write output file (" + P("folder.htm") + ").", 0), 0u);
    EXPECT_TRUE(fs::is_directory(P("folder.htm")));
}

// Nothing is written when the input or the definition cannot be read; the message
// ends with the reason, or with the error when it has no plain words.
TEST_F(JobTest, InputAndDefinitionFailures) {
    fs::create_directory(P("adir"));
    Write("defs/bad.hld", "[\n");
    const std::string notFound = "). The input path or file was not found.";
    const struct {
        std::string input, hld, message;  // the whole message, or its start when it ends with "..."
    } cases[] = {
        {"missing.txt", "digits.hld", "Unable to load input file (" + P("missing.txt") + notFound},
        {"no/such/folder/in.txt", "digits.hld", "Unable to load input file (" + P("no/such/folder/in.txt") + notFound},
        {"adir", "digits.hld", "Unable to load input file (" + P("adir") + ").\r\nError ..."},
        {"in.txt", "bad.hld", "Unable to load the HLD file (" + P("defs") + "/bad.hld).\r\nError 5. ..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input + " " + c.hld);
        Fresh();
        EXPECT_EQ(Run(c.input, "out.htm", c.hld), JobOutcome::NotWritten);
        const std::string text = OnlyMessage();
        if (c.message.ends_with("..."))
            EXPECT_TRUE(text.starts_with(c.message.substr(0, c.message.size() - 3))) << text;
        else
            EXPECT_EQ(text, c.message);
        if (!env.messages.empty()) {
            EXPECT_EQ(env.messages[0].icon, MsgIcon::Exclamation);
            EXPECT_EQ(env.messages[0].title, "Tintext (1.0.47)");
        }
        EXPECT_FALSE(dir.Has("out.htm"));
    }
}

TEST_F(JobTest, OutputThatIsTheInputOrTheDefinitionIsRefused) {
    fs::create_hard_link(P("in.txt"), P("hard.txt"));
    fs::create_symlink(P("in.txt"), P("link.txt"));
    fs::create_symlink(P("defs/digits.hld"), P("hldlink.htm"));
    const struct {
        std::string out, what;
    } cases[] = {
        {P("in.txt"), "input"},
        {dir.path() + "/./in.txt", "input"},
        {P("hard.txt"), "input"},
        {P("link.txt"), "input"},
        {P("defs/digits.hld"), "definition"},
        {P("hldlink.htm"), "definition"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        Fresh();
        EXPECT_EQ(Run(P("in.txt"), c.out, "digits.hld", Value(P("defs")), 1, false, 0), JobOutcome::NotWritten);
        EXPECT_NE(OnlyMessage().find(") is the " + c.what + " file ("), std::string::npos) << OnlyMessage();
        EXPECT_EQ(Read("in.txt"), "a 12");
        EXPECT_EQ(Read("defs/digits.hld"), kDigitsHld);
    }
}

// A file saved at the output while the input is converted is kept unless the
// user said to overwrite: the job ends as if the file had been there at the start.
TEST_F(JobTest, AFileThatAppearsDuringTheConversionIsKept) {
    const struct {
        int32_t mode;
        bool replaced;
    } cases[] = {{0, false}, {2, false}, {1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode));
        Fresh();
        fs::remove(P("out.htm"));
        env.onDoEvents = [&] {
            if (!dir.Has("out.htm")) Write("out.htm", "saved meanwhile");
        };
        EXPECT_EQ(Run("in.txt", "out.htm", "digits.hld", c.mode),
                  c.replaced ? JobOutcome::Written : JobOutcome::NotWritten);
        EXPECT_EQ(Read("out.htm"), c.replaced ? kDigitsOut : "saved meanwhile");
        if (c.replaced) continue;
        EXPECT_EQ(Shown(env.messages.at(0)),
                  "Tintext|i|Ok|The output file already existed and overwrite was not allowed (" + P("out.htm") +
                      "). The process was aborted");
        EXPECT_EQ(env.calls.back(), "busy off");
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"defs", "in.txt", "out.htm"}));
    }
}

TEST_F(JobTest, DefinitionPathRules) {
    Write("prog/hld/asp.hld", kDigitsHld);
    Write("inst/share/tintext/hld/vb.hld", kDigitsHld);
    fs::create_directories(P("inst/bin"));
    Write("Page.HTM", "7");
    Write("Module1.BAS", "7");
    Write("README", "7");
    const std::string notFound = "). The input path or file was not found.";
    struct Case {
        std::string input, hldfile, folder, programFolder;
        std::string expected;  // output text, or the F5 message
    };
    const std::string ok = "<pre><b>7</b></pre>";
    const Case cases[] = {
        // A bare name joins the folder with one separator, whatever the folder ends with.
        {"Page.HTM", "digits.hld", P("defs"), "", ok},
        {"Page.HTM", "digits.hld", P("defs") + "/", "", ok},
        {"Page.HTM", "none.hld", P("defs") + "/", "", "Unable to load the HLD file (" + P("defs") + "//none.hld" + notFound},
        // A name with a separator is used as given.
        {"Page.HTM", P("defs/digits.hld"), "/nowhere", "", ok},
        {"Page.HTM", "sub\\c.hld", P("defs"), "", "Unable to load the HLD file (sub\\c.hld" + notFound},
        // Without a name: chosen by the extension, in the given folder or beside the program.
        {"Page.HTM", "", P("defs"), "", "Unable to load the HLD file (" + P("defs") + "/asp.hld" + notFound},
        {"Page.HTM", "", "", P("prog"), ok},
        {"Module1.BAS", "", "", P("inst/bin"), ok},
        {"README", "", "", P("prog"), "Unable to load the HLD file (" + P("prog") + "/hld/.hld" + notFound},
        {"Module1.BAS", "", "", P("prog"), "Unable to load the HLD file (" + P("prog") + "/hld/vb.hld" + notFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input + " [" + c.hldfile + "] [" + c.folder + "] [" + c.programFolder + "]");
        Fresh();
        SetProgramFolder(c.programFolder);
        fs::remove(P("out.htm"));
        JobOutcome outcome = Run(P(c.input), P("out.htm"), c.hldfile, Value(c.folder), 0, false, 0);
        if (c.expected == ok) {
            EXPECT_EQ(outcome, JobOutcome::Written);
            EXPECT_TRUE(env.messages.empty());
            EXPECT_EQ(Read("out.htm"), ok);
        } else {
            EXPECT_EQ(outcome, JobOutcome::NotWritten);
            EXPECT_EQ(OnlyMessage(), c.expected);
            EXPECT_FALSE(dir.Has("out.htm"));
        }
    }
}

TEST_F(JobTest, UsersOwnDefinitionIsFoundBeforeTheShippedOne) {
    Write("prog/hld/asp.hld", kDigitsHld);
    Write("data/tintext/hld/asp.hld", "[Main]\nPATTERN=\\d\nFORMAT-HTML=<i>$$</i>\n");
    Write("Page.asp", "7");
    SetProgramFolder(P("prog"));
    EXPECT_EQ(Run(P("Page.asp"), P("out.htm"), "", Value(std::string()), 0, false, 0), JobOutcome::Written);
    EXPECT_EQ(Read("out.htm"), "<i>7</i>");
    EXPECT_EQ(FindDefaultDefinition("vb.hld"), P("prog") + "/hld/vb.hld");  // none of the user's: the shipped one
}

TEST_F(JobTest, GetHLDTable) {
    const std::pair<const char*, const char*> cases[] = {
        {"a.vb", "vb.hld"},          {"a.BAS", "vb.hld"},         {"a.ctl", "vb.hld"},
        {"a.Cls", "vb.hld"},         {"a.vbs", "vbs.hld"},        {"a.asp", "asp.hld"},
        {"Page.HTM", "asp.hld"},     {"a.html", "asp.hld"},       {"style.css", "css.hld"},
        {"x.tar.GZ", "gz.hld"},      {"README", ".hld"},          {"dir.d/README", ".hld"},
        {"dir.d\\README", ".hld"},   {"C:\\w\\m.Bas", "vb.hld"},  {"trailing.", ".hld"},
        {"", ".hld"},
    };
    for (const auto& [name, expected] : cases) EXPECT_EQ(GetHLD(Value(name)), expected) << name;
}

TEST_F(JobTest, UnexpectedFailuresNameTheStep) {
    Write("defs/empty.hld", "' no sections\n");
    Write("defs/invalid.hld", "[Main]\nPATTERN=*\nFORMAT-HTML=x\n");
    Write("out.htm", "old");
    for (const auto& [hld, hint] : {std::pair<std::string, std::string>{"empty.hld", "Initialize progress bar"},
                                    {"invalid.hld", "Format Section"}}) {
        SCOPED_TRACE(hld);
        Fresh();
        EXPECT_EQ(Run("in.txt", "out.htm", hld, 1), JobOutcome::NotWritten);
        const std::string text = OnlyMessage();
        EXPECT_EQ(text.rfind("Error in processing file.\r\nError ", 0), 0u) << text;
        EXPECT_TRUE(text.ends_with("\r\nHint: " + hint)) << text;
        EXPECT_EQ(env.messages[0].title, "Tintext (1.0.47)");
        // Progress hidden and pointer restored; nothing written.
        EXPECT_EQ(env.calls.back(), "busy off");
        EXPECT_NE(std::find(env.calls.begin(), env.calls.end(), "hide"), env.calls.end());
        EXPECT_EQ(Read("out.htm"), "old");
        // Nor is anything left beside it.
        for (const auto& entry : fs::directory_iterator(dir.path())) EXPECT_NE(entry.path().filename().string()[0], '.');
    }
    EXPECT_NE(env.messages[0].text.find("Error 5018, "), std::string::npos);
}

TEST_F(JobTest, DosText) {
    Write("dos.txt", std::string("caf\x82"));  // e acute in code page 437
    EXPECT_EQ(Run("dos.txt", "out.htm", "digits.hld", 0, false, 1), JobOutcome::Written);
    EXPECT_EQ(Read("out.htm"), "<pre>caf\xC3\xA9</pre>");

    // Without the option the text is used as read (a byte that is not UTF-8 as Windows-1252).
    Fresh();
    EXPECT_EQ(Run("dos.txt", "plain.htm"), JobOutcome::Written);
    EXPECT_EQ(Read("plain.htm"), "<pre>caf\xE2\x80\x9A</pre>");

    // The conversion component cannot be made: its own report, then the step's hint.
    // The job's System object takes the first one; the conversion asks for the second.
    Fresh();
    int created = 0;
    RegisterComponent("Ostrand.Strings2", [&created]() -> ObjectRef {
        return created++ == 1 ? nullptr : std::make_shared<Strings2>();
    });
    EXPECT_EQ(Run("dos.txt", "dos2.htm", "digits.hld", 0, false, 1), JobOutcome::NotWritten);
    ASSERT_EQ(env.messages.size(), 2u);
    EXPECT_EQ(env.messages[0].text, "Message:\r\nCreateObject of [Ostrand.Strings2] failed.");
    EXPECT_EQ(env.messages[1].text,
              "Error in processing file.\r\nError 429, CreateObject of [Ostrand.Strings2] failed.\r\n"
              "Hint: Convert input to ansi characters");
    EXPECT_FALSE(dir.Has("dos2.htm"));
}

// An output that cannot be written (blank, missing folder, a file where a
// folder should be) is told before anything is formatted: no progress shown.
TEST_F(JobTest, UnusableOutputIsToldBeforeFormatting) {
    for (const std::string& out : {std::string(), P("no/such/folder/out.htm"), P("in.txt") + "/out.htm"}) {
        SCOPED_TRACE(out);
        Fresh();
        EXPECT_EQ(Run(P("in.txt"), out, "digits.hld", Value(P("defs")), 0, true, 0), JobOutcome::NotWritten);
        const std::string text = OnlyMessage();
        const std::string start = "Unable to write output file (" + out + ").";
        EXPECT_EQ(text.rfind(start, 0), 0u);
        EXPECT_GT(text.size(), start.size());
        EXPECT_NE(text[start.size()], ' ');
        if (out.empty()) {
            EXPECT_NE(text.find("The filename cannot be blank."), std::string::npos) << text;
        }
        EXPECT_EQ(env.calls, std::vector<std::string>{});
        EXPECT_TRUE(env.opened.empty());
    }
    EXPECT_EQ(Read("in.txt"), "a 12");
}

// The output is written while it is formatted: a write that fails part-way
// (here: a file size limit) is reported as a write failure, and leaves no
// new file behind and the earlier output whole.
TEST_F(JobTest, WriteFailureWhileFormatting) {
    std::string input;
    for (int k = 0; k < 100000; ++k) input += "a 12\n";
    Write("big.txt", input);
    Write("out.htm", "earlier");
    Fresh();

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;  // the input is larger, but it is only read
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const JobOutcome outcome = Run("big.txt", "out.htm", "digits.hld", 1);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(outcome, JobOutcome::NotWritten);
    const std::string text = OnlyMessage();
    EXPECT_EQ(text.rfind("Unable to write output file (" + P("out.htm") + ").Error writing the file " + P("out.htm") +
                             "\r\n\r\nReason: ",
                         0),
              0u)
        << text;
    EXPECT_EQ(env.calls.back(), "busy off");
    EXPECT_EQ(Read("out.htm"), "earlier");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"big.txt", "defs", "in.txt", "out.htm"}));

    // With room again the same job writes the whole output.
    Fresh();
    EXPECT_EQ(Run("big.txt", "out.htm", "digits.hld", 1), JobOutcome::Written);
    EXPECT_EQ(fs::file_size(dir / "out.htm"), 11 + 100000 * std::string("a&nbsp;<b>12</b>\n").size());
}

TEST_F(JobTest, ShowOutputNeedsBothTheArgumentAndThePreference) {
    struct Case {
        bool show;
        int32_t preference;
        bool opened;
    };
    for (const Case& c : {Case{true, 1, true}, Case{true, 2, true}, Case{true, 0, false}, Case{false, 1, false}}) {
        SCOPED_TRACE(std::to_string(c.show) + " " + std::to_string(c.preference));
        Fresh();
        preference = c.preference;
        fs::remove(P("out.htm"));
        EXPECT_EQ(Run("in.txt", "out.htm", "digits.hld", 0, c.show), JobOutcome::Written);
        EXPECT_EQ(env.opened, c.opened ? std::vector<std::string>{P("out.htm")} : std::vector<std::string>{});
        // A failed open is the opener's business; the job does not report it.
        EXPECT_TRUE(env.messages.empty());
    }
}

TEST_F(JobTest, OpenDocumentErrorIsReported) {
    struct ThrowingEnvironment : RecordingEnvironment {
        bool OpenDocument(const std::string&) override { throw Error(1000, "test", "No opener."); }
    } throwing;
    EXPECT_EQ(Process(Request(P("in.txt"), P("out.htm"), "digits.hld", Value(P("defs")), 0, true, 0), {throwing}),
              JobOutcome::Written);
    ASSERT_EQ(throwing.messages.size(), 1u);
    EXPECT_EQ(throwing.messages[0].text, "Unable to display output file (" + P("out.htm") + ").No opener.");
    EXPECT_EQ(throwing.messages[0].title, "Tintext (1.0.47)");
    EXPECT_EQ(throwing.calls.back(), "busy off");
    EXPECT_EQ(Read("out.htm"), kDigitsOut);
}

TEST_F(JobTest, CancelWithThePartDeclinedKeepsTheEarlierOutput) {
    Write("out.htm", "complete earlier output");
    env.cancelAfterDoEvents = 0;
    JobRequest request;
    request.inputfilename = P("in.txt");
    request.destfile = P("out.htm");
    request.hldfile = "digits.hld";
    request.hldfolder = Value(P("defs"));
    request.overwritemode = 1;
    request.showoutput = true;
    int asked = 0;
    request.keepPartialOutput = [&] {
        ++asked;
        return false;
    };
    EXPECT_EQ(Process(request, services), JobOutcome::NotWritten);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Read("out.htm"), "complete earlier output");
    EXPECT_TRUE(env.opened.empty());
    EXPECT_EQ(env.calls.back(), "busy off");
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(P(""))) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2u);  // in.txt and out.htm: no new file left beside them

    // A job that was not cancelled never asks.
    Fresh();
    EXPECT_EQ(Process(request, services), JobOutcome::Written);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Read("out.htm"), kDigitsOut);
}

TEST_F(JobTest, CancelWritesThePartDoneAndShowsIt) {
    env.cancelAfterDoEvents = 0;  // Cancel pressed while the progress display first appears
    EXPECT_EQ(Run("in.txt", "out.htm", "digits.hld", 0, true), JobOutcome::Cancelled);
    EXPECT_EQ(Read("out.htm"), "<pre></pre>");
    EXPECT_EQ(env.opened, std::vector<std::string>{P("out.htm")});

    // A Cancel left over from before the job does not stop it.
    Fresh();
    env.cancelRequested = true;
    EXPECT_EQ(Run("in.txt", "again.htm"), JobOutcome::Written);
    EXPECT_EQ(Read("again.htm"), kDigitsOut);
}

}  // namespace
