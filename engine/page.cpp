#include "engine/page.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "support/html_escape.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tintext {

namespace {

// The next "<" or line feed in `text` from `at` on (the size: none), sixteen
// bytes at a time where the processor allows: the scan of every byte the
// line marks pass on.
size_t NextTagOrLineFeed(std::string_view text, size_t at) {
#ifdef __SSE2__
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; at + 16 <= text.size(); at += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
        const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, lt), _mm_cmpeq_epi8(block, lf)));
        if (hits != 0) return at + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
    }
#endif
    for (; at < text.size(); ++at)
        if (text[at] == '<' || text[at] == '\n') return at;
    return text.size();
}

// Just past the ">" of the tag at `lt` when the sixteen bytes after the "<"
// settle where it ends: a ">" with no single quote before it and an even
// number of double quotes (so it is outside any value). Most of the tags
// the templates write are this short. Otherwise none (npos).
size_t ShortTagEnd(std::string_view text, size_t lt) {
#ifdef __SSE2__
    if (text.size() - lt < 17) return std::string_view::npos;
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + lt + 1));
    const unsigned ends = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('>'))));
    if (ends == 0) return std::string_view::npos;
    const unsigned before = (1u << __builtin_ctz(ends)) - 1;
    const unsigned single = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('\''))));
    const unsigned dbl = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('"'))));
    if ((single & before) != 0 || __builtin_popcount(dbl & before) % 2 != 0) return std::string_view::npos;
    return lt + 2 + static_cast<size_t>(__builtin_ctz(ends));
#else
    (void)text;
    (void)lt;
    return std::string_view::npos;
#endif
}

constexpr size_t kFilterBlock = 64 * 1024;

// What ends the plain stretch of a tag: its ">" or a quote that opens a value.
constexpr std::array<bool, 256> kEndsTagOrQuotes = [] {
    std::array<bool, 256> table{};
    table['>'] = table['"'] = table['\''] = true;
    return table;
}();

// Follows a tag that may come in pieces to its end: a ">" or line feed
// inside a quoted value is part of the tag. Only tags can hold them; the
// escaped text holds no "<".
class TagReader {
public:
    bool Open() const { return open_; }
    void Begin() {
        open_ = true;
        quote_ = 0;
    }

    // Just past the ">" that ends the open tag, from `at` on; the size of
    // the text when the text ends first, the tag still open.
    size_t Skip(std::string_view text, size_t at) {
        while (at < text.size()) {
            if (quote_) {
                const void* closing = std::memchr(text.data() + at, quote_, text.size() - at);
                if (closing == nullptr) return text.size();
                at = static_cast<size_t>(static_cast<const char*>(closing) - text.data()) + 1;
                quote_ = 0;
                continue;
            }
            while (at < text.size() && !kEndsTagOrQuotes[static_cast<unsigned char>(text[at])]) ++at;
            if (at == text.size()) break;
            if (text[at] == '>') {
                open_ = false;
                return at + 1;
            }
            quote_ = text[at++];
        }
        return text.size();
    }

private:
    bool open_ = false;
    char quote_ = 0;  // the quote of the value the tag is in
};

// The number of the line, kept as decimal digits and counted on in place:
// one for every line, so no division per line. The digits are followed by
// room to copy sixteen bytes at a time.
class LineCounter {
public:
    uint32_t Value() const { return value_; }
    size_t Size() const { return size_; }
    const char* Digits() const { return digits_.data(); }

    void Next() {
        ++value_;
        size_t at = size_;
        while (at > 0 && digits_[at - 1] == '9') digits_[--at] = '0';
        if (at > 0) {
            ++digits_[at - 1];
        } else {  // 9...9 became 10...0: one digit more
            digits_[0] = '1';
            digits_[size_++] = '0';
        }
    }

    static constexpr size_t kCopyBytes = 16;  // more than the digits of any uint32_t

private:
    uint32_t value_ = 0;
    size_t size_ = 1;
    std::array<char, kCopyBytes> digits_{'0'};
};

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

// The formatter's output on its way to the page, written on in blocks: the
// filters add or change a little in text that comes in many small pieces.
class BodyFilter : public OutputSink {
public:
    explicit BodyFilter(OutputSink& out) : out_(out), block_(new char[kFilterBlock]) {}
    virtual void Finish() { Flush(); }

protected:
    // At least `size` bytes of room at the end of the block, to write in
    // place; Used then takes what was written.
    char* Room(size_t size) {
        if (kFilterBlock - used_ < size) Flush();
        return block_.get() + used_;
    }
    void Used(size_t size) { used_ += size; }

    void Emit(std::string_view text) {
        if (text.size() > kFilterBlock - used_) {
            Flush();
            if (text.size() > kFilterBlock) {
                out_.Append(text);
                return;
            }
        }
        std::memcpy(block_.get() + used_, text.data(), text.size());
        used_ += text.size();
    }

