// A folder as the input, run end to end by the built program on a small
// generated tree: which files become pages and where, that each page is the
// page the file gets on its own, the skipping of pages that are up to date,
// failures named and counted, the exit status, and the folders refused.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "cli_harness.h"
#include "digits_definition.h"

namespace fs = std::filesystem;
using namespace tintext::testing;

namespace {

// Sources of the tree and what becomes of each: a page or nothing.
struct TreeEntry {
    const char* path;
    const char* text;
    bool converted;
};

const TreeEntry kTree[] = {
    {"index.asp", "home 1", true},
    {"inc/db.asp", "db 22", true},
    {"inc/db.inc", "inc 333", true},             // beside db.asp: the pages must not collide
    {"deep/er/still/x.asp", "deep 4", true},     // folders made as needed
    {"latin1.asp", "caf\xe9 5", true},           // not UTF-8: read as windows-1252
    {"logo.png", "\x89PNG", false},              // no definition serves it
    {".git/hooks/x.asp", "hidden 6", false},     // a hidden folder
    {"build/gen.asp", "generated 7", false},     // listed in .gitignore
    {"notes.asp", "excluded 8", false},          // left out by /exclude
    {".gitignore", "build/\n", false},
};

const std::vector<std::string> kFolderRun = {"/in=src", "/out=site", "/hldfolder=defs", "/exclude=notes.*"};

std::set<std::string> PagesIn(const std::string& folder) {
    std::set<std::string> pages;
    if (!fs::exists(folder)) return pages;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename() != ".tintext-stamp")
            pages.insert(fs::relative(entry.path(), folder).generic_string());
    return pages;
}

class FolderRunTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        dir.Put("defs/asp.hld", kDigitsHld);
        dir.Put("defs/inc.hld", kDigitsHld);
        for (const TreeEntry& entry : kTree) dir.Put(std::string("src/") + entry.path, entry.text);
    }

    // The pages of the files converted, with the site's index and stylesheet.
    std::set<std::string> ExpectedSite() const {
        std::set<std::string> pages = {"index.html", "tintext.css"};
        for (const TreeEntry& entry : kTree)
            if (entry.converted) pages.insert(std::string(entry.path) + ".htm");
        return pages;
    }

    // Pushes a file's time back, so that the page made after it is newer.
    void Age(const std::string& name, int seconds) const {
        const fs::path path = dir.P(name);
        fs::last_write_time(path, fs::last_write_time(path) - std::chrono::seconds(seconds));
    }
};

TEST_F(FolderRunTest, EachServedFileBecomesThePageItGetsOnItsOwn) {
    for (const char* jobs : {"/jobs=1", "/jobs=3"}) {
        fs::remove_all(dir.P("site"));
        Result r = Run(kFolderRun + std::vector<std::string>{jobs});
        EXPECT_EQ(r.status, 0) << jobs << ": " << r.err;
        EXPECT_EQ(PagesIn(dir.P("site")), ExpectedSite()) << jobs;
        EXPECT_NE(r.err.find("5 files: 5 written, 0 skipped (up to date), 0 failed"), std::string::npos) << r.err;
    }
    for (const TreeEntry& entry : kTree) {
        if (!entry.converted) continue;
        const std::string page = std::string("site/") + entry.path + ".htm";
        Result single = Run({std::string("/in=src/") + entry.path, "/out=single.htm", "/hldfolder=defs",
                             "/overwrite=1"});
        ASSERT_EQ(single.status, 0) << single.err;
        EXPECT_EQ(dir.Get(page), dir.Get("single.htm")) << page;
    }
}

