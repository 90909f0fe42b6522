#include "engine/page.h"

#include <algorithm>
#include <cstring>

#include "support/html_escape.h"

namespace tintext {

namespace {

constexpr size_t kFilterBlock = 64 * 1024;

// Elements that have no end tag.
bool IsVoidElement(std::string_view name) {
    static constexpr std::string_view kVoid[] = {"area", "base", "br",    "col",   "embed", "hr",  "img",
                                                 "input", "link", "meta", "source", "track", "wbr"};
    return std::find(std::begin(kVoid), std::end(kVoid), name) != std::end(kVoid);
}

std::string ElementName(std::string_view tag, size_t from) {
    size_t end = from;
    while (end < tag.size() && std::strchr(" \t\r\n/>", tag[end]) == nullptr) ++end;
    std::string name(tag.substr(from, end - from));
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::vector<LineRange> Merged(std::vector<LineRange> ranges) {
    std::sort(ranges.begin(), ranges.end(), [](LineRange a, LineRange b) { return a.first < b.first; });
    std::vector<LineRange> merged;
    for (LineRange r : ranges) {
        if (!merged.empty() && r.first <= merged.back().last + 1)
            merged.back().last = std::max(merged.back().last, r.last);
        else
            merged.push_back(r);
    }
    return merged;
}

}  // namespace

// The formatter's output on its way to the page. With line numbers or marked
// lines, each line becomes <span class="line" id="Ln">...</span> (with line
// numbers, <a class="ln" href="#Ln"></a> first), the line feed between lines; elements that a line break cuts through are
// closed before it and opened again after it, so every line stands alone.
// With inline styles, class attributes become the theme's style attributes.
// Only tags are parsed (the escaped text holds no "<"), and only the open
// elements are remembered, so memory does not grow with the input.
class PageWriter::BodyFilter final : public OutputSink {
public:
    BodyFilter(const PageOptions& options, const InlineTheme* inlineTheme, OutputSink& out)
        : lines_(options.lineNumbers || !options.highlight.empty()),
          numbers_(options.lineNumbers),
          inline_(inlineTheme),
          highlight_(Merged(options.highlight)),
          out_(out) {
        stops_ = lines_ ? "<\n" : "<";
        buffer_.reserve(kFilterBlock + 1024);
    }

    void Append(std::string_view text) override {
        while (!text.empty()) {
            if (inTag_) {
                text = ContinueTag(text);
                continue;
            }
            const size_t stop = text.find_first_of(stops_);
            if (stop != 0) {
                const std::string_view run = text.substr(0, stop);
                if (lines_ && !lineOpen_) OpenLine();
                Emit(run);
                if (stop == std::string_view::npos) return;
            }
            if (text[stop] == '\n') {
                if (!lineOpen_) OpenLine();
                CloseLine();
            } else {
                inTag_ = true;
                tag_.assign(1, '<');
                quote_ = 0;
            }
            text.remove_prefix(stop + 1);
        }
    }

    void Finish() {
        if (inTag_) Emit(tag_);  // a "<" the templates never closed: written as it came
        inTag_ = false;
        if (lineOpen_) {
            CloseOpenElements();
            Emit("</span>");
            lineOpen_ = false;
        }
        Flush();
    }

private:
    struct OpenElement {
        std::string name;
        std::string tag;  // as written, to open it again on the next line
    };

    std::string_view ContinueTag(std::string_view text) {
        for (size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (quote_) {
                if (c == quote_) quote_ = 0;
            } else if (c == '"' || c == '\'') {
                quote_ = c;
            } else if (c == '>') {
                tag_.append(text.substr(0, i + 1));
                inTag_ = false;
                Tag(tag_);
                return text.substr(i + 1);
            }
        }
        tag_.append(text);
        return {};
    }

    void Tag(std::string tag) {
        if (inline_) tag = WithStyles(std::move(tag));
        if (!lines_) {
            Emit(tag);
            return;
        }
        if (tag.size() > 1 && tag[1] == '/') {
            const std::string name = ElementName(tag, 2);
            for (size_t k = open_.size(); k-- > 0;) {
                if (open_[k].name != name) continue;
                open_.resize(k);
                break;
            }
            if (lineOpen_) Emit(tag);
            return;
        }
        const std::string name = ElementName(tag, 1);
        const bool empty = tag[1] == '!' || tag[1] == '?' || IsVoidElement(name) || tag.ends_with("/>");
        if (empty) {
            if (!lineOpen_) OpenLine();
            Emit(tag);
            return;
        }
        if (lineOpen_) Emit(tag);
        open_.push_back({name, std::move(tag)});
    }

    // class="a b" becomes style="..." with the declarations of the classes
    // the theme knows; a tag without any of them stays as it is.
    std::string WithStyles(std::string tag) const {
        const size_t at = tag.find(" class=\"");
        if (at == std::string::npos) return tag;
        const size_t valueStart = at + 8;
        const size_t valueEnd = tag.find('"', valueStart);
        if (valueEnd == std::string::npos) return tag;
        std::string style;
        const std::string_view classes = std::string_view(tag).substr(valueStart, valueEnd - valueStart);
        for (size_t from = 0; from < classes.size();) {
            size_t end = classes.find(' ', from);
            if (end == std::string_view::npos) end = classes.size();
            auto found = inline_->classes.find(std::string(classes.substr(from, end - from)));
            if (found != inline_->classes.end()) style += (style.empty() ? "" : ";") + found->second;
            from = end + 1;
        }
        if (style.empty()) return tag;
        return tag.substr(0, at) + " style=\"" + style + "\"" + tag.substr(valueEnd + 1);
    }