    void Flush() {
        if (used_ == 0) return;
        out_.Append(std::string_view(block_.get(), used_));
        used_ = 0;
    }

private:
    OutputSink& out_;
    std::unique_ptr<char[]> block_;
    size_t used_ = 0;
};

namespace {

// Line numbers and marked lines: an empty element at the start of each line,
// <a class="ln" id="Ln" href="#Ln"></a> (without numbers, <span class="ln"
// id="Ln"></span>; on a marked line the class is "ln hl"), from which the
// stylesheet draws the number and the marks. Being empty, it may stand inside
// any element a line break cuts through, so the text goes on as it came and
// nothing is closed or opened again. The mark goes before the tags that
// start its line; tags after the last line feed end the last line, and make
// none. Where the definition's templates keep line feeds out of tags, only
// line feeds are looked for.
class LineMarker final : public BodyFilter {
public:
    LineMarker(const PageOptions& options, bool lineFeedsOnlyInText, OutputSink& out)
        : BodyFilter(out),
          numbers_(options.lineNumbers),
          lineFeedsOnlyInText_(lineFeedsOnlyInText),
          highlight_(Merged(options.highlight)) {}

    void Append(std::string_view text) override {
        if (lineFeedsOnlyInText_)
            AppendLines(text);
        else
            AppendReadingTags(text);
    }

    void Finish() override {
        EmitHeld();  // the tags after the last line feed
        Flush();
    }

private:
    // Every line feed ends a line: only the tags at the start of the last
    // line are read, to know whether there is a line at all.
    void AppendLines(std::string_view text) {
        for (size_t at = 0; at < text.size();) {
            const void* found = std::memchr(text.data() + at, '\n', text.size() - at);
            const size_t end = found ? static_cast<size_t>(static_cast<const char*>(found) - text.data()) + 1 : text.size();
            if (lineStart_) {
                if (!found && !HoldsText(text, at)) {
                    Hold(text.substr(at));
                    return;
                }
                Mark();
            }
            Emit(text.substr(at, end - at));
            lineStart_ = found != nullptr;
            at = end;
        }
    }

    // Whether a character outside a tag follows `at`.
    bool HoldsText(std::string_view text, size_t at) {
        while (at < text.size()) {
            if (tag_.Open()) {
                at = tag_.Skip(text, at);
            } else if (text[at] == '<') {
                tag_.Begin();
                at = tag_.Skip(text, at + 1);
            } else {
                return true;
            }
        }
        return false;
    }

    // A line feed in a tag is no line break: each tag is read to its end.
    void AppendReadingTags(std::string_view text) {
        size_t from = 0;       // not yet written or held
        size_t lineFrom = 0;   // where the line waiting for its mark starts
        size_t at = 0;
        while (at < text.size()) {
            if (tag_.Open()) {
                at = tag_.Skip(text, at);
                continue;
            }
            if (lineStart_) {
                if (text[at] == '<') {
                    at = PastTag(text, at);
                    continue;
                }
                Emit(text.substr(from, lineFrom - from));  // up to the line feed before the line
                from = lineFrom;
                Mark();  // the tags that start the line go after it, with the line
            }
            const size_t stop = NextTagOrLineFeed(text, at);
            if (stop == text.size()) break;
            if (text[stop] == '\n') {
                at = lineFrom = stop + 1;
                lineStart_ = true;
            } else {
                at = PastTag(text, stop);
            }
        }
        if (!lineStart_) {
            Emit(text.substr(from));
            return;
        }
        Emit(text.substr(from, lineFrom - from));
        Hold(text.substr(lineFrom));
    }

    void EmitHeld() {
        if (held_.empty()) return;
        Emit(held_);
        held_.clear();
    }

    // The start of a line that may be none: tags after the last line feed.
    void Hold(std::string_view tags) {
        held_.append(tags);
        if (held_.size() > kFilterBlock) Mark();  // a tag that never ends: no longer held back
    }

    size_t PastTag(std::string_view text, size_t lt) {
        const size_t end = ShortTagEnd(text, lt);
        if (end != std::string_view::npos) return end;
        tag_.Begin();
        return tag_.Skip(text, lt + 1);
    }

    void Mark() {
        line_.Next();
        const uint32_t line = line_.Value();
        while (nextRange_ < highlight_.size() && highlight_[nextRange_].last < line) ++nextRange_;
        const bool marked = nextRange_ < highlight_.size() && highlight_[nextRange_].first <= line;
        // Composed in place from pieces of fixed sizes: there is one for every line.
        char* const start = Room(kMarkRoom);
        char* end = start;
        const auto put = [&end](const auto& literal) {
            std::memcpy(end, literal, sizeof literal - 1);
            end += sizeof literal - 1;
        };
        const auto putNumber = [&end, this] {
            std::memcpy(end, line_.Digits(), LineCounter::kCopyBytes);  // the bytes past the digits are written over
            end += line_.Size();
        };
        if (numbers_)
            put("<a class=\"ln");
        else
            put("<span class=\"ln");
        if (marked) put(" hl");
        put("\" id=\"L");
        putNumber();
        if (numbers_) {
            put("\" href=\"#L");
            putNumber();
            put("\"></a>");
        } else {
            put("\"></span>");
        }
        Used(static_cast<size_t>(end - start));
        EmitHeld();  // the line's first tags, when they came in an earlier piece
        lineStart_ = false;
    }

