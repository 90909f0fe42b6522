// The page around the output of a definition with a PAGE line: whole page or
// fragment, stylesheet or style attributes, line numbers and marked lines.
// The body given to the page writer stands for the formatter's output.
#include "engine/page.h"
#include "engine/hld_loader.h"

#include "test_prelude.h"

#include <algorithm>

namespace {

const std::string kThemes = std::string(TINTEXT_SOURCE_DIR) + "/hld/themes";

// The page for `body`, handed to the writer in pieces of `piece` bytes (0: whole).
std::string Page(const PageOptions& options, const std::string& body, size_t piece = 0,
                 const std::string& title = "t.js", bool lineFeedsOnlyInText = false) {
    StringSink out;
    PageWriter page(options, kThemes);
    page.Begin(out, title, CountLines(body), lineFeedsOnlyInText);
    if (piece == 0) {
        page.Body().Append(body);
    } else {
        for (size_t i = 0; i < body.size(); i += piece) page.Body().Append(body.substr(i, piece));
    }
    page.End();
    return out.text;
}

// What stands between <code> and </code>.
std::string Code(const std::string& page) {
    const size_t start = page.find("<code");
    const size_t open = page.find('>', start) + 1;
    return page.substr(open, page.rfind("</code>") - open);
}

// The mark at the start of line n: with numbers a link to the line.
std::string Mark(int n, bool marked = false, bool numbers = true) {
    const std::string id = "L" + std::to_string(n), classes = marked ? "ln hl" : "ln";
    if (!numbers) return "<span class=\"" + classes + "\" id=\"" + id + "\"></span>";
    return "<a class=\"" + classes + "\" id=\"" + id + "\" href=\"#" + id + "\"></a>";
}

const std::string kBody = "a\n<span class=\"cm\">/*x\ny*/</span>\n\nb";

TEST(Page, WholePageAroundTheOutput) {
    const std::string page = Page({}, kBody, 0, "a<b & c.js");
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">", 0), 0u);
    EXPECT_NE(page.find("<title>a&lt;b &amp; c.js</title>"), std::string::npos);
    EXPECT_NE(page.find("@media (prefers-color-scheme:dark){"), std::string::npos);  // auto
    EXPECT_NE(page.find("</style></head>\n<body class=\"tintext\"><pre><code>" + kBody +
                        "</code></pre></body></html>\n"),
              std::string::npos);
    EXPECT_EQ(page.find("<style>"), page.rfind("<style>"));  // one stylesheet
}

// A fragment holds no page of its own and every rule of its stylesheet is
// scoped under .tintext, so that a host page keeps its own look.
TEST(Page, FragmentIsScopedAndHoldsTheStylesheetOnce) {
    PageOptions options;
    options.fragment = true;
    const std::string page = Page(options, kBody);
    EXPECT_EQ(page.rfind("<div class=\"tintext\"><style>\n", 0), 0u);
    EXPECT_TRUE(page.ends_with("<pre><code>" + kBody + "</code></pre></div>\n")) << page;
    for (const char* part : {"<html", "<head", "<body", "<title", "<!DOCTYPE"})
        EXPECT_EQ(page.find(part), std::string::npos) << part;
    EXPECT_EQ(page.find("<style>"), page.rfind("<style>"));  // one stylesheet
    std::string css = page.substr(page.find("<style>") + 7, page.find("</style>") - page.find("<style>") - 7);
    css = css.replace(css.find("@media (prefers-color-scheme:dark){"), 35, "");
    for (const CssRule& rule : ParseCssRules(css))
        for (const std::string& selector : rule.selectors)
            EXPECT_TRUE(selector.starts_with(".tintext") || selector == "body.tintext") << selector;

    options.stylesheet = false;
    EXPECT_EQ(Page(options, kBody), "<div class=\"tintext\"><pre><code>" + kBody + "</code></pre></div>\n");
    options.wrap = true;
    EXPECT_EQ(Page(options, "x"), "<div class=\"tintext wrap\"><pre><code>x</code></pre></div>\n");
}

TEST(Page, EachThemeItsOwnColours) {
    for (const auto& row : tintext::testing::ReadRows("engine_page_themes.tsv")) {
        PageOptions options;
        options.theme = row[0];
        const std::string page = Page(options, "x");
        EXPECT_NE(page.find(row[1]), std::string::npos) << row.where;
        EXPECT_EQ(page.find("prefers-color-scheme") != std::string::npos, row[2] == "both") << row.where;
    }
}

TEST(Page, UnknownThemeNamesTheThemes) {
    PageOptions options;
    options.theme = "nonesuch";
    const Error e = tintext::testing::Raised([&] { PageWriter page(options, kThemes); });
    EXPECT_EQ(e.Number(), err::InvalidArgument);
    EXPECT_NE(e.Description().find("auto, dark, high-contrast, light"), std::string::npos) << e.Description();
    EXPECT_EQ(ThemeNames(kThemes), (std::vector<std::string>{"auto", "dark", "high-contrast", "light"}));
}

