// Each shipped definition on 10 MB single lines of its language's commonest
// long forms (tests/data/long_lines.txt): a pattern whose work grows with the
// text it covers must not end in the engine's "too much backtracking" on
// ordinary long text, and the text must come back whole. The lines are made
// here, never stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/formatter.h"
#include "case_file.h"
#include "engine/hld_loader.h"
#include "recording_environment.h"
#include "support/error.h"

using namespace tintext;
using tintext::testing::ReadRows;
namespace fs = std::filesystem;

namespace {

constexpr size_t kLineSize = 10 * 1000 * 1000;

struct LongForm {
    std::string form, prefix, unit, suffix;
};

// The forms of each definition, by its file name.
const std::map<std::string, std::vector<LongForm>>& FormsByDefinition() {
    static const std::map<std::string, std::vector<LongForm>> forms = [] {
        std::map<std::string, std::vector<LongForm>> read;
        for (const auto& row : ReadRows("long_lines.txt")) {
            EXPECT_EQ(row.fields.size(), 5u) << row.where;
            read[row[0] + ".hld"].push_back({row[1], row[2], row[3], row[4]});
        }
        return read;
    }();
    return forms;
}

std::vector<std::string> DefinitionsWithForms() {
    std::vector<std::string> names;
    for (const auto& [name, forms] : FormsByDefinition()) names.push_back(name);
    return names;
}

// Compares the text the formatted HTML shows with the input while the HTML is
// written, without holding it: tags are dropped and the formatter's escapes
// decoded, as in RecoverText.
class ShownTextChecker final : public OutputSink {
public:
    explicit ShownTextChecker(std::string_view input) : input_(input) {}

    void Append(std::string_view piece) override {
        for (char c : piece) Take(c);
    }

    // Empty when the text shown is the whole input, else what is wrong first.
    std::string Problem() const {
        if (!problem_.empty()) return problem_;
        if (inTag_ || !entity_.empty()) return "the HTML ends inside a tag or an escape";
        if (shown_ < input_.size()) return "the text shown ends at byte " + std::to_string(shown_);
        return "";
    }

private:
    void Take(char c) {
        if (!problem_.empty()) return;
        if (inTag_) {
            inTag_ = c != '>';
        } else if (!entity_.empty()) {
            entity_ += c;
            if (c == ';') Decode();
            else if (entity_.size() > 6) problem_ = "unknown escape " + entity_ + " at byte " + std::to_string(shown_);
        } else if (c == '<') {
            inTag_ = true;
        } else if (c == '&') {
            entity_ = "&";
        } else {
            Show(c);
        }
    }

    void Decode() {
        static const std::pair<const char*, char> kEscapes[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&nbsp;", ' '}};
        for (const auto& [escape, c] : kEscapes) {
            if (entity_ == escape) {
                entity_.clear();
                Show(c);
                return;
            }
        }
        problem_ = "unknown escape " + entity_ + " at byte " + std::to_string(shown_);
    }

    void Show(char c) {
        if (shown_ < input_.size() && input_[shown_] == c) {
            ++shown_;
            return;
        }
        const size_t from = shown_ < 30 ? 0 : shown_ - 30;
        problem_ = "the text shown differs at byte " + std::to_string(shown_) + ": \"" +
                   std::string(input_.substr(from, shown_ - from)) + "\" is followed by \"" + std::string(1, c) +
                   "\" instead of \"" + std::string(input_.substr(shown_, 1)) + "\"";
    }

    std::string_view input_;
    size_t shown_ = 0;
    bool inTag_ = false;
    std::string entity_;
    std::string problem_;
};

const fs::path kHldFolder = fs::path(TINTEXT_SOURCE_DIR) / "hld";

TEST(LongLines, EveryShippedDefinitionHasItsForms) {
    std::set<std::string> missing;
    for (const auto& entry : fs::directory_iterator(kHldFolder))
        if (entry.path().extension() == ".hld" && !entry.is_symlink()) missing.insert(entry.path().filename().string());
    for (const auto& [name, forms] : FormsByDefinition()) {
        EXPECT_TRUE(missing.erase(name)) << name << " is not a shipped definition";
    }
    EXPECT_TRUE(missing.empty()) << missing.size() << " without forms, the first " << *missing.begin();
}

class LongLinesOf : public ::testing::TestWithParam<std::string> {};

TEST_P(LongLinesOf, TenMegabyteLinesComeBackWhole) {
    const HldTree tree = LoadHld((kHldFolder / GetParam()).string());
    for (const LongForm& form : FormsByDefinition().at(GetParam())) {
        SCOPED_TRACE(form.form);
        std::string input = form.prefix;
        input.reserve(kLineSize + form.unit.size() + form.suffix.size());
        while (input.size() < kLineSize) input += form.unit;
        input += form.suffix;
        RecordingEnvironment env;
        ShownTextChecker shown(input);
        size_t position = 0;
        try {
            FormatSection(tree, tree.sections.at(0).second, input, shown, position, env);
        } catch (const Error& e) {
            ADD_FAILURE() << e.Description();
            continue;
        }
        EXPECT_EQ(shown.Problem(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, LongLinesOf, ::testing::ValuesIn(DefinitionsWithForms()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param.substr(0, info.param.size() - 4);
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name;
                         });

}  // namespace
