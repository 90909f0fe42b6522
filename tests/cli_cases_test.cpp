// The built program end to end, case by case from tests/data/cli.cases: the
// command lines people and scripts write, what each prints and returns, and
// which files it leaves. Each case runs in a fresh folder holding
// defs/digits.hld (digits in bold) and a.asp ("a 12"), with no display.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

#include "app/settings.h"
#include "case_file.h"
#include "cli_harness.h"
#include "support/program_info.h"

namespace fs = std::filesystem;
using namespace tintext::testing;

namespace {

std::string Substituted(std::string text, const Files& dir) {
    const std::pair<std::string, std::string> names[] = {{"$DIR", dir.path()}, {"$SHIPPED", TINTEXT_SOURCE_DIR "/hld"},
                                                         {"$DIGITS_HLD", kDigitsHld}, {"{SP}", " "}};
    for (const auto& [name, value] : names)
        for (size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), value);
    return text;
}

class CliCase : public CliTest {
public:
    void TestBody() override {}
    void Prepare() { SetUp(); }
    using CliTest::dir;

    // One "key: value" line of a case's actions.
    void Act(const std::string& line) {
        if (line.starts_with("#")) return;
        const size_t colon = line.find(": ");
        const std::string key = line.substr(0, colon);
        const std::string value = colon == std::string::npos ? "" : DecodeField(line.substr(colon + 2));
        if (key == "run") {
            std::vector<std::string> args;
            std::istringstream words(value);
            for (std::string word; words >> word;) args.push_back(Substituted(word, dir));
            result = Run(args, stdinText, binary);
        } else if (key.starts_with("file ") || key.starts_with("exec ")) {
            const std::string name = Substituted(key.substr(5), dir);
            dir.Put(name, Substituted(value, dir));
            if (key.starts_with("exec ")) fs::permissions(dir.P(name), fs::perms::owner_all);
        } else if (key == "stdin") {
            stdinText = value;
        } else if (key == "env") {
            const std::string entry = Substituted(value, dir);
            std::erase_if(extraEnv, [&](const std::string& e) { return e.substr(0, e.find('=')) == entry.substr(0, entry.find('=')); });
            extraEnv.push_back(entry);
        } else if (key == "remove") {
            fs::remove(dir.P(value));
        } else if (key.starts_with("age ")) {
            // Pushes back the time of a file, or of every file under a folder.
            const fs::path path = dir.P(key.substr(4));
            std::vector<fs::path> files{path};
            if (fs::is_directory(path)) {
                files.clear();
                for (const auto& entry : fs::recursive_directory_iterator(path))
                    if (entry.is_regular_file()) files.push_back(entry.path());
            }
            for (const fs::path& file : files)
                fs::last_write_time(file, fs::last_write_time(file) - std::chrono::seconds(std::stoi(value)));
        } else if (key == "program") {
            fs::create_directories(fs::path(dir.P(value)).parent_path());
            fs::copy_file(kBinary, dir.P(value));
            binary = dir.P(value);
        } else if (key.starts_with("setting ")) {
            setenv("TINTEXT_REGISTRY_DIR", dir.P("registry").c_str(), 1);
            tintext::WriteSetting(tintext::kCompanyName, tintext::kProgramTitle, "Settings", key.substr(8), value);
            unsetenv("TINTEXT_REGISTRY_DIR");
        } else {
            ADD_FAILURE() << "unknown action: " << line;
        }
    }

    // The expectations of a case: the status, the whole of stdout and stderr
    // (empty unless given; "..." stands for any text), files and their texts.
    void Check(const std::string& expectations) {
        std::string out, err;
        std::istringstream lines(expectations);
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with("#")) continue;
            const size_t colon = line.find(": ");
            const std::string key = line.substr(0, colon);
            const std::string value = Substituted(DecodeField(line.substr(colon + 2)), dir);
            if (key == "status") {
                EXPECT_EQ(result.status, std::stoi(value)) << result.err;
            } else if (key == "stdout") {
                out += (out.empty() ? "" : "\n") + value;
            } else if (key == "stderr") {
                err += (err.empty() ? "" : "\n") + value;
            } else if (key.starts_with("file ")) {
                ASSERT_TRUE(dir.Has(key.substr(5))) << key;
                EXPECT_TRUE(Like(dir.Get(key.substr(5)), value)) << key << ": " << dir.Get(key.substr(5));
            } else if (key == "no file") {
                EXPECT_FALSE(dir.Has(value)) << value;
            } else if (key.starts_with("pages ")) {
                std::string pages;
                for (const std::string& page : PagesIn(dir.P(key.substr(6)))) pages += (pages.empty() ? "" : " ") + page;
                EXPECT_EQ(pages, value) << key;
            } else {
                ADD_FAILURE() << "unknown expectation: " << line;
            }
        }
        EXPECT_TRUE(Like(result.out, out)) << "stdout: " << result.out;
        EXPECT_TRUE(Like(result.err, err)) << "stderr: " << result.err;
    }

    Result result;
    std::string stdinText;
    std::string binary = kBinary;
};

}  // namespace

// Each case of a file, in a fresh folder that `prepare` fills first.
void RunCases(const std::string& file, const std::function<void(Files&)>& prepare) {
    for (const Block& c : ReadBlocks(file)) {
        SCOPED_TRACE(c.where + " " + c.title);
        CliCase run;
        run.Prepare();
        prepare(run.dir);
        for (size_t part = 0; part + 1 < c.parts.size(); part += 2) {
            std::istringstream actions(c.rawParts[part]);
            for (std::string line; std::getline(actions, line);) run.Act(line);
            run.Check(c.rawParts[part + 1]);
        }
    }
}

TEST(CliCases, EachCase) {
    RunCases("cli.cases", [](Files&) {});
}

// Folders as the input, each case starting from the tree of folder_tree.tsv.
TEST(CliCases, FolderRuns) {
    RunCases("folder_runs.cases", [](Files& dir) {
        for (const Row& row : ReadRows("folder_tree.tsv")) dir.Put(row[0], row[1]);
    });
}
