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
// bytes at a time where the processor allows: the filter's scan of every
// byte it passes on.
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

constexpr size_t kFilterBlock = 64 * 1024;

char LowerCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Element names compare without regard to case.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerCase(a[i]) != LowerCase(b[i])) return false;
    return true;
}

// Elements that have no end tag.
bool IsVoidElement(std::string_view name) {
    static constexpr std::string_view kVoid[] = {"area", "base", "br",    "col",   "embed", "hr",  "img",
                                                 "input", "link", "meta", "source", "track", "wbr"};
    if (name.empty()) return false;
    return std::any_of(std::begin(kVoid), std::end(kVoid), [name](std::string_view v) {
        return v.size() == name.size() && v[0] == LowerCase(name[0]) && SameName(v, name);
    });
}

// What ends the plain stretch of a tag: its ">" or a quote that opens a value.
constexpr std::array<bool, 256> kEndsTagOrQuotes = [] {
    std::array<bool, 256> table{};
    table['>'] = table['"'] = table['\''] = true;
    return table;
}();

bool EndsName(char c) {
    switch (c) {
        case ' ': case '\t': case '\r': case '\n': case '/': case '>': case '\0': return true;
        default: return false;
    }
}

// The name in a tag from `from` on, as written.
std::string_view ElementName(std::string_view tag, size_t from) {
    size_t end = from;
    while (end < tag.size() && !EndsName(tag[end])) ++end;
    return tag.substr(from, end - from);
}

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

// The formatter's output on its way to the page. With line numbers or marked
// lines, each line becomes <span class="line" id="Ln">...</span> (with line
// numbers, <a class="ln" href="#Ln"></a> first), the line feed between lines;
// elements that a line break cuts through are closed before it and opened
// again after it, so every line stands alone. With inline styles, class
// attributes become the theme's style attributes.
// Only tags are parsed (the escaped text holds no "<"), and only the open
// elements are remembered, so memory does not grow with the input. Within a
// line, text and tags are copied on in one piece up to the line feed; the
// tags are only read, to know which elements are open at its end.
class PageWriter::BodyFilter final : public OutputSink {
public:
    BodyFilter(const PageOptions& options, const InlineTheme* inlineTheme, OutputSink& out)
        : lines_(options.lineNumbers || !options.highlight.empty()),
          numbers_(options.lineNumbers),
          inline_(inlineTheme),
          highlight_(Merged(options.highlight)),
          out_(out),
          block_(new char[kFilterBlock]) {}

