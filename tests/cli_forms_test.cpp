// The command line as people and scripts write it, end to end with the built
// program: spellings of options, where the output goes without /out, when
// the output is opened, how a definition is found, --list, the plain-text
// fallback, --quiet and --verbose, and the bad inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cli_harness.h"

namespace fs = std::filesystem;
using namespace tintext::testing;

namespace {

const std::string kShippedFolder = TINTEXT_SOURCE_DIR "/hld";

class CliForms : public CliTest {
protected:
    // The definition's page head is long; a page is known by its <title>.
    static std::string Title(const std::string& page) {
        const size_t start = page.find("<title>");
        return start == std::string::npos ? "(no title)" : page.substr(start + 7, page.find("</title>") - start - 7);
    }
};

TEST_F(CliForms, OptionSpellings) {
    const std::vector<std::vector<std::string>> spellings = {
        {"/in=a.asp", "/out=o.htm"},
        {"--in=a.asp", "--out=o.htm"},
        {"--in", "a.asp", "--out", "o.htm"},
        {"/IN=a.asp", "/OUT=o.htm"},
        {"-In=a.asp,-Out=o.htm"},
        {"a.asp", "--out", "o.htm"},
        {"--out=o.htm", "a.asp"},
        {"--hld=other.hld", "a.asp", "--out=o.htm", "--HLD", "digits.hld"},  // the last counts
    };
    for (const auto& args : spellings) {
        SCOPED_TRACE(args[0] + " " + args.back());
        fs::remove(dir.P("o.htm"));
        Result r = Run(args + std::vector<std::string>{"--hldfolder=defs", "--showoutput=0", "/hld=digits.hld"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(dir.Get("o.htm"), kDigitsOut);
        EXPECT_EQ(r.out, "");
    }
    // A repeated option is named; an unknown one too, with the nearest known name.
    Result r = Run({"a.asp", "/out=o.htm", "/overwrite=0", "/OVERWRITE=1", "/ovewrite=0", "/hld=digits.hld",
                    "/hldfolder=defs"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("the option \"overwrite\" is given more than once; the last (/OVERWRITE=1) counts"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("unknown option \"ovewrite\" ignored; did you mean \"overwrite\"?"), std::string::npos)
        << r.err;
}

TEST_F(CliForms, OutputWithoutOut) {
    dir.Put("sub/page.asp", "p 7");
    dir.Put("README", "r 8");
    const struct {
        std::vector<std::string> args;
        std::string written;  // the file written beside the input
    } cases[] = {
        {{"sub/page.asp"}, "sub/page.htm"},
        {{"/in=" + dir.P("sub/page.asp")}, "sub/page.htm"},
        {{"README"}, "README.htm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        Result r = Run(c.args + kDigits);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(dir.Has(c.written));
        // The overwrite rules hold for the name chosen, as for any output.
        Result again = Run(c.args + kDigits);
        EXPECT_EQ(again.status, 1);
        EXPECT_NE(again.err.find("already existed and overwrite was not allowed"), std::string::npos) << again.err;
        fs::remove(dir.P(c.written));
    }
    EXPECT_EQ(dir.Get("a.asp"), "a 12");
    // Standard input goes to standard output.
    Result piped = Run({"-", "/hld=digits.hld", "/hldfolder=defs"}, "x 3");
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, "<pre>x&nbsp;<b>3</b></pre>");
}

// A name that cannot be written is told before the input is formatted, with
// the messages a failed write gives.
TEST_F(CliForms, UnusableOutputNames) {
    const struct {
        std::vector<std::string> args;
        std::string start;
    } cases[] = {
        {{"/out="}, kAppTitle + "Unable to write output file ().Error writing the file"},
        {{"/out=no/folder/o.htm"}, kAppTitle + "Unable to write output file (no/folder/o.htm).Error writing the file"},
        {{"/out=a.asp", "/overwrite=1"}, kAppTitle + "The output file (a.asp) is the input file (a.asp)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        Result r = Run(std::vector<std::string>{"a.asp"} + c.args + kDigits);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.starts_with(c.start)) << r.err;
    }
    EXPECT_NE(Run({"a.asp", "/out="}).err.find("The filename cannot be blank."), std::string::npos);
    EXPECT_EQ(dir.Get("a.asp"), "a 12");
}

// A stand-in opener on PATH records each call. A terminal or script run opens
// only when asked; a failed opener is one line and not a failure.
TEST_F(CliForms, OpenerOnlyWhenAsked) {
    dir.Put("bin/xdg-open", "#!/bin/sh\necho \"$1\" >> opened.txt\nexit ${OPENER_STATUS:-0}\n");
    fs::permissions(dir.P("bin/xdg-open"), fs::perms::owner_all);
    const std::string path = "PATH=" + dir.P("bin") + ":/usr/bin:/bin";
    const std::vector<std::string> convert = {"a.asp", "/hld=digits.hld", "/hldfolder=defs", "/overwrite=1"};
    const struct {
        std::vector<std::string> extra;
        std::string status;  // OPENER_STATUS
        std::string opened;  // the calls recorded
        std::string err;
    } cases[] = {
        {{}, "0", "", ""},
        {{"/showoutput=0"}, "0", "", ""},
        {{"/showoutput=1"}, "0", "a.htm\n", ""},
        {{"--showoutput"}, "0", "a.htm\n", ""},
        {{"/showoutput=1"}, "3", "a.htm\n", "tintext: a.htm was written but not opened: xdg-open found no program to open it\n"},
        {{"/showoutput=1"}, "4", "a.htm\n", "tintext: a.htm was written but not opened: xdg-open ended with status 4\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.extra.empty() ? "(none)" : c.extra[0]) + " status " + c.status);
        fs::remove(dir.P("opened.txt"));
        extraEnv = {path, "OPENER_STATUS=" + c.status};
        Result r = Run(convert + c.extra);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(dir.Has("opened.txt") ? dir.Get("opened.txt") : "", c.opened);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(dir.Get("a.htm"), kDigitsOut);
    }
    // No opener at all.
    extraEnv = {"PATH=" + dir.P("nowhere")};
    Result r = Run(convert + std::vector<std::string>{"/showoutput=1"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "tintext: a.htm was written but not opened: xdg-open: No such file or directory\n");
}

TEST_F(CliForms, DefinitionLookups) {
    dir.Put("defs/mine.hld", "[Main]\nHEADER-HTML=<title>mine in defs</title>\nPATTERN=[\\s\\S]\nFORMAT-HTML=$$\n");
    dir.Put("mine.hld", "[Main]\nHEADER-HTML=<title>mine here</title>\nPATTERN=[\\s\\S]\nFORMAT-HTML=$$\n");
    dir.Put("m.bas", "x");
    // Which definition was used, as --verbose names it (the shipped ones all
    // title a page with the input file's name).
    const struct {
        std::vector<std::string> args;
        std::string definition;  // the end of the path named
    } cases[] = {
        // A bare name: the current folder's file first, else the definitions folder's.
        {{"/hld=mine.hld", "/hldfolder=defs"}, "definition: mine.hld\n"},
        {{"/hld=vb.hld"}, "/vb.hld\n"},
        {{"/hld=VB.HLD", "/hldfolder=" + kShippedFolder}, "(no page)"},  // names keep their letter case
        {{"/lang=python"}, "/py.hld\n"},
        {{"/lang=VBScript"}, "/vbs.hld\n"},
        {{"--lang", "bas"}, "/vb.hld\n"},
        {{"/lang=.pyw"}, "/py.hld\n"},
        {{"/lang=Makefile"}, "/mk.hld\n"},
        {{}, "/vb.hld\n"},  // by the extension
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
        fs::remove(dir.P("m.htm"));
        Result r = Run(std::vector<std::string>{"m.bas", "--verbose"} + c.args);
        if (c.definition == "(no page)") {
            EXPECT_EQ(r.status, 1);
            EXPECT_NE(r.err.find("Unable to load the HLD file (" + kShippedFolder + "/VB.HLD)"), std::string::npos)
                << r.err;
            continue;
        }
        EXPECT_EQ(r.status, 0) << r.err;
        const size_t named = r.err.find("tintext: definition: ");
        ASSERT_NE(named, std::string::npos) << r.err;
        const std::string line = r.err.substr(named, r.err.find('\n', named) + 1 - named);
        EXPECT_TRUE(line.ends_with(c.definition)) << line;
        EXPECT_TRUE(dir.Has("m.htm"));
    }
}

TEST_F(CliForms, UnknownLanguageIsAUsageError) {
    Result r = Run({"a.asp", "/lang=pyton"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no language \"pyton\" (/lang)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("the nearest: Python"), std::string::npos) << r.err;
    r = Run({"a.asp", "/lang=nonesuch"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("the nearest: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("tintext --list"), std::string::npos) << r.err;
    EXPECT_EQ(Run({"a.asp", "/lang=python", "/hld=digits.hld"}).status, 2);
    EXPECT_FALSE(dir.Has("a.htm"));
}

TEST_F(CliForms, ListShowsEveryShippedLanguage) {
    Result r = Run({"--list"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(kShippedFolder))
        files += entry.path().extension() == ".hld" && !entry.is_symlink();
    EXPECT_EQ(static_cast<size_t>(std::count(r.out.begin(), r.out.end(), '\n')), files);
    for (const char* line : {"\nPython ", " py.hld ", " .py .pyw\n", "\nPlain text ", " txt.hld ", " .txt"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    // Another folder's definitions, also one that names no language.
    Result own = Run({"--list", "/hldfolder=defs"});
    EXPECT_EQ(own.out, "digits  digits.hld\n");
    EXPECT_EQ(Run({"--list", "/hldfolder=nowhere"}).status, 1);
}

TEST_F(CliForms, PlainTextFallback) {
    dir.Put("notes.xyz", "<b> & text\nline 2\n");
    Result r = Run({"notes.xyz"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
              "tintext: no definition serves notes.xyz, so it is converted as plain text; tintext --list shows the "
              "languages known, /lang=NAME picks one\n");
    const std::string page = dir.Get("notes.htm");
    EXPECT_EQ(Title(page), "notes.xyz");
    EXPECT_NE(page.find("&lt;b&gt; &amp; text\nline 2\n"), std::string::npos) << page;
    // Standard input without a definition; --quiet leaves the note out.
    Result piped = Run({"-", "--quiet"}, "a < b");
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.err, "");
    EXPECT_NE(piped.out.find("a &lt; b"), std::string::npos);
    EXPECT_NE(piped.out.find("<title>Plain text</title>"), std::string::npos) << piped.out;  // the language
}

TEST_F(CliForms, VerboseNamesWhatWasChosen) {
    Result r = Run({"a.asp", "--verbose", "/hld=digits.hld", "/hldfolder=defs"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("tintext: definition: defs/digits.hld\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("tintext: output: a.htm\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("tintext: time taken: "), std::string::npos) << r.err;
    Result quiet = Run({"a.asp", "--verbose", "--quiet", "/hld=digits.hld", "/hldfolder=defs", "/overwrite=1"});
    EXPECT_EQ(quiet.err, "");
}

TEST_F(CliForms, BadInputs) {
    dir.Put("-x", "x 5");
    // An input named like an option: ./-x, or after --.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"./-x"}, {"--", "-x"}}) {
        SCOPED_TRACE(args.back());
        fs::remove(dir.P("-x.htm"));
        Result r = Run(kDigits + args);  // after --, every word is the input
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(dir.Get("-x.htm"), "<pre>x&nbsp;<b>5</b></pre>");
    }
    Result dashed = Run(std::vector<std::string>{"-x"} + kDigits);
    EXPECT_EQ(dashed.status, 2);
    EXPECT_NE(dashed.err.find("(an input named -x is written ./-x or after --)"), std::string::npos) << dashed.err;
    EXPECT_NE(dashed.err.find("Not understood: \"-x\""), std::string::npos) << dashed.err;

    Result noValue = Run({"a.asp", "--out"});
    EXPECT_EQ(noValue.status, 2);
    EXPECT_EQ(noValue.err, "tintext: the option --out needs a value: --out FILE or --out=FILE\n"
                           "tintext: tintext --help shows every option\n");
    EXPECT_FALSE(dir.Has("a.htm"));

    for (const std::vector<std::string>& args : {std::vector<std::string>{"/in="}, {"/in=", "/out=o.htm"}}) {
        Result emptyIn = Run(args + kDigits);
        EXPECT_EQ(emptyIn.status, 1);
        EXPECT_TRUE(emptyIn.err.starts_with(kAppTitle + "Unable to load input file ().")) << emptyIn.err;
    }

    Result noInput = Run({"pag.asp", "/ovewrite=1"});
    EXPECT_EQ(noInput.status, 2);
    EXPECT_NE(noInput.err.find("Not understood: \"pag.asp\", \"/ovewrite=1\""), std::string::npos) << noInput.err;
}

}  // namespace
