// A folder as the input, run end to end by the built program on a small
// generated tree, where a case of tests/data/folder_runs.cases cannot say it:
// that each page is the page the file gets on its own, the links of the index
// and the pages' bars, and Ctrl-C.
#include "test_prelude.h"
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <regex>
#include <set>

#include "cli_harness.h"
#include "digits_definition.h"

namespace {

const std::vector<std::string> kFolderRun = {"/in=src", "/out=site", "/hldfolder=defs", "/exclude=notes.*"};

// The tree of folder_run.cases: a file under src/ becomes a page unless it is one of the last five rows.
class FolderRunTest : public CliTest {
protected:
    std::vector<std::string> converted;  // the files that become pages, by their paths under src

    void SetUp() override {
        const std::vector<Row> tree = ReadRows("folder_tree.tsv");
        for (size_t i = 0; i < tree.size(); ++i) {
            dir.Put(tree[i][0], tree[i][1]);
            if (tree[i][0].starts_with("src/") && i + 5 < tree.size()) converted.push_back(tree[i][0].substr(4));
        }
    }

    // The pages of the files converted, with the site's index and stylesheet.
    std::set<std::string> ExpectedSite() const {
        std::set<std::string> pages = {"index.html", "tintext.css"};
        for (const std::string& file : converted) pages.insert(file + ".htm");
        return pages;
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
    for (const std::string& file : converted) {
        const std::string page = "site/" + file + ".htm";
        Result single = Run({"/in=src/" + file, "/out=single.htm", "/hldfolder=defs", "/overwrite=1"});
        ASSERT_EQ(single.status, 0) << single.err;
        EXPECT_EQ(dir.Get(page), dir.Get("single.htm")) << page;
    }
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
