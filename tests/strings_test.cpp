#include "support/library/strings.h"

#include <gtest/gtest.h>

#include "recording_environment.h"
#include "scoped_missing_component.h"
#include "support/components.h"
#include "support/error.h"

using namespace tintext;

namespace {

const Strings str;

int32_t ErrorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.Number();
    }
    return 0;
}

Value AnObject() { return Value(std::make_shared<Dictionary>()); }

}  // namespace

TEST(Strings, TrimZ) {
    using namespace std::string_literals;
    EXPECT_EQ(str.TrimZ("abc"), "abc");
    EXPECT_EQ(str.TrimZ("\0abc"s), "");
    EXPECT_EQ(str.TrimZ("ab\0cd\0"s), "ab");
    EXPECT_EQ(str.TrimZ(Value()), "");
    EXPECT_EQ(str.TrimZ(int32_t{12}), "12");
    EXPECT_EQ(str.TrimZ(true), "True");
    EXPECT_EQ(ErrorNumberOf([] { str.TrimZ(AnObject()); }), 13);
    EXPECT_EQ(ErrorNumberOf([] { str.TrimZ(Value::Null()); }), 13);
}

TEST(Strings, EncodeAndDecodeDelimiters) {
    struct Case {
        const char* text;
        const char* delimiter;
        const char* encoded;
        const char* decoded;
    } cases[] = {
        {"say \"hi\"", "\"", "say \"\"hi\"\"", "say \"hi\""},
        {"\"\"\"", "\"", "\"\"\"\"\"\"", "\"\""},  // three in a row: the first pair becomes one
        {"xaby", "ab", "xababy", "xaby"},
        {"ababab", "ab", "abababababab", "abab"},
        {"no delimiter", "|", "no delimiter", "no delimiter"},
        {"a||b", "", "a||b", "a||b"},
        {"", "\"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(str.Encode(c.text, c.delimiter), c.encoded) << c.text;
        EXPECT_EQ(str.Decode(c.text, c.delimiter), c.decoded) << c.text;
    }
    EXPECT_EQ(str.EncodeCSV("a\"b'c"), "a\"\"b'c");
    EXPECT_EQ(str.DecodeCSV("a\"\"b''c"), "a\"b''c");
    EXPECT_EQ(str.EncodeSQL("O'Brien \"x\""), "O''Brien \"x\"");
    EXPECT_EQ(str.DecodeSQL("O''Brien \"\"x\"\""), "O'Brien \"\"x\"\"");
    EXPECT_EQ(str.EncodeCSV(int32_t{-5}), "-5");
    // Unguarded conversions raise the platform's errors.
    EXPECT_EQ(ErrorNumberOf([] { str.EncodeCSV(AnObject()); }), 13);
    EXPECT_EQ(ErrorNumberOf([] { str.Encode("x", Value::Null()); }), 94);
}

TEST(Strings, EncodeHexUsesAnsiCodes) {
    using namespace std::string_literals;
    struct Case {
        std::string text;
        const char* hex;
    } cases[] = {
        {"abc", "616263"},
        {"", ""},
        {"\n\0"s, "0A00"},
        {"\xC3\xA9", "E9"},          // é, one character
        {"\xE2\x82\xAC", "80"},      // the euro sign's code in Windows-1252
        {"\xC5\xA0", "8A"},          // S with caron
        {"\xE6\x97\xA5", "3F"},      // not in the code page: "?"
        {"\xE9x", "E978"},           // a stray legacy byte keeps its code
        {"\xF0\x9F\x98\x80", "3F"},  // one character outside the basic plane
    };
    for (const auto& c : cases) EXPECT_EQ(str.EncodeHex(c.text), c.hex) << c.hex;
}

TEST(Strings, DecodeHexReadsPairsLikeHexLiterals) {
    using namespace std::string_literals;
    struct Case {
        const char* hex;
        std::string text;
    } cases[] = {
        {"616263", "abc"},
        {"61626", "ab"},        // odd length: the last single digit is ignored
        {"6", ""},
        {"", ""},
        {"4G", "\x04"s},        // reading stops at the first non-digit
        {"ZZ", "\0"s},          // no digit at all
        {"G4", "\0"s},
        {"6a6B", "jk"},
        {"E9", "\xC3\xA9"},
        {"80", "\xE2\x82\xAC"},
        {"81", "\xC2\x81"},     // an unassigned code survives as its control character
        {"\xC3\xA9" "4142", "\0\x14"s},  // é is one (non-hex) character: pairs é4, 14; 2 is left over
    };
    for (const auto& c : cases) EXPECT_EQ(str.DecodeHex(c.hex), c.text) << c.hex;
}

TEST(Strings, HexRoundTripKeepsEveryCode) {
    std::string hex;
    for (int code = 0; code < 256; ++code) {
        std::string pair = "0" + std::string(1, "0123456789ABCDEF"[code >> 4]) + "0123456789ABCDEF"[code & 15];
        hex += pair.substr(1);
    }
    EXPECT_EQ(str.EncodeHex(str.DecodeHex(hex)), hex);
}

TEST(Strings, RPad) {
    struct Case {
        Value text, ch, length;
        const char* expected;
    } cases[] = {
        {"ab", "*", int32_t{5}, "ab***"},
        {"abcdef", "*", int32_t{3}, "abcdef"},
        {"ab", "*", int32_t{2}, "ab"},
        {"ab", "xyz", int32_t{4}, "abxx"},
        {"\xC3\xA9", "*", int32_t{3}, "\xC3\xA9**"},  // lengths count characters
        {"a", "\xE2\x82\xAC" "x", int32_t{3}, "a\xE2\x82\xAC\xE2\x82\xAC"},
        {"ab", "", int32_t{1}, "ab"},                 // nothing to fill, so no error
        {"ab", "-", "4", "ab--"},
        {"ab", "-", 4.5, "ab--"},                     // ties to even
        {Value(), "0", int32_t{3}, "000"},
        {int32_t{7}, "0", int32_t{3}, "700"},
    };
    for (const auto& c : cases) EXPECT_EQ(str.RPad(c.text, c.ch, c.length), c.expected) << c.expected;
    EXPECT_EQ(ErrorNumberOf([] { str.RPad("ab", "", int32_t{3}); }), 5);
    EXPECT_EQ(ErrorNumberOf([] { str.RPad("ab", "*", "five"); }), 13);
    EXPECT_EQ(ErrorNumberOf([] { str.RPad("ab", "*", 1e12); }), 6);
    EXPECT_EQ(ErrorNumberOf([] { str.RPad(AnObject(), "*", int32_t{3}); }), 13);
}

TEST(Strings, ParseParametersSharesTheGrammarWithoutTheReport) {
    auto d = str.ParseParameters("-in=\"a b.asp\",out=c.htm /in=x");
    EXPECT_EQ(d->TypeName(), "IDictionary");
    EXPECT_EQ(d->Item("in"), Value("a b.asp"));
    EXPECT_EQ(d->Item("out"), Value("c.htm"));

    RecordingEnvironment env;
    ScopedEnv scoped(env);
    ScopedMissingComponent missing("Ostrand.Dictionary");
    EXPECT_EQ(ErrorNumberOf([] { str.ParseParameters("/in=a"); }), 429);
    EXPECT_TRUE(env.messages.empty());
}

TEST(Strings, EncodeHTML) {
    struct Case {
        Value in;
        const char* out;
    } cases[] = {
        {"", ""},
        {Value(), ""},
        {"a < b && c > d", "a&nbsp;&lt;&nbsp;b&nbsp;&amp;&amp;&nbsp;c&nbsp;&gt;&nbsp;d"},
        {"&amp;", "&amp;amp;"},
        {"  ", "&nbsp;&nbsp;"},
        {"\t\"x\"\r\n'\xC3\xA9", "\t\"x\"\r\n'\xC3\xA9"},
        {int32_t{3}, "3"},
    };
    for (const auto& c : cases) EXPECT_EQ(str.EncodeHTML(c.in), c.out) << c.out;
    EXPECT_EQ(ErrorNumberOf([] { str.EncodeHTML(AnObject()); }), 13);
}
