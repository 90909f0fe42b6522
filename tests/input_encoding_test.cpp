// Input decoding: the code pages, their names, the pages' own declarations,
// and the order in which the encoding of an input is chosen.
#include "engine/input_encoding.h"

#include "test_prelude.h"

#include <set>
#include <sstream>

#include "engine/encoding_declaration.h"
#include "support/code_pages.h"
#include "support/text_codec.h"

namespace {

std::string FromHex(const std::string& hex) {
    std::istringstream in(hex);
    std::string bytes, pair;
    while (in >> pair) bytes += static_cast<char>(std::stoi(pair, nullptr, 16));
    return bytes;
}

EncodingChoice Choose(const std::string& bytes, int codePage = 0, bool dosText = false) {
    return ChooseInputEncoding(bytes, {codePage, codePage ? "the /codepage option" : "", dosText});
}

std::string DetectorSample(int codePage) {
    for (const auto& fields : ReadRows("detector_samples.txt"))
        if (std::stoi(fields[0]) == codePage) return FromHex(fields[1]);
    ADD_FAILURE() << "no detector sample for " << codePage;
    return {};
}

}  // namespace

TEST(CodePages, EveryKnownPageDecodesItsSampleToTheRightText) {
    std::set<int> covered;
    for (const auto& fields : ReadRows("encoding_samples.txt")) {
        ASSERT_EQ(fields.fields.size(), 3u);
        const int page = std::stoi(fields[0]);
        covered.insert(page);
        EXPECT_EQ(DecodeCodePage(FromHex(fields[1]), page), fields[2]) << CodePageLabel(page);
    }
    for (const CodePageInfo& page : KnownCodePages()) EXPECT_TRUE(covered.count(page.number)) << page.name;
}

TEST(CodePages, NamesAsUsersAndPagesWriteThem) {
    for (const auto& row : ReadRows("code_page_names.tsv"))
        EXPECT_EQ(CodePageFromName(row[0]).value_or(0), std::stoi(row[1])) << row.where;
    EXPECT_EQ(CodePageLabel(936), "GBK (936)");
    EXPECT_NE(AcceptedCodePageForms().find("936 or gbk"), std::string::npos);
}

TEST(EncodingDeclarations, FoundInFileOrderWhereverThePageHasThem) {
    for (const auto& row : ReadRows("encoding_declarations.tsv")) {
        std::vector<std::string> found;
        for (const EncodingDeclaration& d : FindEncodingDeclarations(row[0])) found.push_back(d.value + "|" + d.where);
        EXPECT_EQ(found, std::vector<std::string>(row.fields.begin() + 1, row.fields.end())) << row.where;
    }
}

// Byte-order mark, the named page, valid UTF-8, the declaration, the detector, Windows-1252.
TEST(InputEncoding, ChosenInOrder) {
    for (const auto& row : ReadRows("encoding_choice.tsv")) {
        std::string bytes = row[0];
        if (size_t at = bytes.find(" sample}"), open = bytes.rfind('{', at); at != std::string::npos)
            bytes.replace(open, at + 8 - open, DetectorSample(std::stoi(bytes.substr(open + 1, at - open - 1))));
        const EncodingChoice choice = Choose(bytes, std::stoi(row[1]), row[2] == "1");
        EXPECT_EQ(choice.codePage, std::stoi(row[3])) << row.where;
        EXPECT_EQ(choice.reason, row[4]) << row.where;
        std::string notes;
        for (const std::string& note : choice.notes) notes += (notes.empty() ? "" : " | ") + note;
        EXPECT_EQ(notes, row[5]) << row.where;
    }
}

TEST(InputEncoding, DecodingDropsTheMarkAndReplacesInvalidBytes) {
    for (const auto& row : ReadRows("encoding_decoding.tsv")) {
        const std::string& how = row[1];
        const std::string text = how.starts_with("page ") ? DecodeCodePage(row[0], std::stoi(how.substr(5)))
                                 : DecodeInput(row[0], Choose(row[0], how == "input" ? 0 : std::stoi(how.substr(6))));
        EXPECT_EQ(text, row[2]) << row.where << " " << row[3];
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
