// A matcher without backtracking for the simplest patterns: alternatives of
// character sets with greedy quantifiers, such as `[A-Za-z_][\w-]*` or
// `"[^"<&]*"|'[^'<&]*'`, also with repeated non-capturing groups of such
// sets (`(?:\r?\n[ \t]*)+`) and a lookahead closing an alternative
// (`[\w$]+(?=\s*\()`). It answers a match attempt at one position with the
// same result as the regular-expression engine, at a fraction of the cost,
// or says it cannot tell (a character beyond ASCII in the way).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/pattern_syntax.h"

namespace tintext {

class SimplePattern {
public:
    // What a text byte means to one set: a byte beyond ASCII is Unknown when
    // the character it begins might be a member.
    enum Membership : uint8_t { Out = 0, In = 1, Unknown = 2 };

    struct Item {
        std::array<uint8_t, 256> bytes{};  // Membership per text byte
        uint32_t min = 1;
        uint32_t max = 1;  // kUnbounded for no limit
    };
    static constexpr uint32_t kUnbounded = ~uint32_t{0};

    // One set, or a group of sets (`group` not empty) repeated min to max times.
    struct Element {
        Item item;
        std::vector<Item> group;
        uint32_t min = 1;
        uint32_t max = 1;
    };

    // The elements of one alternative, and the lookahead that may close it.
    struct Sequence {
        std::vector<Element> elements;
        std::vector<Item> sets;  // the elements' sets in order, when plain_
        std::shared_ptr<const SimplePattern> lookahead;
        bool negative = false;
    };

    // The pattern as written (ECMAScript, without the u flag), when it is
    // simple and greedy matching gives the engine's result; nothing
    // otherwise. The pattern is assumed valid (compiled before); anything
    // doubtful is refused rather than guessed.
    static std::optional<SimplePattern> Parse(std::string_view pattern, bool ignoreCase);
    // The same for a pattern already parsed.
    static std::optional<SimplePattern> Build(const ParsedPattern& pattern, bool ignoreCase);

    enum class Result { NoMatch, Match, Unknown };
    // A match attempt at `at` of UTF-8 `text`; on Match, `end` is where it ends.
    Result MatchAt(std::string_view text, size_t at, size_t& end) const;

private:
    friend class SimplePatternBuilder;
    Result MatchElements(std::string_view text, size_t at, size_t& end) const;

    std::vector<Sequence> alternatives_;
    bool plain_ = false;  // no groups, no lookaheads
};

}  // namespace tintext