TEST_F(FolderRunTest, AnUnchangedTreeIsSkippedAndAChangedFileConvertedAgain) {
    ASSERT_EQ(Run(kFolderRun).status, 0);
    for (const TreeEntry& entry : kTree) Age(std::string("src/") + entry.path, 100);
    for (const char* definition : {"defs/asp.hld", "defs/inc.hld"}) Age(definition, 100);

    Result again = Run(kFolderRun);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find("5 files: 0 written, 5 skipped (up to date), 0 failed"), std::string::npos) << again.err;

    struct Case {
        std::vector<std::string> extra;
        int status;
        const char* summary;
    };
    const Case cases[] = {
        // A changed page is not replaced without leave, and that is not success.
        {{}, 1, "0 written, 4 skipped (up to date), 0 failed, 1 kept"},
        {{"/overwrite=1"}, 0, "1 written, 4 skipped (up to date), 0 failed"},
        {{"/force=1", "/overwrite=1"}, 0, "5 written, 0 skipped (up to date), 0 failed"},
        // No terminal to answer the one question: No, so every page is kept.
        {{"/force=1", "/overwrite=2"}, 1, "0 written, 0 skipped (up to date), 0 failed, 5 kept"},
    };
    for (const Case& c : cases) {
        dir.Put("src/inc/db.asp", "db 99");
        Result r = Run(kFolderRun + c.extra);
        EXPECT_EQ(r.status, c.status) << ::testing::PrintToString(c.extra) << r.err;
        EXPECT_NE(r.err.find(c.summary), std::string::npos) << ::testing::PrintToString(c.extra) << r.err;
    }
    EXPECT_NE(dir.Get("site/inc/db.asp.htm").find("<b>99</b>"), std::string::npos);
}

