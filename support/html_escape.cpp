#include "support/html_escape.h"

#include <array>
#include <cstdint>

namespace tintext {

namespace {

// Replacing "&" first and then "<", ">" and blank, each over the whole text,
// gives the same result as one pass that maps each character: none of the
// inserted entities contains a character that a later replacement changes.
constexpr std::array<bool, 256> kEscaped = [] {
    std::array<bool, 256> table{};
    table[static_cast<uint8_t>('&')] = true;
    table[static_cast<uint8_t>('<')] = true;
    table[static_cast<uint8_t>('>')] = true;
    table[static_cast<uint8_t>(' ')] = true;
    return table;
}();

std::string_view Entity(char c) {
    switch (c) {
        case '&': return "&amp;";
        case '<': return "&lt;";
        case '>': return "&gt;";
        default: return "&nbsp;";
    }
}

}  // namespace

void AppendEncodedHtml(std::string& out, std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    const char* run = p;
    for (; p != end; ++p) {
        if (!kEscaped[static_cast<uint8_t>(*p)]) continue;
        out.append(run, static_cast<size_t>(p - run));
        out.append(Entity(*p));
        run = p + 1;
    }
    out.append(run, static_cast<size_t>(end - run));
}

std::string EncodeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    AppendEncodedHtml(out, text);
    return out;
}

}  // namespace tintext
