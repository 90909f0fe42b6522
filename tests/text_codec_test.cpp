#include "support/text_codec.h"

#include "test_prelude.h"

#include "support/strings2_component.h"
#include "support/utf8.h"

namespace {

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    return bytes;
}

}  // namespace

TEST(TextCodec, ConversionsGiveTheTabledResults) {
    Strings2 strings2;
    for (const auto& row : tintext::testing::ReadRows("text_codec_cases.txt")) {
        const auto& f = row.fields;
        if (f[0] == "Utf8") EXPECT_EQ(IsValidUtf8(f[1]), f[2].starts_with("valid")) << row.where;
        else if (f[0] == "FileText") EXPECT_EQ(DecodeFileText(f[1]), f[2]) << row.where;
        else if (f[0] == "Decode") EXPECT_EQ(DecodeCodePage(f[2], std::stoi(f[1])), f[3]) << row.where;
        else if (f[0] == "Encode") EXPECT_EQ(EncodeCodePage(f[2], std::stoi(f[1])), f[3]) << row.where;
        else if (f[0] == "Oem") EXPECT_EQ(strings2.Oem2CharBuff(f[1]), f[2]) << row.where;
        else if (f[0] == "TrimZ") EXPECT_EQ(strings2.TrimZ(f[1]), f[2]) << row.where;
        else ADD_FAILURE() << row.where << ": no such operation";
    }
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

TEST(CodePages, EveryByteOfASingleBytePageSurvivesARoundTrip) {
    for (int codePage : {1252, 437, 850, 1251}) {
        std::string text = DecodeCodePage(AllBytes(), codePage);
        EXPECT_TRUE(IsValidUtf8(text)) << codePage;
        EXPECT_EQ(EncodeCodePage(text, codePage), AllBytes()) << codePage;
    }
    EXPECT_EQ(DecodeFileText(AllBytes()), DecodeCodePage(AllBytes(), 1252));  // not UTF-8
    Strings2 strings2;
    EXPECT_EQ(strings2.Oem2CharBuff(AllBytes()), DecodeCodePage(AllBytes(), 437));
    strings2.SetOemCodePage(850);
    EXPECT_EQ(strings2.Oem2CharBuff("\xD5"), "\xC4\xB1");  // dotless i in CP850
}

TEST(CodePages, AnUnknownCodePageFailsWith5) {
    for (auto call : {+[] { DecodeCodePage("x", 12345); }, +[] { EncodeCodePage("x", 12345); },
                      +[] { SetDefaultOemCodePage(12345); }}) {
        EXPECT_EQ(tintext::testing::Raised(call).Number(), err::InvalidArgument);
    }
    EXPECT_EQ(DefaultOemCodePage(), 437);
}
