#include "support/library/strings.h"

#include "test_prelude.h"

#include <functional>
#include <map>

#include "scoped_missing_component.h"
#include "typed_value.h"

namespace {

const Strings str;

std::string ResultOf(const std::function<std::string()>& call) {
    try {
        return call();
    } catch (const Error& e) {
        return "error " + std::to_string(e.Number());
    }
}

// An argument as the table gives it: text, or "=KIND:TEXT" for another kind of value.
Value Argument(const std::string& field) {
    return field.starts_with("=") ? tintext::testing::Typed(field.substr(1)) : Value(field);
}

}  // namespace

TEST(Strings, OperationsGiveTheTabledResults) {
    using Args = std::vector<Value>;
    const std::map<std::string, std::function<std::string(const Args&)>> operations = {
        {"TrimZ", [](const Args& a) { return str.TrimZ(a[0]); }},
        {"Encode", [](const Args& a) { return str.Encode(a[0], a[1]); }},
        {"Decode", [](const Args& a) { return str.Decode(a[0], a[1]); }},
        {"EncodeCSV", [](const Args& a) { return str.EncodeCSV(a[0]); }},
        {"DecodeCSV", [](const Args& a) { return str.DecodeCSV(a[0]); }},
        {"EncodeSQL", [](const Args& a) { return str.EncodeSQL(a[0]); }},
        {"DecodeSQL", [](const Args& a) { return str.DecodeSQL(a[0]); }},
        {"EncodeHex", [](const Args& a) { return str.EncodeHex(a[0].AsString()); }},
        {"DecodeHex", [](const Args& a) { return str.DecodeHex(a[0].AsString()); }},
        {"RPad", [](const Args& a) { return str.RPad(a[0], a[1], a[2]); }},
        {"EncodeHTML", [](const Args& a) { return str.EncodeHTML(a[0]); }},
        {"HexRoundTrip", [](const Args& a) { return str.EncodeHex(str.DecodeHex(a[0].AsString())); }},
    };
    for (const auto& row : tintext::testing::ReadRows("strings_cases.txt")) {
        Args args;
        for (size_t i = 1; i + 1 < row.fields.size(); ++i) args.push_back(Argument(row.fields[i]));
        EXPECT_EQ(ResultOf([&] { return operations.at(row.fields[0])(args); }), row.fields.back()) << row.where;
    }
}

TEST(Strings, ParseParametersRaisesWithoutReportingAMissingCollection) {
    EXPECT_EQ(str.ParseParameters("-in=\"a b.asp\",out=c.htm /in=x")->Item("in"), Value("a b.asp"));
    RecordingEnvironment env;
    ScopedEnv scoped(env);
    ScopedMissingComponent missing("Ostrand.Dictionary");
    EXPECT_EQ(ResultOf([] { return str.ParseParameters("/in=a")->TypeName(); }), "error 429");
    EXPECT_TRUE(env.messages.empty());
}
