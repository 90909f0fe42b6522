// The built program end to end, case by case from tests/data/cli.cases: the
// command lines people and scripts write, what each prints and returns, and
// which files it leaves. Each case runs in a fresh folder holding
// defs/digits.hld (digits in bold) and a.asp ("a 12"), with no display.
#include "test_prelude.h"

#include <chrono>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>

#include "app/settings.h"
#include "cli_harness.h"
#include "support/program_info.h"

namespace {

class CliCase : public CliTest {
public:
    void TestBody() override {}
    using CliTest::dir;

    std::string Sub(const std::string& text) const {
        return Substituted(text, {{"$DIR", dir.path()}, {"$SHIPPED", TINTEXT_SOURCE_DIR "/hld"},
                                  {"$DIGITS_HLD", kDigitsHld}, {"{SP}", " "}});
    }

    // One line of a case's actions.
    void Act(const Step& step) {
        const std::string& key = step.key;
        const std::string value = Sub(step.value);
        if (key == "run") {
            std::vector<std::string> args;
            std::istringstream words(step.value);  // split before the names, which may hold blanks
            for (std::string word; words >> word;) args.push_back(Sub(word));
            result = Run(args, stdinText, binary);
        } else if (key.starts_with("file ") || key.starts_with("exec ")) {
            const std::string name = Sub(key.substr(5));
            dir.Put(name, value);
            if (key.starts_with("exec ")) fs::permissions(dir.P(name), fs::perms::owner_all);
        } else if (key == "stdin") {
            stdinText = value;
        } else if (key == "env") {
            const std::string name = value.substr(0, value.find('=') + 1);
            std::erase_if(extraEnv, [&](const std::string& e) { return e.starts_with(name); });
            extraEnv.push_back(value);
        } else if (key == "remove") {
            fs::remove(dir.P(value));
        } else if (key.starts_with("age ")) {
            // Pushes back the time of a file, or of every file under a folder.
            std::vector<fs::directory_entry> files{fs::directory_entry(dir.P(key.substr(4)))};
            if (files[0].is_directory()) files.assign(fs::recursive_directory_iterator(files[0].path()), {});
            for (const fs::directory_entry& file : files)
                if (file.is_regular_file())
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
            ADD_FAILURE() << "unknown action: " << step.line;
        }
    }

    // The expectations of a case: the status, the whole of stdout and stderr
    // (empty unless given; "..." stands for any text), files and their texts.
    void Check(const std::vector<Step>& expectations) {
        std::string out, err;
        for (const auto& [line, key, decoded] : expectations) {
            const std::string value = Sub(decoded), name = key.substr(key.find(' ') + 1);
            std::istringstream words(value);
            if (key == "status") EXPECT_EQ(result.status, std::stoi(value)) << result.err;
            else if (key == "stdout") out += (out.empty() ? "" : "\n") + value;
            else if (key == "stderr") err += (err.empty() ? "" : "\n") + value;
            else if (key.starts_with("file "))
                EXPECT_TRUE(dir.Has(name) && Like(dir.Get(name), value)) << key << ": " << dir.Get(name);
            else if (key == "no file") EXPECT_FALSE(dir.Has(value)) << value;
            else if (key.starts_with("pages "))
                EXPECT_EQ(PagesIn(dir.P(name)), std::set<std::string>(std::istream_iterator<std::string>(words), {}));
            else ADD_FAILURE() << "unknown expectation: " << line;
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
        prepare(run.dir);
        for (size_t part = 0; part + 1 < c.parts.size(); part += 2) {
            for (const Step& step : Steps(c.rawParts[part])) run.Act(step);
            run.Check(Steps(c.rawParts[part + 1]));
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
