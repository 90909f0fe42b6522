// The page that Tintext writes around the output of a definition with a PAGE
// line: a whole HTML page, or a fragment to embed in another page, with the
// theme's stylesheet (or style attributes), and optionally line numbers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/formatter.h"
#include "engine/theme.h"

namespace tintext {

// Lines first to last, counted from 1.
struct LineRange {
    uint32_t first = 0;
    uint32_t last = 0;
};

struct PageOptions {
    std::string theme = kDefaultTheme;
    bool fragment = false;       // a <div class="tintext"> instead of a whole page
    bool stylesheet = true;      // false: no <style>, for sites that link the themes' file
    bool inlineStyles = false;   // style attributes instead of classes
    bool lineNumbers = false;    // a number and an anchor #L<n> for each line
    std::vector<LineRange> highlight;  // lines marked, in any order
    bool wrap = false;           // long lines wrap instead of scrolling

    bool MarksLines() const { return lineNumbers || !highlight.empty(); }
    // A site's pages: the stylesheet file they share, linked in place of the
    // <style> (empty: none), and HTML written above the code (a bar of links).
    std::string stylesheetHref;
    std::string bar;
};

class BodyFilter;

// Writes the opening of the page, hands out the sink for the formatter's
// output (which numbers lines or turns classes into styles on the way), and
// writes the end. The title is written escaped.
class PageWriter {
public:
    // Reads the theme from the folder; raises error 5 for an unknown theme,
    // the file errors for an unreadable one.
    PageWriter(const PageOptions& options, const std::string& themesFolder);
    ~PageWriter();

    // `lineCount`: the input's number of lines, which sets the width of the
    // line numbers. `lineFeedsOnlyInText`: the definition's templates keep
    // line feeds out of tags (LineFeedsOnlyInText), so numbering lines need
    // not read the tags.
    void Begin(OutputSink& out, const std::string& title, size_t lineCount, bool lineFeedsOnlyInText = false);
    OutputSink& Body();
    void End();

private:
    const PageOptions& options_;
    OutputSink* out_ = nullptr;
    std::string stylesheet_;
    InlineTheme inline_;
    std::unique_ptr<BodyFilter> filter_;
};

// Whether no line feed of a definition's output can fall inside a tag: its
// templates end every tag they begin and put no matched text inside one.
bool LineFeedsOnlyInText(const HldTree& hld);

// The number of lines of a text: its line feeds, and one more when the last
// line does not end in one.
size_t CountLines(std::string_view text);

}  // namespace tintext