    void Append(std::string_view text) override {
        size_t at = 0;
        while (at < text.size()) {
            if (inTag_) {
                at = ContinueTag(text, at);
            } else if (!lines_) {
                const void* lt = std::memchr(text.data() + at, '<', text.size() - at);
                const size_t stop = lt ? static_cast<size_t>(static_cast<const char*>(lt) - text.data()) : text.size();
                Emit(text.substr(at, stop - at));
                at = stop == text.size() ? stop : StartTag(text, stop);
            } else if (text[at] == '<' && !lineOpen_) {  // tags before a line's first text wait for it
                at = StartTag(text, at);
            } else {
                if (!lineOpen_) OpenLine();
                at = RestOfLine(text, at);
                KeepOpenTags();
            }
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
    enum class TagKind { Closing, Empty, Opening };

    // An element left open: its tag as written, its name right after the
    // "<". The tag is read where it was written until KeepOpenTags copies it
    // into openTags_: most elements end before the text they are in goes away.
    struct OpenElement {
        const char* tag;
        size_t tagSize;
        size_t nameSize;
        bool plainName;  // no quotes in it, which would start a value in its end tag
    };

    // The open line from `at` on, and the lines after it, up to the end of
    // the block or to a line that starts with a tag: text and tags go on as
    // they are, each line in one piece.
    size_t RestOfLine(std::string_view text, size_t at) {
        size_t from = at;  // not yet written
        for (;;) {
            const size_t stop = NextTagOrLineFeed(text, at);
            if (stop == text.size()) {
                Emit(text.substr(from));
                return stop;
            }
            if (text[stop] == '\n') {
                Emit(text.substr(from, stop - from));
                CloseLine();
                at = from = stop + 1;
                if (at == text.size() || text[at] == '<') return at;  // tags before a line's first text wait for it
                OpenLine();
                continue;
            }
            if (!inline_) {
                if (text.size() - stop > 1 && text[stop + 1] == '/') {
                    if (ClosesInnermost(text, stop)) {
                        at = stop + 3 + open_.back().nameSize;
                        CloseFrom(open_.size() - 1);
                        continue;
                    }
                } else if (const KnownTag* known = Known(text, stop)) {
                    if (known->opening) Open(text.substr(stop, known->tag.size()), known->nameSize, known->plainName);
                    at = stop + known->tag.size();
                    continue;
                }
            }
            char quote = 0;
            const size_t end = TagEnd(text, stop + 1, quote);
            if (end == text.size()) {  // the tag goes on in the next block
                Emit(text.substr(from, stop - from));
                return StartTag(text, stop);
            }
            const std::string_view tag = text.substr(stop, end + 1 - stop);
            if (inline_) {
                Emit(text.substr(from, stop - from));
                Tag(tag);
                from = end + 1;
            } else {
                Remember(tag, Track(tag));
            }
            at = end + 1;
        }
    }

    // Whether the end tag at `lt` ends the innermost open element, spelt as
    // its start tag spells the name: the commonest tag, told apart without
    // reading it whole.
    bool ClosesInnermost(std::string_view text, size_t lt) const {
        if (open_.empty() || !open_.back().plainName) return false;
        const OpenElement& innermost = open_.back();
        const size_t gt = lt + 2 + innermost.nameSize;
        if (gt >= text.size() || text[gt] != '>') return false;
        const char* name = innermost.tag + 1;
        const char* written = text.data() + lt + 2;
        for (size_t i = 0; i < innermost.nameSize; ++i)  // a short name: compared in place
            if (written[i] != name[i]) return false;
        return true;
    }

    // Start tags (and empty elements) read before, by a hash of their first
    // 16 bytes: the templates write the same few tags over and over. A tag
    // is read the same whatever follows it, so a text that begins with a
    // known tag holds that tag.
    struct Key {
        uint64_t first = 0, second = 0;  // the first 16 bytes
        Key() = default;
        Key(std::string_view text, size_t lt) {
            std::memcpy(&first, text.data() + lt, 8);
            std::memcpy(&second, text.data() + lt + 8, 8);
        }
        bool operator==(const Key&) const = default;
        size_t Slot() const { return static_cast<size_t>(((first ^ (second * 0x9E3779B97F4A7C15u)) * 0x9E3779B97F4A7C15u) >> 58); }
    };
    struct KnownTag {
        std::string tag;  // empty: none yet
        Key key;
        bool opening = false;
        size_t nameSize = 0;
        bool plainName = false;
    };
    static constexpr size_t kKeyBytes = 16;

    const KnownTag* Known(std::string_view text, size_t lt) const {
        if (text.size() - lt < kKeyBytes) return nullptr;
        const Key key(text, lt);
        const KnownTag& known = known_[key.Slot()];
        if (known.tag.empty() || !(known.key == key) || known.tag.size() > text.size() - lt) return nullptr;
        for (size_t i = kKeyBytes; i < known.tag.size(); ++i)  // mostly a byte or two: compared in place
            if (text[lt + i] != known.tag[i]) return nullptr;
        return &known;
    }

    void Remember(std::string_view tag, TagKind kind) {
        if (kind == TagKind::Closing || tag.size() < kKeyBytes) return;
        const Key key(tag, 0);
        KnownTag& known = known_[key.Slot()];
        known.tag.assign(tag);
        known.key = key;
        known.opening = kind == TagKind::Opening;
        if (known.opening) {
            known.nameSize = open_.back().nameSize;
            known.plainName = open_.back().plainName;
        }
    }

    // The index of the ">" that ends a tag, from `at` on, outside quotes
    // (`quote`: the quote open at `at`, and then at the end); the block's
    // size when the block ends first.
    static size_t TagEnd(std::string_view text, size_t at, char& quote) {
        while (at < text.size()) {
            if (quote) {
                const void* closing = std::memchr(text.data() + at, quote, text.size() - at);
                if (closing == nullptr) return text.size();
                at = static_cast<size_t>(static_cast<const char*>(closing) - text.data()) + 1;
                quote = 0;
                continue;
            }
            while (at < text.size() && !kEndsTagOrQuotes[static_cast<unsigned char>(text[at])]) ++at;
            if (at == text.size()) return at;
            if (text[at] == '>') return at;
            quote = text[at++];
        }
        return text.size();
    }

    size_t StartTag(std::string_view text, size_t at) {
        inTag_ = true;
        tag_.assign(1, '<');
        quote_ = 0;
        return ContinueTag(text, at + 1);
    }

    size_t ContinueTag(std::string_view text, size_t at) {
        const size_t end = TagEnd(text, at, quote_);
        if (end == text.size()) {
            tag_.append(text.substr(at));
            return end;
        }
        tag_.append(text.substr(at, end + 1 - at));
        inTag_ = false;
        Tag(tag_);
        return end + 1;
    }

    // A tag read whole, outside the run of an open line.
    void Tag(std::string_view tag) {
        std::string styled;
        if (inline_) {
            styled = WithStyles(std::string(tag));
            tag = styled;
        }
        if (!lines_) {
            Emit(tag);
            return;
        }
        const bool open = lineOpen_;
        if (Track(tag) == TagKind::Empty && !open) OpenLine();
        if (lineOpen_) Emit(tag);
        KeepOpenTags();
    }

    // Keeps the open elements up to date with a tag.
    TagKind Track(std::string_view tag) {
        if (tag.size() > 1 && tag[1] == '/') {
            const std::string_view name = ElementName(tag, 2);
            for (size_t k = open_.size(); k-- > 0;) {
                if (!SameName(OpenName(k), name)) continue;
                CloseFrom(k);
                break;
            }
            return TagKind::Closing;
        }
        const std::string_view name = ElementName(tag, 1);
        if (tag[1] == '!' || tag[1] == '?' || IsVoidElement(name) || tag.ends_with("/>")) return TagKind::Empty;
        Open(tag, name.size(), std::none_of(name.begin(), name.end(), [](char c) { return c == '"' || c == '\''; }));
        return TagKind::Opening;
    }

    void Open(std::string_view tag, size_t nameSize, bool plainName) {
        open_.push_back({tag.data(), tag.size(), nameSize, plainName});
    }

    // Ends the open elements from the k-th on.
    void CloseFrom(size_t k) {
        open_.resize(k);
        kept_ = std::min(kept_, k);
    }

    // Copies the tags of the elements opened since the last call out of the
    // text they were read in, before it goes away.
    void KeepOpenTags() {
        if (kept_ == open_.size()) return;
        std::string tags;
        for (const OpenElement& element : open_) tags.append(element.tag, element.tagSize);
        openTags_.swap(tags);
        const char* at = openTags_.data();
        for (OpenElement& element : open_) {
            element.tag = at;
            at += element.tagSize;
        }
        kept_ = open_.size();
    }

    std::string_view OpenName(size_t k) const { return std::string_view(open_[k].tag + 1, open_[k].nameSize); }

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
        line_.Next();
        const uint32_t line = line_.Value();
        while (nextRange_ < highlight_.size() && highlight_[nextRange_].last < line) ++nextRange_;
        const bool marked = nextRange_ < highlight_.size() && highlight_[nextRange_].first <= line;
        // Composed in place from pieces of fixed sizes: there is one for every line.
        if (kFilterBlock - used_ < kLineStartRoom) Flush();
        char* const start = block_.get() + used_;
        char* end = start;
        const auto put = [&end](const auto& literal) {
            std::memcpy(end, literal, sizeof literal - 1);
            end += sizeof literal - 1;
        };
        const auto putNumber = [&end, this] {
            std::memcpy(end, line_.Digits(), LineCounter::kCopyBytes);  // the bytes past the digits are written over
            end += line_.Size();
        };
        if (marked)
            put("<span class=\"line hl\" id=\"L");
        else
            put("<span class=\"line\" id=\"L");
        putNumber();
        if (numbers_) {
            put("\"><a class=\"ln\" href=\"#L");
            putNumber();
            put("\"></a>");
        } else {
            put("\">");
        }
        used_ += static_cast<size_t>(end - start);
        for (const OpenElement& element : open_) Emit(std::string_view(element.tag, element.tagSize));
        lineOpen_ = true;
    }

    void CloseLine() {
        if (!open_.empty()) CloseOpenElements();
        Emit("</span>\n");
        lineOpen_ = false;
    }

    // End tags for the open elements, innermost first, their names in lower case.
    void CloseOpenElements() {
        for (size_t k = open_.size(); k-- > 0;) {
            std::string end = "</";
            for (char c : OpenName(k)) end += LowerCase(c);
            end += '>';
            Emit(end);
        }
    }

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

    const bool lines_;    // each line an element of its own
    const bool numbers_;  // with its number
    const InlineTheme* inline_;
    const std::vector<LineRange> highlight_;
    OutputSink& out_;
    static constexpr size_t kLineStartRoom = 128;  // enough for the longest start of a line, and the copies past it
    std::unique_ptr<char[]> block_;  // written on in blocks of kFilterBlock
    size_t used_ = 0;
    std::array<KnownTag, 64> known_;
    bool inTag_ = false;  // tag_ holds the start of a tag, the rest still to come
    char quote_ = 0;
    std::string tag_;
    std::vector<OpenElement> open_;  // outermost first
    size_t kept_ = 0;                // open_[0, kept_) have their tags in openTags_
    std::string openTags_;
    bool lineOpen_ = false;
    LineCounter line_;
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
    size_t lines = 0;
    for (const char* at = text.data(), *end = text.data() + text.size();; ++lines, ++at) {
        at = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
        if (at == nullptr) break;
    }
    return lines + (text.back() != '\n' ? 1 : 0);
}

}  // namespace tintext
