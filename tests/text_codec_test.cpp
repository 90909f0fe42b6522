#include "support/text_codec.h"

#include <gtest/gtest.h>

#include "support/error.h"
#include "support/strings2_component.h"
#include "support/utf8.h"

using namespace tintext;

namespace {

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    return bytes;
}

}  // namespace

TEST(IsValidUtf8, WellFormedAndMalformedSequences) {
    struct Case {
        std::string bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"plain ascii", true},
        {"caf\xC3\xA9", true},
        {"\xE2\x82\xAC", true},          // euro sign
        {"\xF0\x9F\x98\x80", true},      // outside the BMP
        {"\xF4\x8F\xBF\xBF", true},      // U+10FFFF
        {"caf\xE9", false},              // Windows-1252 e acute
        {"\xC0\x80", false},             // overlong NUL
        {"\xE0\x80\xAF", false},         // overlong slash
        {"\xED\xA0\x80", false},         // surrogate
        {"\xF4\x90\x80\x80", false},     // above U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"\x80", false},                 // lone continuation byte
        {"ab\xC3", false},               // cut short at the end
        {"\xE2\x82", false},
        {"\xF0\x9F\x98", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
}

TEST(IsValidUtf8, FindsAFaultAtAnyOffsetOfALongAsciiRun) {
    // The ASCII runs are checked several bytes at a time; a fault must not hide
    // at any position relative to those steps.
    for (size_t offset = 0; offset < 40; ++offset) {
        std::string text(48, 'a');
        text[offset] = '\xFF';
        EXPECT_FALSE(IsValidUtf8(text)) << offset;
        text.replace(offset, 1, "\xC3\xA9");
        EXPECT_TRUE(IsValidUtf8(text)) << offset;
        text.erase(offset + 1);  // cut the sequence in half at the very end
        EXPECT_FALSE(IsValidUtf8(text)) << offset;
    }
}

TEST(DecodeFileText, KeepsUtf8DropsTheBomAndReadsTheRestAsWindows1252) {
    struct Case {
        std::string bytes, text;
    } cases[] = {
        {"", ""},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"\xEF\xBB\xBF" "abc", "abc"},
        {"\xEF\xBB\xBF", ""},
        {"a\xEF\xBB\xBF", "a\xEF\xBB\xBF"},          // only a leading mark is dropped
        {"caf\xE9", "caf\xC3\xA9"},
        {"\x80 \x9F", "\xE2\x82\xAC \xC5\xB8"},        // euro sign, Y with diaeresis
        {"\xEF\xBB\xBF\xE9", "\xC3\xA9"},              // marked UTF-8 with a stray byte
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeFileText(c.bytes), c.text) << testing::PrintToString(c.bytes);
}

TEST(Windows1252, UndefinedBytesBecomeTheirOwnCodePoints) {
    for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        std::string expected = {static_cast<char>(0xC2), static_cast<char>(b)};
        EXPECT_EQ(DecodeCodePage(std::string(1, static_cast<char>(b)), 1252), expected) << int(b);
    }
}

TEST(CodePages, EveryByteOfASingleBytePageSurvivesARoundTrip) {
    for (int codePage : {1252, 437, 850, 1251}) {
        std::string text = DecodeCodePage(AllBytes(), codePage);
        EXPECT_TRUE(IsValidUtf8(text)) << codePage;
        EXPECT_EQ(EncodeCodePage(text, codePage), AllBytes()) << codePage;
    }
    // A file of every byte is not UTF-8, so it is read as Windows-1252.
    EXPECT_EQ(DecodeFileText(AllBytes()), DecodeCodePage(AllBytes(), 1252));
}

TEST(CodePages, KnownCharacters) {
    struct Case {
        int codePage;
        std::string bytes, text;
    } cases[] = {
        {437, "\x82t\x82", "\xC3\xA9t\xC3\xA9"},           // DOS "ete" with accents
        {437, "\xB0\xE1", "\xE2\x96\x91\xC3\x9F"},         // light shade, sharp s
        {437, "plain", "plain"},
        {1251, "\xCF\xF0\xE8", "\xD0\x9F\xD1\x80\xD0\xB8"},
        {936, "\xC4\xE3\xBA\xC3", "\xE4\xBD\xA0\xE5\xA5\xBD"},  // GBK "ni hao"
        {936, "a\xC4", "a\xEF\xBF\xBD"},                   // a lead byte cut off: U+FFFD
        {65001, "caf\xE9", "caf\xEF\xBF\xBD"},             // not UTF-8: U+FFFD
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeCodePage(c.bytes, c.codePage), c.text) << c.codePage;
}

TEST(CodePages, EncodingMarksMissingCharacters) {
    EXPECT_EQ(EncodeCodePage("caf\xC3\xA9", 1252), "caf\xE9");
    EXPECT_EQ(EncodeCodePage("\xE4\xBD\xA0\xE5\xA5\xBD", 936), "\xC4\xE3\xBA\xC3");
    EXPECT_EQ(EncodeCodePage("a\xE4\xBD\xA0" "b", 1252), "a?b");
    EXPECT_EQ(EncodeCodePage("a\xF0\x9F\x98\x80" "b", 936), "a?b");
}

TEST(CodePages, AnUnknownCodePageFailsWith5) {
    for (auto call : {+[] { DecodeCodePage("x", 12345); }, +[] { EncodeCodePage("x", 12345); },
                      +[] { SetDefaultOemCodePage(12345); }}) {
        try {
            call();
            ADD_FAILURE() << "expected error 5";
        } catch (const Error& e) {
            EXPECT_EQ(e.Number(), err::InvalidArgument);
        }
    }
    EXPECT_EQ(DefaultOemCodePage(), 437);
}

TEST(Strings2, Oem2CharBuffDecodesTheBytesAsOemEvenWhereTheyAreValidUtf8) {
    Strings2 strings2;
    struct Case {
        std::string bytes, converted;
    } cases[] = {
        {"plain ascii\r\n", "plain ascii\r\n"},
        {"\x82t\x82", "\xC3\xA9t\xC3\xA9"},
        {"\xC9\xCD\xBB", "\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97"},  // box drawing
        {"\xC4\xBF", "\xE2\x94\x80\xE2\x94\x90"},                    // also valid UTF-8 (U+013F)
    };
    for (const auto& c : cases) EXPECT_EQ(strings2.Oem2CharBuff(c.bytes), c.converted) << c.bytes;
    EXPECT_EQ(strings2.Oem2CharBuff(AllBytes()), DecodeCodePage(AllBytes(), 437));

    strings2.SetOemCodePage(850);
    EXPECT_EQ(strings2.Oem2CharBuff("\xD5"), "\xC4\xB1");  // dotless i in CP850
}

TEST(Strings2, TrimZCutsAtTheFirstZeroCharacter) {
    Strings2 strings2;
    EXPECT_EQ(strings2.TrimZ(std::string("abc\0def\0", 8)), "abc");
    EXPECT_EQ(strings2.TrimZ("abc"), "abc");
    EXPECT_EQ(strings2.TrimZ(std::string("\0x", 2)), "");
}
