#include "engine/charset_detection.h"

#include <uchardet.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/code_pages.h"
#include "support/text_codec.h"

namespace tintext {

namespace {

// Enough text for any guess; the rest of a large file would only cost time.
constexpr size_t kSampleSize = 1 << 20;
// A guess at a single-byte page from fewer characters than this is a coin toss.
constexpr size_t kFewestNonAsciiBytes = 16;
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

bool IsWesternPage(int codePage) { return codePage == 1252 || codePage == 28591 || codePage == 28605; }

std::string DetectorAnswer(std::string_view sample) {
    std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(),
                                                                                      uchardet_delete);
    if (!detector) return {};
    if (uchardet_handle_data(detector.get(), sample.data(), sample.size()) != 0) return {};
    uchardet_data_end(detector.get());
    const char* charset = uchardet_get_charset(detector.get());
    return charset ? charset : "";
}

bool IsSingleBytePage(int codePage) {
    // A page's own test: one character for each byte of a byte run.
    std::string all;
    for (int b = 0x80; b < 0x100; ++b) all += static_cast<char>(b);
    return DecodeCodePage(all, codePage).find(kReplacementCharacter) == std::string::npos &&
           codePage != kCodePageUtf16Le && codePage != kCodePageUtf16Be;
}

// The pages to try for the detector's answer, most likely first. Text it
// calls Latin-1 is Windows-1252 in practice (the same letters, and quotes and
// dashes where Latin-1 has control codes); text it calls GB18030 is most
// often GBK, which has the euro sign where GB18030 has none.
std::vector<int> Candidates(int codePage) {
    if (codePage == 28591) return {1252};
    if (codePage == 54936) return {936, 54936};
    return {codePage};
}

// Whether the sample decodes without a fault; a character cut off by the
// end of the sample (not of the text) is no fault.
bool DecodesCleanly(std::string_view sample, bool cut, int codePage) {
    const std::string decoded = DecodeCodePage(sample, codePage);
    const size_t fault = decoded.find(kReplacementCharacter);
    return fault == std::string::npos || (cut && fault + 8 >= decoded.size());
}

}  // namespace

std::optional<int> DetectCodePage(std::string_view bytes) {
    const std::string_view sample = bytes.substr(0, kSampleSize);
    const std::optional<int> answer = CodePageFromName(DetectorAnswer(sample));
    if (!answer || *answer == kCodePageUtf8) return std::nullopt;
    const size_t nonAscii = static_cast<size_t>(
        std::count_if(sample.begin(), sample.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
    for (int codePage : Candidates(*answer)) {
        if (!IsWesternPage(codePage) && nonAscii < kFewestNonAsciiBytes && IsSingleBytePage(codePage)) continue;
        if (DecodesCleanly(sample, sample.size() < bytes.size(), codePage)) return codePage;
    }
    return std::nullopt;
}

}  // namespace tintext