    static constexpr size_t kMarkRoom = 96;  // the longest mark, and the copies past it
    const bool numbers_;
    const bool lineFeedsOnlyInText_;
    const std::vector<LineRange> highlight_;
    size_t nextRange_ = 0;
    LineCounter line_;
    TagReader tag_;
    bool lineStart_ = true;  // the mark of the next line is still to come
    std::string held_;       // the tags that start the line, which go after its mark
};

// Inline styles: class="a b" becomes style="..." with the declarations of
// the classes the theme knows; a tag without any of them stays as it is.
class StyleInliner final : public BodyFilter {
public:
    StyleInliner(const InlineTheme& theme, OutputSink& out) : BodyFilter(out), theme_(theme) {}

    void Append(std::string_view text) override {
        size_t at = 0;
        while (at < text.size()) {
            if (!tag_.Open()) {
                const void* lt = std::memchr(text.data() + at, '<', text.size() - at);
                if (lt == nullptr) {
                    Emit(text.substr(at));
                    return;
                }
                const size_t stop = static_cast<size_t>(static_cast<const char*>(lt) - text.data());
                Emit(text.substr(at, stop - at));
                tag_.Begin();
                tagText_.assign(1, '<');
                at = stop + 1;
            }
            const size_t from = at;
            at = tag_.Skip(text, at);
            tagText_.append(text.substr(from, at - from));
            if (!tag_.Open()) Emit(WithStyles(tagText_));
        }
    }

    void Finish() override {
        if (tag_.Open()) Emit(tagText_);  // a "<" the templates never closed: written as it came
        Flush();
    }

private:
    std::string WithStyles(const std::string& tag) const {
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
            auto found = theme_.classes.find(std::string(classes.substr(from, end - from)));
            if (found != theme_.classes.end()) style += (style.empty() ? "" : ";") + found->second;
            from = end + 1;
        }
        if (style.empty()) return tag;
        return tag.substr(0, at) + " style=\"" + style + "\"" + tag.substr(valueEnd + 1);
    }

    const InlineTheme& theme_;
    TagReader tag_;
    std::string tagText_;  // the tag read so far
};

}  // namespace

PageWriter::PageWriter(const PageOptions& options, const std::string& themesFolder) : options_(options) {
    if (options.inlineStyles)
        inline_ = InlineThemeOf(themesFolder, options.theme);
    else if (options.stylesheet)
        stylesheet_ = ThemeStylesheet(themesFolder, options.theme);
    else
        ThemeStylesheet(themesFolder, options.theme);  // left out, but the name must still be right
}

PageWriter::~PageWriter() = default;

void PageWriter::Begin(OutputSink& out, const std::string& title, size_t lineCount, bool lineFeedsOnlyInText) {
    out_ = &out;
    if (options_.inlineStyles)  // line numbers need the stylesheet: the options never ask for both
        filter_ = std::make_unique<StyleInliner>(inline_, out);
    else if (options_.MarksLines())
        filter_ = std::make_unique<LineMarker>(options_, lineFeedsOnlyInText, out);
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
        if (options_.MarksLines()) head += " lines";
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

bool LineFeedsOnlyInText(const HldTree& hld) {
    // True when every tag of a text ends in it, with no "$" (a placeholder
    // for matched text) inside: then a line feed in the output, which comes
    // from matched text or text no rule matched, never falls in a tag.
    const auto tagsClosed = [](const std::string& text) {
        TagReader tag;
        for (size_t at = 0; at < text.size();) {
            const size_t lt = text.find('<', at);
            if (lt == std::string::npos) return true;
            tag.Begin();
            at = tag.Skip(text, lt + 1);
            if (tag.Open() || text.substr(lt, at - lt).find('$') != std::string::npos) return false;
        }
        return true;
    };
    for (const auto& [name, section] : hld.sections) {
        for (const HldRule& rule : section.rules) {
            const std::string* format = rule.formats.Find(kHtmlFormatKey);
            if (format && !tagsClosed(*format)) return false;
        }
        for (const auto* texts : {section.header.Find(kHtmlFormatKey), section.footer.Find(kHtmlFormatKey)}) {
            if (texts && !std::all_of(texts->begin(), texts->end(), tagsClosed)) return false;
        }
    }
    return true;
}

size_t CountLines(std::string_view text) {
    if (text.empty()) return 0;
    size_t lines = 0;
    for (const char* at = text.data(), *end = text.data() + text.size();; ++lines, ++at) {
        at = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
        if (at == nullptr) break;
    }
    return lines + (text.back() != '\n' ? 1 : 0);
}

}  // namespace tintext
