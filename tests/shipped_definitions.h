// For the tests of the shipped definitions (hld/): their names, a test name
// for each, and a check that formatted HTML shows exactly its input.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/formatter.h"

namespace tintext::testing {

inline const std::filesystem::path kHldFolder = std::filesystem::path(TINTEXT_SOURCE_DIR) / "hld";

// Every .hld of the folder, sorted; without links, only the files of their
// own (a link shares the file it points to).
inline std::vector<std::string> ShippedDefinitions(bool withLinks = false) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kHldFolder))
        if (entry.path().extension() == ".hld" && (withLinks || !entry.is_symlink()))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// "c_sharp" for "c-sharp.hld": a name GTest accepts for a parameter.
inline std::string TestNameOf(const std::string& file) {
    std::string name = std::filesystem::path(file).stem().string();
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

// Checks the text that HTML shows against the input while the HTML is
// written, without holding it: tags are dropped and the formatter's escapes
// decoded. Blanks must be plain (text copied from a page must hold the
// source's blanks, not U+00A0) and every <span> closed.
class ShownTextChecker final : public OutputSink {
public:
    explicit ShownTextChecker(std::string_view input) : input_(input) {}

    void Append(std::string_view piece) override {
        for (char c : piece) Take(c);
    }

    // Empty when the text shown is the whole input, else what is wrong first.
    std::string Problem() const {
        if (!problem_.empty()) return problem_;
        if (!markup_.empty()) return "the HTML ends inside a tag or an escape";
        if (openSpans_ != 0) return std::to_string(openSpans_) + " <span> left open";
        if (shown_ < input_.size()) return "the text shown ends at byte " + std::to_string(shown_);
        return "";
    }

private:
    // markup_ holds the tag or escape being read.
    void Take(char c) {
        if (!problem_.empty()) return;
        if (markup_.empty() && c != '<' && c != '&') return Show(c);
        markup_ += c;
        if (markup_[0] == '<' && c == '>') {
            if (markup_.starts_with("<span")) ++openSpans_;
            if (markup_ == "</span>" && --openSpans_ < 0) Fail("</span> without <span>");
            markup_.clear();
        } else if (markup_[0] == '&' && (c == ';' || markup_.size() > 6)) {
            const std::string escape = std::exchange(markup_, "");
            if (escape == "&amp;" || escape == "&lt;" || escape == "&gt;") Show(escape[1] == 'a' ? '&' : escape[1] == 'l' ? '<' : '>');
            else Fail("unknown escape " + escape);
        }
    }

    void Show(char c) {
        if (shown_ < input_.size() && input_[shown_] == c) {
            ++shown_;
            return;
        }
        const size_t from = shown_ < 30 ? 0 : shown_ - 30;
        Fail("the text shown differs: \"" + std::string(input_.substr(from, shown_ - from)) + "\" is followed by \"" +
             std::string(1, c) + "\" instead of \"" + std::string(input_.substr(shown_, 1)) + "\"");
    }

    void Fail(const std::string& what) { problem_ = what + " at byte " + std::to_string(shown_); }

    std::string_view input_;
    size_t shown_ = 0;
    std::string markup_;
    int openSpans_ = 0;
    std::string problem_;
};

}  // namespace tintext::testing
