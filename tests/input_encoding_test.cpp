// Input decoding: the code pages, their names, the pages' own declarations,
// and the order in which the encoding of an input is chosen.
#include "engine/input_encoding.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "engine/encoding_declaration.h"
#include "support/code_pages.h"
#include "support/text_codec.h"

using namespace tintext;

namespace {

const std::string kFffd = "\xEF\xBF\xBD";

std::string FromHex(const std::string& hex) {
    std::istringstream in(hex);
    std::string bytes, pair;
    while (in >> pair) bytes += static_cast<char>(std::stoi(pair, nullptr, 16));
    return bytes;
}

// The tab-separated lines of a file in tests/data, comments left out.
std::vector<std::vector<std::string>> DataLines(const std::string& name) {
    std::ifstream in(std::string(TINTEXT_SOURCE_DIR) + "/tests/data/" + name);
    EXPECT_TRUE(in) << name;
    std::vector<std::vector<std::string>> lines;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
        lines.push_back(fields);
    }
    return lines;
}

EncodingChoice Choose(const std::string& bytes, int codePage = 0, bool dosText = false) {
    return ChooseInputEncoding(bytes, {codePage, codePage ? "the /codepage option" : "", dosText});
}

std::string DetectorSample(int codePage) {
    for (const auto& fields : DataLines("detector_samples.txt"))
        if (std::stoi(fields[0]) == codePage) return FromHex(fields[1]);
    ADD_FAILURE() << "no detector sample for " << codePage;
    return {};
}

}  // namespace

TEST(CodePages, EveryKnownPageDecodesItsSampleToTheRightText) {
    std::set<int> covered;
    for (const auto& fields : DataLines("encoding_samples.txt")) {
        ASSERT_EQ(fields.size(), 3u);
        const int page = std::stoi(fields[0]);
        covered.insert(page);
        EXPECT_EQ(DecodeCodePage(FromHex(fields[1]), page), fields[2]) << CodePageLabel(page);
    }
    for (const CodePageInfo& page : KnownCodePages()) EXPECT_TRUE(covered.count(page.number)) << page.name;
}

TEST(CodePages, InvalidBytesBecomeReplacementCharacters) {
    const struct {
        int page;
        std::string bytes, text;
    } cases[] = {
        {936, "a\xC4", "a" + kFffd},                              // a lead byte cut off by the end
        {936, "\xFF" "b", kFffd + "b"},                           // no GBK sequence starts with FF
        {932, "\xA0x", kFffd + "x"},
        {65001, "caf\xE9!", "caf" + kFffd + "!"},
        {65001, "\xE4\xB8", kFffd + kFffd},                       // a cut-off sequence, byte by byte
        {1200, std::string("h\0i\0!", 5), "hi" + kFffd},          // an odd byte count
        {1200, std::string("\x00\xD8" "a\0", 4), kFffd + "a"},    // a lone high surrogate
        {1201, std::string("\0h\xDC\x00", 4), "h" + kFffd},       // a lone low surrogate
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeCodePage(c.bytes, c.page), c.text) << c.page << " " << c.bytes;
}