// A line's mark is an empty element, so elements that a line break cuts
// through stay as they are and the text of the page is the source.
TEST(Page, LineNumbersMarkEachLine) {
    PageOptions options;
    options.lineNumbers = true;
    for (const auto& row : tintext::testing::ReadRows("engine_line_numbers.tsv")) {
        std::string code;
        int n = 0;
        for (char c : row[1]) code += c == '@' ? Mark(++n) : std::string(1, c);
        // Pieces of one byte cut every tag and every CR LF between two writes.
        for (bool onlyInText : {false, true}) {
            if (onlyInText && !row[2].empty()) continue;  // the tags must be read
            for (size_t piece : {0, 1, 2, 5, 7})
                EXPECT_EQ(Code(Page(options, row[0], piece, "t.js", onlyInText)), code)
                    << row.where << ", pieces of " << piece << (onlyInText ? ", tags not read" : "");
        }
    }
    EXPECT_NE(Page(options, kBody).find("<body class=\"tintext lines numbered\" style=\"--tintext-digits:2\">"),
              std::string::npos);
}

// Numbered lines may leave the tags unread only where no template puts
// matched text (which may hold line feeds) in a tag or leaves one open.
TEST(Page, LineFeedsOnlyInTextOfTemplatesThatCloseTheirTags) {
    const struct {
        std::string lines;
        bool onlyInText;
    } cases[] = {
        {"PATTERN=a\nFORMAT-HTML=<span class=\"kw\">$$</span>", true},
        {"PATTERN=(a)(b)\nFORMAT-HTML=<b>$1</b>$2", true},
        {"HEADER-HTML=<div class=\"x\">\nPATTERN=a\nFORMAT-HTML=$$", true},
        {"PATTERN=a\nFORMAT-HTML=<span title=\"$$\">$$</span>", false},
        {"PATTERN=a\nFORMAT-HTML=<i a='x>$$'>y</i>", false},
        {"PATTERN=a\nFORMAT-HTML=<span class=\"kw\"", false},
        {"HEADER-HTML=<div\nPATTERN=a\nFORMAT-HTML=$$", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LineFeedsOnlyInText(LoadHldText("[S]\n" + c.lines + "\n", "t.hld")), c.onlyInText) << c.lines;
}

// The number is counted on in place, digit by digit.
TEST(Page, LineNumbersCountOnPastEachPowerOfTen) {
    PageOptions options;
    options.lineNumbers = true;
    options.highlight = {{9, 10}, {1000, 1000}};
    std::string body, expected;
    for (int n = 1; n <= 1001; ++n) {
        body += "x\n";
        expected += Mark(n, n == 9 || n == 10 || n == 1000) + "x\n";
    }
    EXPECT_EQ(Code(Page(options, body)), expected);
}

TEST(Page, HighlightMarksTheLinesGiven) {
    PageOptions options;
    options.lineNumbers = true;
    options.highlight = {{4, 5}, {2, 2}, {5, 9}};
    const std::string code = Code(Page(options, "1\n2\n3\n4\n5\n6"));
    EXPECT_EQ(code, Mark(1) + "1\n" + Mark(2, true) + "2\n" + Mark(3) + "3\n" + Mark(4, true) + "4\n" + Mark(5, true) +
                        "5\n" + Mark(6, true) + "6");
    options.lineNumbers = false;  // marked lines need lines, which the marks make
    const std::string page = Page(options, "1\n2");
    EXPECT_EQ(Code(page), Mark(1, false, false) + "1\n" + Mark(2, true, false) + "2");
    EXPECT_NE(page.find("<body class=\"tintext lines\">"), std::string::npos);
}

// For e-mail: no stylesheet, no classes the theme knows, the theme's
// declarations in style attributes.
TEST(Page, InlineStylesInsteadOfClasses) {
    PageOptions options;
    options.inlineStyles = true;
    options.fragment = true;
    options.theme = "light";
    const std::string page = Page(options, "<span class=\"kw\">if</span> <span class=\"zz\">x</span>", 3);
    EXPECT_EQ(page.rfind("<div style=\"color-scheme:light;background:#ffffff;color:#1f2328\"><pre style=\"margin:0;", 0), 0u) << page;
    EXPECT_NE(page.find("<span style=\"color:#cf222e;font-weight:600\">if</span> <span class=\"zz\">x</span>"),
              std::string::npos) << page;
    EXPECT_EQ(page.find("<style"), std::string::npos);
    EXPECT_EQ(page.find("class=\"tintext"), std::string::npos);
    options.theme = "auto";  // no media queries in attributes: the light colours
    EXPECT_NE(Page(options, "x").find("background:#ffffff"), std::string::npos);
}

}  // namespace
