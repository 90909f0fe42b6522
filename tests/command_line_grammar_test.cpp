#include "support/command_line_grammar.h"

#include "test_prelude.h"

#include "scoped_missing_component.h"
#include "support/components.h"
#include "support/system.h"

namespace {

std::string Show(const std::vector<OptionEntry>& entries) {
    std::string out;
    for (const auto& e : entries) out += (out.empty() ? "<" : " <") + e.name + ">=<" + e.value + ">";
    return out;
}

}  // namespace

TEST(OptionText, SplitAndJoinGiveTheTabledEntries) {
    for (const auto& row : tintext::testing::ReadRows("option_text_cases.txt")) {
        const auto& f = row.fields;
        if (f[0] == "Split") {
            EXPECT_EQ(Show(SplitOptionText(f[1])), f[2]) << row.where;
        } else {
            std::vector<std::string> args(f.begin() + 3, f.end());
            if (args.size() == 1 && args[0].empty()) args.clear();
            EXPECT_EQ(JoinArguments(args), f[1]) << row.where;
            EXPECT_EQ(Show(SplitOptionText(f[1])), f[2]) << row.where;
        }
    }
}

TEST(ParseOptionText, RepeatedNameKeepsTheFirstValue) {
    auto d = ParseOptionText("/in=a /in=b  x", CreateObject);
    EXPECT_EQ(d->TypeName(), "IDictionary");
    EXPECT_EQ(d->Count(), 3);
    EXPECT_EQ(d->Item("in"), Value("a"));
    EXPECT_EQ(d->Item("x"), Value(""));
}

TEST(ParseOptionText, FactoryThatGivesNoCollectionRaises13) {
    auto notACollection = [](const std::string&) -> ObjectRef { return std::make_shared<Strings2>(); };
    try {
        ParseOptionText("/in=a", notACollection);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), err::TypeMismatch);
    }
}

TEST(ParseCommandline, ReportsAMissingCollectionComponent) {
    RecordingEnvironment env;
    System system(env);
    EXPECT_EQ(system.ParseCommandline("/in=a.asp")->Item("in"), Value("a.asp"));
    ScopedMissingComponent missing("Ostrand.Dictionary");
    EXPECT_THROW(system.ParseCommandline("/in=a.asp"), Error);
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_EQ(env.messages[0].text, "Message:\r\nCreateObject of [Ostrand.Dictionary] failed.");
}