TEST_F(FolderRunTest, ADefinitionChangeMakesItsPagesOutOfDate) {
    ASSERT_EQ(Run(kFolderRun).status, 0);
    // Everything keeps its order in time but the .asp files' definition, now newer than their pages.
    for (const TreeEntry& entry : kTree) Age(std::string("src/") + entry.path, 100);
    for (const std::string& page : PagesIn(dir.P("site"))) Age("site/" + page, 100);
    Age("defs/inc.hld", 100);
    Age("defs/asp.hld", 50);
    Result r = Run(kFolderRun + std::vector<std::string>{"/overwrite=1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("4 written, 1 skipped"), std::string::npos) << r.err;  // all but the .inc file
}

// A page up to date by its times is made again when what shapes it changed
// since the last complete run: a page option, or a file it names added.
TEST_F(FolderRunTest, ChangedOptionsOrLinkTargetsMakeUpToDatePagesOutOfDate) {
    dir.Put("src/linker.asp", "<!--#include file=\"later.asp\"-->");
    ASSERT_EQ(Run(kFolderRun).status, 0);
    for (const TreeEntry& entry : kTree) Age(std::string("src/") + entry.path, 100);
    for (const char* old : {"src/linker.asp", "defs/asp.hld", "defs/inc.hld"}) Age(old, 100);
    struct Case {
        const char* added;  // a file put in the tree first, or nullptr
        std::vector<std::string> extra;
        int status;
        const char* summary;
    };
    const Case cases[] = {
        {nullptr, {}, 0, "6 files: 0 written, 6 skipped"},
        {nullptr, {"/linenumbers=1", "/overwrite=1"}, 0, "6 files: 6 written, 0 skipped"},
        {nullptr, {"/linenumbers=1"}, 0, "6 files: 0 written, 6 skipped"},
        // The new file and the one page that names it.
        {"src/later.asp", {"/linenumbers=1", "/overwrite=1"}, 0, "7 files: 2 written, 5 skipped"},
        // Pages kept with other options leave nothing that calls them up to date.
        {nullptr, {}, 1, "0 written, 0 skipped (up to date), 0 failed, 7 kept"},
        {nullptr, {}, 1, "0 written, 0 skipped (up to date), 0 failed, 7 kept"},
        {nullptr, {"/overwrite=1"}, 0, "7 files: 7 written"},
        {nullptr, {}, 0, "7 files: 0 written, 7 skipped"},
    };
    for (const Case& c : cases) {
        if (c.added) dir.Put(c.added, "new 1");
        Result r = Run(kFolderRun + c.extra);
        EXPECT_EQ(r.status, c.status) << ::testing::PrintToString(c.extra) << r.err;
        EXPECT_NE(r.err.find(c.summary), std::string::npos) << ::testing::PrintToString(c.extra) << r.err;
        if (c.added) {
            EXPECT_NE(dir.Get("site/linker.asp.htm").find("href=\"later.asp.htm\""), std::string::npos);
        }
    }
}

TEST_F(FolderRunTest, AFailingFileIsNamedAndTheOthersWritten) {
    dir.Put("defs/bad.hld", "[Main]\nPATTERN=*x\nFORMAT-HTML=$$\n");
    dir.Put("src/inc/broken.bad", "x");
    Result r = Run(kFolderRun);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("inc/broken.bad: Error in processing file."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("6 files: 5 written, 0 skipped (up to date), 1 failed"), std::string::npos) << r.err;
    EXPECT_EQ(PagesIn(dir.P("site")), ExpectedSite());
}

TEST_F(FolderRunTest, AllConvertsFilesNoDefinitionServesAsPlainText) {
    Result r = Run(kFolderRun + std::vector<std::string>{"/all=1"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::set<std::string> expected = ExpectedSite();
    expected.insert("logo.png.htm");  // but not .gitignore: hidden files are left out
    EXPECT_EQ(PagesIn(dir.P("site")), expected);
}

TEST_F(FolderRunTest, FoldersThatCannotWorkAreRefusedBeforeAnythingIsWritten) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"/in=src", "/hldfolder=defs"}, "needs /out=FOLDER"},
        {{"/in=src", "/out=src", "/hldfolder=defs"}, "is the input folder"},
        {{"/in=src", "/out=src/inc/../site", "/hldfolder=defs"}, "is inside the input folder"},
    };
    for (const Case& c : cases) {
        Result r = Run(c.args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(c.args);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(dir.Has("src/site")) << ::testing::PrintToString(c.args);
        EXPECT_FALSE(dir.Has("src/index.asp.htm")) << ::testing::PrintToString(c.args);
    }
}

TEST_F(FolderRunTest, AnExcludedOutputFolderInsideTheTreeIsNeverConverted) {
    const std::vector<std::string> inside = {"/in=src", "/out=src/site", "/hldfolder=defs", "/exclude=site"};
    for (int run = 0; run < 2; ++run) {
        Result r = Run(inside + std::vector<std::string>{"/force=1", "/overwrite=1"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("6 files: 6 written"), std::string::npos) << r.err;  // notes.asp is not excluded here
    }
    EXPECT_FALSE(dir.Has("src/site/site")) << "a page of a page was made";
}

// The targets of the href and src attributes of a page, %XX decoded, each
// as the folder of the page and the anchor after "#" (empty when none).
struct Link {
    std::string file, anchor;
};

std::vector<Link> LinksOf(const std::string& html) {
    std::vector<Link> links;
    const std::regex attribute("(?:href|src)=\"([^\"]*)\"");
    for (auto m = std::sregex_iterator(html.begin(), html.end(), attribute); m != std::sregex_iterator(); ++m) {
        std::string target = (*m)[1], decoded;
        for (size_t i = 0; i < target.size(); ++i) {
            if (target[i] == '%' && i + 2 < target.size()) {
                decoded += static_cast<char>(std::stoi(target.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                decoded += target[i];
            }
        }
        const size_t hash = decoded.find('#');
        links.push_back({decoded.substr(0, hash), hash == std::string::npos ? "" : decoded.substr(hash + 1)});
    }
    return links;
}

TEST_F(FolderRunTest, TheIndexAndThePagesBarsLinkToWhatExists) {
    // Definitions that leave the page to the program, which adds the bar.
    const std::string themed = std::string("LANGUAGE=Digits\nPAGE=themes\n") + "[Main]\nPATTERN=\\d+\nFORMAT-HTML=<b>$$</b>\n"
                               "PATTERN=[\\s\\S]\nFORMAT-HTML=$$\n";
    dir.Put("defs/asp.hld", themed);
    dir.Put("defs/inc.hld", themed);
    dir.Put(std::string("src/odd\nname \xff.asp"), "odd 9");
    Result r = Run(kFolderRun);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string index = dir.Get("site/index.html");
    std::set<std::string> linked = {"index.html"};
    for (const Link& link : LinksOf(index)) {
        EXPECT_TRUE(dir.Has("site/" + link.file)) << link.file;
        linked.insert(link.file);
    }
    std::set<std::string> expected = ExpectedSite();
    expected.insert("odd\nname \xff.asp.htm");  // the name kept as bytes on disk
    EXPECT_EQ(linked, expected);
    EXPECT_NE(index.find("odd\\nname \\xFF.asp"), std::string::npos) << "the name is shown escaped";
    EXPECT_NE(index.find("db.inc</a> <span class=\"about\">7 B, Digits, 1 line</span>"), std::string::npos) << index;
    for (const std::string& page : expected) {
        if (!page.ends_with(".htm")) continue;
        const std::string html = dir.Get("site/" + page);
        const fs::path folder = fs::path(dir.P("site/" + page)).parent_path();
        size_t links = 0;
        for (const Link& link : LinksOf(html)) {
            ++links;
            ASSERT_TRUE(fs::exists(folder / link.file)) << page << " links " << link.file;
            if (!link.anchor.empty()) {
                EXPECT_NE(index.find("id=\"" + link.anchor + "\""), std::string::npos) << page << ": #" << link.anchor;
            }
        }
        EXPECT_GE(links, 2u) << page << " has no bar or no stylesheet";
        EXPECT_EQ(html.find("<style>"), std::string::npos) << page << " holds a copy of the stylesheet";
    }
}

TEST_F(FolderRunTest, IncludesLinkToThePagesOfTheirFiles) {
    struct Case {
        const char* file;
        const char* text;
        const char* link;  // expected in the page; nullptr: no link at all
    };
    const Case cases[] = {
        {"site.asp", "<!--#include file=\"inc/db.asp\"-->", "<a href=\"inc/db.asp.htm\">inc/db.asp</a>"},
        {"inc/v.asp", "<!--#include virtual=\"/site.asp\"-->", "<a href=\"../site.asp.htm\">/site.asp</a>"},
        {"inc/loop.asp", "<!--#include file=\"loopb.asp\"-->", "<a href=\"../inc/loopb.asp.htm\">loopb.asp</a>"},
        {"inc/loopb.asp", "<!--#include file=\"loop.asp\"-->", "<a href=\"../inc/loop.asp.htm\">loop.asp</a>"},
        {"gone.asp", "<!--#include file=\"missing.asp\"-->", nullptr},
    };
    for (const Case& c : cases) dir.Put(std::string("src/") + c.file, c.text);
    Result r = Run(kFolderRun);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const Case& c : cases) {
        const std::string page = dir.Get(std::string("site/") + c.file + ".htm");
        if (c.link) {
            EXPECT_NE(page.find(c.link), std::string::npos) << c.file << ":\n" << page;
        } else {
            EXPECT_EQ(page.find("<a "), std::string::npos) << c.file << ":\n" << page;
        }
    }
}

TEST_F(FolderRunTest, CtrlCLeavesOnlyWholePagesAndExitsWithThree) {
    std::string big;
    for (int i = 0; i < 20000; ++i) big += "line 12345 of a long file\n";
    for (int i = 0; i < 60; ++i) dir.Put("src/big/f" + std::to_string(i) + ".asp", big);
    int in = open("/dev/null", O_RDONLY), out = open("/dev/null", O_WRONLY);
    int err = open(dir.P("err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = Start(kFolderRun + std::vector<std::string>{"/jobs=2"}, in, out, err);
    for (int fd : {in, out, err}) close(fd);
    // Once the first page is whole, the run is under way.
    auto aPageIsWhole = [&] {
        const std::set<std::string> pages = PagesIn(dir.P("site"));
        return std::any_of(pages.begin(), pages.end(), [](const std::string& page) { return page.ends_with(".htm"); });
    };
    for (int i = 0; i < 6000 && !aPageIsWhole(); ++i) usleep(10000);
    kill(pid, SIGINT);
    int wait = 0;
    waitpid(pid, &wait, 0);
    const std::string errors = dir.Get("err.txt");
    const int status = StatusOf(wait);
    EXPECT_TRUE(status == 3 || status == 0) << status << errors;  // 0 only when the run ended first
    if (status == 3) {
        EXPECT_NE(errors.find("not done (cancelled)"), std::string::npos) << errors;
    }
    for (const std::string& page : PagesIn(dir.P("site"))) {
        EXPECT_EQ(page.find(".tmp"), std::string::npos) << "a temporary file was left: " << page;
        if (!page.ends_with(".htm")) continue;
        const std::string text = dir.Get("site/" + page);
        EXPECT_NE(text.rfind("</pre>"), std::string::npos) << page << " is not whole";
    }
}

}  // namespace
