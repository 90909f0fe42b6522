// Which code page the bytes of an input file are decoded from, and why: a
// byte-order mark; else a code page the user named; else UTF-8 where the
// bytes are valid UTF-8; else the page's own declaration; else a confident
// guess of the detector; else Windows-1252. DOS text is decoded from its OEM
// page without trying UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tintext {

struct EncodingRequest {
    int codePage = 0;            // 0: none named; with dosText: the OEM page, 437 when 0
    std::string codePageSource;  // who named it, for the reason: "the /codepage option"
    bool dosText = false;
};

struct EncodingChoice {
    int codePage = 0;
    size_t bomLength = 0;            // bytes of a byte-order mark before the text
    std::string reason;              // "from the page's CODEPAGE directive"
    std::vector<std::string> notes;  // declarations that were passed over, and why
};

EncodingChoice ChooseInputEncoding(std::string_view bytes, const EncodingRequest& request);

// The text of the bytes as the choice says; a byte that is invalid in the
// page becomes U+FFFD. The bytes are taken over (kept when they are the text).
std::string DecodeInput(std::string bytes, const EncodingChoice& choice);

// "GBK (936), from the page's CODEPAGE directive".
std::string DescribeEncoding(const EncodingChoice& choice);

}  // namespace tintext
