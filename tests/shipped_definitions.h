// For the tests of the shipped definitions (hld/): their names, a test name
// for each, and a check that formatted HTML shows exactly its input.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <string_view>
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
        if (inTag_ || !entity_.empty()) return "the HTML ends inside a tag or an escape";
        if (openSpans_ != 0) return std::to_string(openSpans_) + " <span> left open";
        if (shown_ < input_.size()) return "the text shown ends at byte " + std::to_string(shown_);
        return "";
    }

private:
    void Take(char c) {
        if (!problem_.empty()) return;
        if (inTag_) {
            tag_ += c;
            if (c != '>') return;
            inTag_ = false;
            if (tag_.starts_with("<span")) ++openSpans_;
            if (tag_ == "</span>" && --openSpans_ < 0) problem_ = "</span> without <span> at byte " + std::to_string(shown_);
        } else if (!entity_.empty()) {
            entity_ += c;
            if (c == ';') Decode();
            else if (entity_.size() > 6) problem_ = "unknown escape " + entity_ + " at byte " + std::to_string(shown_);
        } else if (c == '<') {
            inTag_ = true;
            tag_ = "<";
        } else if (c == '&') {
            entity_ = "&";
        } else {
            Show(c);
        }
    }

    void Decode() {
        static const std::pair<const char*, char> kEscapes[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}};
        for (const auto& [escape, c] : kEscapes) {
            if (entity_ == escape) {
                entity_.clear();
                Show(c);
                return;
            }
        }
        problem_ = "unknown escape " + entity_ + " at byte " + std::to_string(shown_);
    }

    void Show(char c) {
        if (shown_ < input_.size() && input_[shown_] == c) {
            ++shown_;
            return;
        }
        const size_t from = shown_ < 30 ? 0 : shown_ - 30;
        problem_ = "the text shown differs at byte " + std::to_string(shown_) + ": \"" +
                   std::string(input_.substr(from, shown_ - from)) + "\" is followed by \"" + std::string(1, c) +
                   "\" instead of \"" + std::string(input_.substr(shown_, 1)) + "\"";
    }

    std::string_view input_;
    size_t shown_ = 0;
    bool inTag_ = false;
    std::string tag_;
    int openSpans_ = 0;
    std::string entity_;
    std::string problem_;
};

}  // namespace tintext::testing
