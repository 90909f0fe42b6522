#include "engine/input_encoding.h"

#include <optional>

#include "engine/charset_detection.h"
#include "engine/encoding_declaration.h"
#include "support/code_pages.h"
#include "support/ascii_text.h"
#include "support/text_codec.h"
#include "support/utf8.h"

namespace tintext {

namespace {

constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

std::optional<EncodingChoice> FromByteOrderMark(std::string_view bytes) {
    const struct {
        std::string_view mark;
        int codePage;
    } marks[] = {{kUtf8Bom, kCodePageUtf8}, {kUtf16LeBom, kCodePageUtf16Le}, {kUtf16BeBom, kCodePageUtf16Be}};
    for (const auto& m : marks)
        if (bytes.starts_with(m.mark)) return EncodingChoice{m.codePage, m.mark.size(), "from the byte-order mark", {}};
    return std::nullopt;
}

// A page's declaration as a code page: ASP gives Windows numbers, HTML and
// XML give charset names. A page that declares UTF-16 cannot be read by its
// own ASCII declaration, so that is no UTF-16 file; and what pages call
// Latin-1 or ASCII is Windows-1252 in practice, as browsers read it.
std::optional<int> DeclaredCodePage(const EncodingDeclaration& declaration) {
    if (declaration.isNumber) {
        std::optional<int> page = CodePageFromName(declaration.value);
        if (page && std::to_string(*page) == TrimBlanks(declaration.value)) return page;
        return std::nullopt;
    }
    const std::string name = ToLowerAscii(declaration.value);
    if (name == "us-ascii" || name == "ascii" || name == "iso-8859-1" || name == "latin1") return 1252;
    std::optional<int> page = CodePageFromName(name);
    if (page == kCodePageUtf16Le || page == kCodePageUtf16Be) return std::nullopt;
    return page;
}

std::optional<EncodingChoice> FromDeclaration(std::string_view bytes, std::vector<std::string>& notes) {
    for (const EncodingDeclaration& declaration : FindEncodingDeclarations(bytes)) {
        if (std::optional<int> page = DeclaredCodePage(declaration))
            return EncodingChoice{*page, 0, "from " + declaration.where, {}};
        notes.push_back(declaration.where + " names \"" + declaration.value +
                        "\", which is not a code page this program reads; ignored");
    }
    return std::nullopt;
}

}  // namespace

EncodingChoice ChooseInputEncoding(std::string_view bytes, const EncodingRequest& request) {
    if (auto choice = FromByteOrderMark(bytes)) return *choice;
    if (request.dosText) {
        if (request.codePage != 0) return {request.codePage, 0, "DOS text, from " + request.codePageSource, {}};
        return {kCodePageOemUs, 0, "DOS text, the usual OEM page", {}};
    }
    if (request.codePage != 0) return {request.codePage, 0, "from " + request.codePageSource, {}};
    if (IsValidUtf8(bytes)) return {kCodePageUtf8, 0, "the text is valid UTF-8", {}};
    std::vector<std::string> notes;
    if (auto choice = FromDeclaration(bytes, notes)) {
        choice->notes = std::move(notes);
        return *choice;
    }
    if (std::optional<int> detected = DetectCodePage(bytes))
        return {*detected, 0, "detected from the text, which names no code page", std::move(notes)};
    return {kCodePageWindows1252, 0, "the text is not UTF-8, names no code page and was not recognised",
            std::move(notes)};
}

std::string DecodeInput(std::string bytes, const EncodingChoice& choice) {
    bytes.erase(0, choice.bomLength);
    return DecodeCodePageConsuming(std::move(bytes), choice.codePage);
}

std::string DescribeEncoding(const EncodingChoice& choice) {
    return CodePageLabel(choice.codePage) + ", " + choice.reason;
}

}  // namespace tintext