TEST(CodePages, NamesAsUsersAndPagesWriteThem) {
    const struct {
        const char* name;
        int page;  // 0: not a code page
    } cases[] = {
        {"936", 936},          {"gbk", 936},          {"GB2312", 936},      {"big5", 950},
        {"Shift_JIS", 932},    {"sjis", 932},         {"euc-kr", 949},      {"ks_c_5601-1987", 949},
        {"windows-1251", 1251}, {"CP1251", 1251},     {"utf-8", 65001},     {"UTF8", 65001},
        {"65001", 65001},      {"cp437", 437},        {"ibm866", 866},      {"850", 850},
        {"iso-8859-15", 28605}, {"latin1", 28591},    {"koi8-r", 20866},    {"utf-16", 1200},
        {"utf-16be", 1201},    {" gb18030 ", 54936},  {"", 0},              {"gbkx", 0},
        {"12345", 0},          {"cp12345", 0},        {"auto", 0},          {"936x", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(CodePageFromName(c.name).value_or(0), c.page) << c.name;
    EXPECT_EQ(CodePageLabel(936), "GBK (936)");
    EXPECT_NE(AcceptedCodePageForms().find("936 or gbk"), std::string::npos);
}

TEST(EncodingDeclarations, FoundInFileOrderWhereverThePageHasThem) {
    const struct {
        std::string text;
        std::vector<std::string> found;  // "value|where"
    } cases[] = {
        {"<%@ Language=VBScript CodePage=936 %>\r\n<html>",
         {"936|the page's CODEPAGE directive"}},
        {"<%@LANGUAGE=\"VBSCRIPT\" CODEPAGE=\"65001\"%>", {"65001|the page's CODEPAGE directive"}},
        {"<% Session.CodePage = 950 %>x<%Response.codepage=65001%>",
         {"950|the page's Session.CodePage assignment", "65001|the page's Response.CodePage assignment"}},
        {"<head><META charset='gb2312'></head>", {"gb2312|the page's meta charset"}},
        {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=big5\">",
         {"big5|the page's Content-Type meta"}},
        {"  <?xml version=\"1.0\" encoding=\"windows-1251\"?><a/>", {"windows-1251|the page's XML declaration"}},
        {"<meta charset=\"koi8-r\"><%@ CodePage=1251 %>",
         {"koi8-r|the page's meta charset", "1251|the page's CODEPAGE directive"}},
        // Not declarations: no value, an XML declaration not at the start, a
        // CodePage that belongs to no Session or Response, no directive.
        {"<meta name=\"x\" content=\"y\"><meta charset>", {}},
        {"text <?xml version=\"1.0\" encoding=\"gbk\"?>", {}},
        {"Server.CodePage = 936 and CodePage=936", {}},
        {"Session.CodePage = x", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> found;
        for (const EncodingDeclaration& d : FindEncodingDeclarations(c.text)) found.push_back(d.value + "|" + d.where);
        EXPECT_EQ(found, c.found) << c.text;
    }
}

// Byte-order mark, the named page, valid UTF-8, the declaration, the detector, Windows-1252.
TEST(InputEncoding, ChosenInOrder) {
    const std::string gbk = "\xB1\xE4\xC1\xBF";  // "变量" in GBK, which is not UTF-8
    const std::string utf8 = "\xE5\x8F\x98\xE9\x87\x8F";
    const std::string cyrillic1251 = DetectorSample(1251);
    const struct {
        std::string bytes;
        int namedPage;
        bool dosText;
        int page;
        std::string reason;
    } cases[] = {
        {"\xEF\xBB\xBF" + utf8, 936, false, 65001, "from the byte-order mark"},
        {std::string("\xFF\xFEh\0", 4), 0, false, 1200, "from the byte-order mark"},
        {std::string("\xFE\xFF\0h", 4), 0, true, 1201, "from the byte-order mark"},
        {gbk, 936, false, 936, "from the /codepage option"},
        {utf8, 936, false, 936, "from the /codepage option"},
        {"plain", 0, false, 65001, "the text is valid UTF-8"},
        // A page that claims a code page it does not use: its bytes are UTF-8, so UTF-8 wins.
        {"<%@ CodePage=936 %>" + utf8, 0, false, 65001, "the text is valid UTF-8"},
        {"<%@ CodePage=936 %>" + gbk, 0, false, 936, "from the page's CODEPAGE directive"},
        {"<meta charset=gb2312>" + gbk, 0, false, 936, "from the page's meta charset"},
        {"<meta charset=iso-8859-1>caf\xE9", 0, false, 1252, "from the page's meta charset"},
        {"<meta charset=utf-8>caf\xE9", 0, false, 65001, "from the page's meta charset"},
        // The declaration is believed, not the detector, which would say Windows-1251.
        {"<meta charset=koi8-r>" + cyrillic1251, 0, false, 20866, "from the page's meta charset"},
        {cyrillic1251, 0, false, 1251, "detected from the text, which names no code page"},
        {"caf\xE9", 0, false, 1252, "the text is not UTF-8, names no code page and was not recognised"},
        // DOS text: the OEM page, without trying UTF-8 or looking for declarations.
        {"\xC4\xBF", 0, true, 437, "DOS text, the usual OEM page"},
        {"<meta charset=utf-8>\xC4\xBF", 866, true, 866, "DOS text, from the /codepage option"},
    };
    for (const auto& c : cases) {
        EncodingChoice choice = Choose(c.bytes, c.namedPage, c.dosText);
        EXPECT_EQ(choice.codePage, c.page) << c.bytes;
        EXPECT_EQ(choice.reason, c.reason) << c.bytes;
        EXPECT_TRUE(choice.notes.empty()) << c.bytes;
    }
}

TEST(InputEncoding, TheDetectorRecognisesPagesThatNameNone) {
    for (const auto& fields : DataLines("detector_samples.txt")) {
        const int page = std::stoi(fields[0]);
        const EncodingChoice choice = Choose(FromHex(fields[1]));
        EXPECT_EQ(choice.codePage, page) << CodePageLabel(page);
        EXPECT_EQ(choice.reason, "detected from the text, which names no code page");
    }
}

TEST(InputEncoding, AnUnknownDeclaredPageIsPassedOverWithANote) {
    const EncodingChoice choice =
        Choose("<meta charset=\"x-martian\"><%@ CodePage=99999 %>" + DetectorSample(950));
    EXPECT_EQ(choice.codePage, 950);
    EXPECT_EQ(choice.notes,
              (std::vector<std::string>{
                  "the page's meta charset names \"x-martian\", which is not a code page this program reads; ignored",
                  "the page's CODEPAGE directive names \"99999\", which is not a code page this program reads; ignored"}));
    // A later declaration that is known is used.
    EXPECT_EQ(Choose("<meta charset=\"x-martian\"><%@ CodePage=950 %>\xA4\xA4").codePage, 950);
}

TEST(InputEncoding, DecodingDropsTheMarkAndReplacesInvalidBytes) {
    const struct {
        std::string bytes;
        int namedPage;
        std::string text;
    } cases[] = {
        {"\xEF\xBB\xBF" "a\xE9", 0, "a" + kFffd},                    // a BOM says UTF-8: the bad byte is replaced
        {std::string("\xFF\xFE" "a\0b\0", 6), 0, "ab"},
        {std::string("\xFE\xFF\0a\0", 5), 0, "a" + kFffd},             // UTF-16 with an odd byte count
        {"<meta charset=utf-8>\xE9", 0, "<meta charset=utf-8>" + kFffd},
        {"\xB1\xE4", 0, "\xC2\xB1\xC3\xA4"},                           // too short to recognise: Windows-1252
        {"\xB1\xE4", 936, "\xE5\x8F\x98"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeInput(c.bytes, Choose(c.bytes, c.namedPage)), c.text) << c.bytes;
    }
}

// A large input is decoded in steps, giving back its memory as it goes:
// characters that straddle a step, and bad bytes there, come out as in one piece.
TEST(InputEncoding, ALargeInputDecodesAsASmallOneDoes) {
    for (int page : {936, 1200, 1251}) {
        std::string bytes;
        const std::string unit = page == 1200 ? std::string("a\0\x3A\x5F", 4) : "a\xB1\xE4\xC1\xBF\xFF";
        while (bytes.size() < (9u << 20)) bytes += unit;
        bytes.insert(4u << 20, 1, 'x');  // shifts what straddles the first step
        const std::string expected = DecodeCodePage(bytes, page);
        EXPECT_EQ(DecodeCodePageConsuming(std::move(bytes), page), expected) << page;
        EXPECT_TRUE(bytes.empty());
    }
}
