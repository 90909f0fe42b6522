// The walk over a source tree: which files a run over a folder sees, and the
// glob patterns that include, exclude and .gitignore lines are written in.
#include "app/source_tree.h"

#include "test_prelude.h"
#include <sys/stat.h>
#include <unistd.h>

#include <iterator>
#include <sstream>

#include "digits_definition.h"

namespace {

TEST(GlobMatches, TableOfPatternsAndPaths) {
    for (const tintext::testing::Row& row : tintext::testing::ReadRows("globs.tsv")) {
        const bool matches = row[0] == "tree" ? TreePatternMatches(row[1], row[2]) : GlobMatches(row[1], row[2]);
        EXPECT_EQ(matches ? "yes" : "no", row[3]) << row.where;
    }
}

std::vector<std::string> Walked(const std::string& root, const TreeFilter& filter = {}) {
    std::vector<std::string> names;
    for (const TreeFile& file : WalkSourceTree(root, filter).files) names.push_back(file.relative);
    return names;
}

class WalkSourceTreeTest : public ::testing::Test {
protected:
    Files dir;
    void SetUp() override {
        for (const char* name : {"a.asp", "b/c.asp", "b/d/e.vbs", ".git/config", ".hidden/x.asp", "build/out.asp",
                                 "logs/x.log", "keep/x.log", "b/skip.tmp"})
            dir.Put(std::string("tree/") + name, "x");
        dir.Put("tree/.gitignore", "# generated\nbuild/\n*.log\n!keep/*.log\n");
        dir.Put("tree/b/.gitignore", "/skip.tmp\n");
    }
};

TEST_F(WalkSourceTreeTest, LeavesOutHiddenFoldersAndFilesAndWhatGitignoreLists) {
    EXPECT_EQ(Walked(dir.P("tree")), (std::vector<std::string>{"a.asp", "b/c.asp", "b/d/e.vbs", "keep/x.log"}));
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

TEST_F(WalkSourceTreeTest, IncludeAndExcludeFilterByPathInTheTree) {
    for (const tintext::testing::Row& row : tintext::testing::ReadRows("app_tree_filters.tsv")) {
        TreeFilter filter;
        filter.include = Words(row[0]);
        filter.exclude = Words(row[1]);
        EXPECT_EQ(Walked(dir.P("tree"), filter), Words(row[2])) << row.where;
    }
}

TEST_F(WalkSourceTreeTest, ALinkLoopIsFollowedOnceAndTold) {
    std::filesystem::create_directory_symlink("..", dir.P("tree/b/up"));
    const SourceTree tree = WalkSourceTree(dir.P("tree"), {});
    ASSERT_EQ(tree.problems.size(), 1u);
    EXPECT_NE(tree.problems[0].find("tree/b/up"), std::string::npos) << tree.problems[0];
    EXPECT_EQ(tree.files.size(), 4u);
}

TEST_F(WalkSourceTreeTest, TheSkippedFolderIsNeverEntered) {
    struct stat st {};
    ASSERT_EQ(::stat(dir.P("tree/b").c_str(), &st), 0);
    TreeFilter filter;
    filter.skipDevice = st.st_dev;
    filter.skipInode = st.st_ino;
    EXPECT_EQ(Walked(dir.P("tree"), filter), (std::vector<std::string>{"a.asp", "keep/x.log"}));
}

TEST_F(WalkSourceTreeTest, AnUnreadableFolderIsToldAndTheRestWalked) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    ASSERT_EQ(::chmod(dir.P("tree/b/d").c_str(), 0), 0);
    const SourceTree tree = WalkSourceTree(dir.P("tree"), {});
    ASSERT_EQ(tree.problems.size(), 1u);
    EXPECT_NE(tree.problems[0].find("b/d cannot be read"), std::string::npos) << tree.problems[0];
    EXPECT_EQ(tree.files.size(), 3u);
}

}  // namespace
