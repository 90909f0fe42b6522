#include "app/dialogs/html_fragments.h"

#include <algorithm>
#include <cctype>

namespace tintext {

namespace {

// Elements that have no closing tag.
bool IsVoid(const std::string& name) {
    static const char* const kVoid[] = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link",
                                        "meta", "source", "track", "wbr"};
    return std::any_of(std::begin(kVoid), std::end(kVoid), [&](const char* v) { return name == v; });
}

std::string NameOf(std::string_view tag) {
    size_t i = tag.size() > 1 && tag[1] == '/' ? 2 : 1;
    std::string name;
    while (i < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[i])) || tag[i] == '-')) {
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(tag[i++])));
    }
    return name;
}

}  // namespace

void HtmlFragmenter::Feed(std::string_view html) {
    if (!pending_.empty()) {
        size_t close = html.find('>');
        if (close == std::string_view::npos) {
            pending_.append(html);
            return;
        }
        pending_.append(html.substr(0, close + 1));
        std::string tag;
        tag.swap(pending_);
        Tag(tag);
        html.remove_prefix(close + 1);
    }
    while (!html.empty()) {
        size_t open = html.find('<');
        Text(html.substr(0, open));
        if (open == std::string_view::npos) return;
        size_t close = html.find('>', open);
        if (close == std::string_view::npos) {
            pending_.assign(html.substr(open));
            return;
        }
        Tag(html.substr(open, close - open + 1));
        html.remove_prefix(close + 1);
    }
}

void HtmlFragmenter::Text(std::string_view text) {
    if (text.empty()) return;
    if (inStyle_) {
        styleSheet_.append(text);
        return;
    }
    if (inHead_) return;  // a title and the like: not part of the page's text
    size_t from = out_.size();
    out_.append(text);
    // A cut after the last line break of the text, once a piece's worth has gathered.
    size_t lineBreak = out_.rfind('\n');
    if (lineBreak != std::string::npos && lineBreak >= from && lineBreak + 1 - lastCut_ >= pieceSize_) {
        std::string rest = out_.substr(lineBreak + 1);
        out_.resize(lineBreak + 1);
        CutHere();
        out_ += rest;
    }
}

void HtmlFragmenter::Tag(std::string_view tag) {
    if (tag.size() < 2 || tag[1] == '!' || tag[1] == '?') return;  // doctype, comment
    const bool closing = tag[1] == '/';
    const std::string name = NameOf(tag);
    if (name == "style") {
        inStyle_ = !closing;
        if (!closing) styleSheet_ += '\n';
        return;
    }
    if (name == "head") {
        inHead_ = !closing;
        return;
    }
    if (inHead_ || inStyle_ || name == "html" || name == "body" || name == "meta" || name == "link" ||
        name == "title")
        return;
    out_.append(tag);
    if (closing) {
        auto it = std::find_if(open_.rbegin(), open_.rend(), [&](const OpenElement& e) { return e.name == name; });
        if (it != open_.rend()) open_.erase(std::next(it).base(), open_.end());
    } else if (!IsVoid(name) && !(tag.size() > 2 && tag[tag.size() - 2] == '/')) {
        open_.push_back({name, std::string(tag)});
    }
    // A very long line is cut between elements, never inside a character reference.
    if (out_.size() - lastCut_ >= 4 * pieceSize_) CutHere();
}

void HtmlFragmenter::CutHere() {
    if (out_.size() == lastCut_) return;
    cuts_.push_back({out_.size(), open_});
    lastCut_ = out_.size();
}

std::vector<std::string> HtmlFragmenter::Take(bool final) {
    if (final) {
        pending_.clear();  // an unfinished tag at the very end is not shown
        CutHere();
    }
    std::vector<std::string> pieces;
    size_t begin = 0;
    for (const Cut& cut : cuts_) {
        std::string piece;
        for (const OpenElement& e : openAtStart_) piece += e.tag;
        piece.append(out_, begin, cut.end - begin);
        for (auto it = cut.open.rbegin(); it != cut.open.rend(); ++it) piece += "</" + it->name + ">";
        pieces.push_back(std::move(piece));
        openAtStart_ = cut.open;
        begin = cut.end;
    }
    out_.erase(0, begin);
    lastCut_ -= begin;
    cuts_.clear();
    return pieces;
}

}  // namespace tintext
