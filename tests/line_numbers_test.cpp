// Numbered lines over many lines and many writes: the numbers as they gain
// digits, and elements that stay open while the text they were read in is
// handed over in pieces of every size.
#include "test_prelude.h"

#include "engine/page.h"

namespace {

const std::string kThemes = std::string(TINTEXT_SOURCE_DIR) + "/hld/themes";

// What stands between <code> and </code> for `body`, written in pieces of
// `piece` bytes.
std::string NumberedCode(const PageOptions& options, const std::string& body, size_t piece) {
    StringSink out;
    PageWriter page(options, kThemes);
    page.Begin(out, "t.js", CountLines(body));
    for (size_t i = 0; i < body.size(); i += piece) page.Body().Append(body.substr(i, piece));
    page.End();
    const size_t open = out.text.find('>', out.text.find("<code")) + 1;
    return out.text.substr(open, out.text.rfind("</code>") - open);
}

std::string Line(size_t n, const std::string& content, bool marked = false) {
    const std::string id = std::to_string(n);
    return std::string("<span class=\"line") + (marked ? " hl" : "") + "\" id=\"L" + id + "\"><a class=\"ln\" href=\"#L" +
           id + "\"></a>" + content + "</span>";
}

TEST(LineNumbers, CountOnPastEachPowerOfTen) {
    PageOptions options;
    options.lineNumbers = true;
    options.highlight = {{9, 10}, {1000, 1000}};
    std::string body, expected;
    for (size_t n = 1; n <= 1001; ++n) {
        body += "x\n";
        expected += Line(n, "x", n == 9 || n == 10 || n == 1000) + "\n";
    }
    EXPECT_EQ(NumberedCode(options, body, body.size()), expected);
}

// The second start tag is one seen before (16 bytes and more), the third one
// is not; each must be opened again on the lines after it, whichever piece
// it arrived in.
TEST(LineNumbers, OpenElementsOutliveThePieceTheyCameIn) {
    PageOptions options;
    options.lineNumbers = true;
    const std::string cm = "<span class=\"cm\">";
    const std::string str = "<b class='q'>";
    const std::string body = cm + "a</span>\n" + cm + "b" + str + "c\nd</b>\ne</span>f\ng";
    const std::string expected = Line(1, cm + "a</span>") + "\n" + Line(2, cm + "b" + str + "c</b></span>") + "\n" +
                                 Line(3, cm + str + "d</b></span>") + "\n" + Line(4, cm + "e</span>f") + "\n" +
                                 Line(5, "g");
    for (size_t piece = 1; piece <= body.size(); ++piece)
        EXPECT_EQ(NumberedCode(options, body, piece), expected) << "pieces of " << piece;
}

}  // namespace
