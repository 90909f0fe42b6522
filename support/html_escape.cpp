#include "support/html_escape.h"

namespace tintext {

// Replacing "&" first and then "<", ">" and blank, each over the whole text,
// gives the same result as one pass that maps each character: none of the
// inserted entities contains a character that a later replacement changes.
void AppendEncodedHtml(std::string& out, std::string_view text, Blanks blanks) {
    size_t start = out.size();
    out.resize(start + EscapedRoom(text.size()));
    char* end = EscapeHtmlInto(out.data() + start, text, blanks);
    out.resize(static_cast<size_t>(end - out.data()));
}

std::string EncodeHtml(std::string_view text, Blanks blanks) {
    std::string out;
    AppendEncodedHtml(out, text, blanks);
    return out;
}

}  // namespace tintext
