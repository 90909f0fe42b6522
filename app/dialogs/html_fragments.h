// Cuts a conversion's HTML, as it streams out of the formatter, into pieces
// that a text browser can append one after the other: each piece is
// well-formed (the elements open at its start are opened again, those still
// open at its end are closed), ends after a line break where it can, and
// holds no document head: the style sheets are collected apart, for the
// browser's default style sheet, and the head's other content is dropped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tintext {

class HtmlFragmenter {
public:
    // pieceSize: the size, in bytes of HTML, a piece is cut at (after the
    // next line break; a line four times as long is cut between elements).
    explicit HtmlFragmenter(size_t pieceSize = 8 * 1024) : pieceSize_(pieceSize) {}

    // Appends the next part of the HTML (any size, cut anywhere).
    void Feed(std::string_view html);
    // The pieces ready so far; with final (everything is fed), the rest too.
    std::vector<std::string> Take(bool final);
    // The text of every <style> element met so far.
    const std::string& StyleSheet() const { return styleSheet_; }

private:
    struct OpenElement {
        std::string name;
        std::string tag;  // the whole opening tag, to open it again
    };
    struct Cut {
        size_t end;  // in out_
        std::vector<OpenElement> open;
    };

    void Text(std::string_view text);
    void Tag(std::string_view tag);
    void CutHere();

    size_t pieceSize_;
    std::string pending_;  // an opening "<" whose ">" has not come yet, and what follows it
    std::string out_;      // the HTML to show, not yet handed out
    std::vector<Cut> cuts_;
    std::vector<OpenElement> open_;
    std::vector<OpenElement> openAtStart_;  // open where out_ begins
    size_t lastCut_ = 0;                    // in out_
    bool inHead_ = false;
    bool inStyle_ = false;
    std::string styleSheet_;
};

}  // namespace tintext
