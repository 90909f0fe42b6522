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
#include "shipped_definitions.h"
#include "support/error.h"

using namespace tintext;
using namespace tintext::testing;
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

TEST(LongLines, EveryShippedDefinitionHasItsForms) {
    std::set<std::string> missing;
    for (const std::string& name : ShippedDefinitions()) missing.insert(name);
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
                         [](const auto& info) { return TestNameOf(info.param); });

}  // namespace