    void OpenLine() {
        ++line_;
        while (nextRange_ < highlight_.size() && highlight_[nextRange_].last < line_) ++nextRange_;
        const bool marked = nextRange_ < highlight_.size() && highlight_[nextRange_].first <= line_;
        const std::string n = std::to_string(line_);
        Emit(marked ? "<span class=\"line hl\" id=\"L" : "<span class=\"line\" id=\"L");
        Emit(n);
        if (numbers_) {
            Emit("\"><a class=\"ln\" href=\"#L");
            Emit(n);
            Emit("\"></a>");
        } else {
            Emit("\">");
        }
        for (const OpenElement& element : open_) Emit(element.tag);
        lineOpen_ = true;
    }

    void CloseLine() {
        CloseOpenElements();
        Emit("</span>\n");
        lineOpen_ = false;
    }

    void CloseOpenElements() {
        for (size_t k = open_.size(); k-- > 0;) {
            Emit("</");
            Emit(open_[k].name);
            Emit(">");
        }
    }

    void Emit(std::string_view text) {
        buffer_.append(text);
        if (buffer_.size() >= kFilterBlock) Flush();
    }

    void Flush() {
        if (buffer_.empty()) return;
        out_.Append(buffer_);
        buffer_.clear();
    }

    const bool lines_;    // each line an element of its own
    const bool numbers_;  // with its number
    const InlineTheme* inline_;
    const std::vector<LineRange> highlight_;
    OutputSink& out_;
    const char* stops_;
    std::string buffer_;
    bool inTag_ = false;
    char quote_ = 0;
    std::string tag_;
    std::vector<OpenElement> open_;
    bool lineOpen_ = false;
    uint32_t line_ = 0;
    size_t nextRange_ = 0;
};

PageWriter::PageWriter(const PageOptions& options, const std::string& themesFolder) : options_(options) {
    if (options.inlineStyles)
        inline_ = InlineThemeOf(themesFolder, options.theme);
    else if (options.stylesheet)
        stylesheet_ = ThemeStylesheet(themesFolder, options.theme);
    else
        ThemeStylesheet(themesFolder, options.theme);  // left out, but the name must still be right
}

PageWriter::~PageWriter() = default;

void PageWriter::Begin(OutputSink& out, const std::string& title, size_t lineCount) {
    out_ = &out;
    if (options_.lineNumbers || !options_.highlight.empty() || options_.inlineStyles)
        filter_ = std::make_unique<BodyFilter>(options_, options_.inlineStyles ? &inline_ : nullptr, out);
    std::string head;
    if (!options_.fragment) {
        head = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
        if (options_.theme == kDefaultTheme && !options_.inlineStyles)
            head += "<meta name=\"color-scheme\" content=\"light dark\">\n";
        head += "<meta name=\"generator\" content=\"Tintext\">\n<title>" + EncodeHtml(title, Blanks::Plain) + "</title>\n";
        if (!options_.stylesheetHref.empty() && !options_.inlineStyles && options_.stylesheet)
            head += "<link rel=\"stylesheet\" href=\"" + EncodeHtml(options_.stylesheetHref, Blanks::Plain) + "\">";
        else if (!stylesheet_.empty())
            head += "<style>\n" + stylesheet_ + "</style>";
        head += "</head>\n<body";
    } else {
        head = "<div";
    }
    if (options_.inlineStyles) {
        std::string style = (options_.fragment ? "" : "margin:0;") + inline_.container;
        head += " style=\"" + style + "\"><pre style=\"" + inline_.pre +
                (options_.wrap ? ";white-space:pre-wrap;overflow-wrap:anywhere" : "") + "\"><code style=\"" +
                inline_.code + "\">";
    } else {
        head += " class=\"tintext";
        if (options_.lineNumbers) head += " numbered";
        if (options_.wrap) head += " wrap";
        head += "\"";
        if (options_.lineNumbers) {
            const size_t digits = std::to_string(std::max<size_t>(lineCount, 1)).size();
            head += " style=\"--tintext-digits:" + std::to_string(std::max<size_t>(digits, 2)) + "\"";
        }
        head += ">";
        if (options_.fragment && !stylesheet_.empty()) head += "<style>\n" + stylesheet_ + "</style>";
        head += options_.bar + "<pre><code>";
    }
    out_->Append(head);
}

OutputSink& PageWriter::Body() { return filter_ ? static_cast<OutputSink&>(*filter_) : *out_; }

void PageWriter::End() {
    if (filter_) filter_->Finish();
    out_->Append(options_.fragment ? "</code></pre></div>\n" : "</code></pre></body></html>\n");
}

size_t CountLines(std::string_view text) {
    if (text.empty()) return 0;
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + (text.back() != '\n' ? 1 : 0);
}

}  // namespace tintext
