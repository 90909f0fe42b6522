// FormatSection against the reference formatter, which does the steps
// literally (engine/reference_formatter.h). Any difference on the generated
// definitions and inputs is a bug in one of them.
#include "test_prelude.h"

#include <map>
#include <random>

#include "engine/formatter.h"
#include "engine/reference_formatter.h"
#include "engine/regexp.h"
#include "hld_print.h"

namespace {

constexpr uint32_t kRandomStart = 20240611;

// The pieces of each kind in tests/data/engine_generator_pieces.tsv.
const std::vector<std::string>& Pieces(const std::string& kind) {
    static const std::map<std::string, std::vector<std::string>> pieces = [] {
        std::map<std::string, std::vector<std::string>> read;
        for (const auto& row : tintext::testing::ReadRows("engine_generator_pieces.tsv"))
            read[row[0]].assign(row.fields.begin() + 1, row.fields.end());
        return read;
    }();
    return pieces.at(kind);
}

class Generator {
public:
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <class T>
    const T& Pick(const std::vector<T>& items) {
        return items[static_cast<size_t>(Below(static_cast<int>(items.size())))];
    }

    std::string Atom() {
        std::string atom = Pick(Pieces("atom"));
        if (Chance(30)) atom += Pick(Pieces("quantifier"));
        return atom;
    }

    std::string Sequence(int depth) {
        std::string text;
        int parts = 1 + Below(3);
        for (int k = 0; k < parts; ++k) {
            int kind = Below(100);
            if (kind < 60 || depth > 1) {
                text += Atom();
            } else if (kind < 75) {
                text += "(" + Alternation(depth + 1) + ")";
                ++groups_;
                // Only "?": a repeated group of repeated atoms can need exponential time.
                if (Chance(30)) text += "?";
            } else if (kind < 82) {
                text += "(?:" + Alternation(depth + 1) + ")" + (Chance(50) ? "?" : "");
            } else if (kind < 87) {
                text += Pick(Pieces("lookbehind"));
            } else if (kind < 92) {
                text += Pick(Pieces("assertion"));
            } else if (groups_ > 0) {
                text += "\\" + std::to_string(1 + Below(groups_));
            } else {
                text += Atom();
            }
        }
        return text;
    }

    std::string Alternation(int depth) {
        std::string text = Sequence(depth);
        if (Chance(25)) text += "|" + Sequence(depth);
        return text;
    }

    std::string Pattern() {
        groups_ = 0;
        int kind = Below(100);
        if (kind < 1) return Pick(Pieces("invalid"));
        if (kind < 8) return Pick(Pieces("empty match"));
        if (kind < 18) return Pick(Pieces("start shape"));
        std::string text = Alternation(0);
        if (Chance(12)) text = "^" + text;
        if (Chance(10)) text = Pick(Pieces("lookbehind")) + text;
        if (Chance(6)) text += "$";
        return text;
    }

    HldTree Definition() {
        HldTree tree;
        int sections = 1 + Below(3);
        int line = 0;
        for (int s = 0; s < sections; ++s) {
            HldSection section;
            section.name = "S" + std::to_string(s);
            section.ignoreCase = Chance(50);
            section.multiLine = Chance(50);
            if (Chance(80)) section.header[kHtmlFormatKey] = {"<" + section.name + ">"};
            if (Chance(80)) section.footer[kHtmlFormatKey] = {"</" + section.name + ">"};
            // A block in another section's rules, when the entering match's first group names it.
            if (sections > 1 && Chance(30)) section.includes.Add(Pick(Pieces("include key")), "S" + std::to_string(Below(sections)));
            int rules = 1 + Below(4);
            for (int r = 0; r < rules; ++r) {
                HldRule rule;
                int patterns = Chance(75) ? 1 : 2;
                for (int p = 0; p < patterns; ++p) rule.patterns.push_back({Pattern(), ++line, "gen.hld"});
                if (Chance(85))
                    rule.formats[kHtmlFormatKey] = Pick(Pieces("format"));
                if (sections > 1 && Chance(35)) rule.enter = "S" + std::to_string(Below(sections));
                if (Below(300) == 0) rule.enter = "Missing";
                rule.returns = Chance(s == 0 ? 4 : 35);  // in the first section it ends everything
                section.rules.push_back(std::move(rule));
            }
            // Simple delimiters that enter and leave sections often, as strings
            // and comments do: the rebuilds after a return need many cases.
            if (sections > 1 && Chance(60)) {
                HldRule delimiter;
                delimiter.patterns.push_back({Pick(Pieces("delimiter")), ++line, "gen.hld"});
                delimiter.formats[kHtmlFormatKey] = "{$$}";
                if (s + 1 < sections) delimiter.enter = "S" + std::to_string(s + 1);
                if (s > 0) delimiter.returns = true;
                auto at = section.rules.begin() + Below(static_cast<int>(section.rules.size()) + 1);
                section.rules.insert(at, std::move(delimiter));
            }
            if (Chance(50)) {
                HldRule any;
                any.patterns.push_back({Chance(50) ? "[\\s\\S]" : ".", ++line, "gen.hld"});
                any.formats[kHtmlFormatKey] = "$$";
                section.rules.push_back(std::move(any));
            }
            std::string name = section.name;
            tree.sections.Add(name, std::move(section));
        }
        return tree;
    }

    std::string Input() {
        std::string text;
        int n = Below(40);
        for (int k = 0; k < n; ++k) text += Pick(Pieces("input"));
        return text;
    }

private:
    std::mt19937 random_{kRandomStart};
    int groups_ = 0;
};

// The output, or "error N: description".
template <class Run>
std::string Outcome(Run run) {
    try {
        return run();
    } catch (const Error& e) {
        return "error " + std::to_string(e.Number()) + (e.Number() == err::ObjectRequired ? "" : ": " + e.Description());
    }
}

}  // namespace

TEST(FormatterReference, SameOutputAsTheLiteralSteps) {
    Generator gen;
    RecordingEnvironment env;
    ReferenceCounts counts;
    int failures = 0, errors = 0, runs = 0;
    for (int d = 0; d < 3000 && failures < 5; ++d) {
        HldTree tree = gen.Definition();
        const HldSection& first = tree.sections.at(0).second;
        for (int k = 0; k < 5; ++k) {
            std::string input = gen.Input();
            long cancelAt = gen.Chance(10) ? gen.Below(10) : -1;
            auto prepare = [&] {
                env.cancelRequested = false;
                env.doEventsCount = 0;
                env.cancelAfterDoEvents = cancelAt;
            };
            prepare();
            std::string expected = Outcome([&] {
                std::string out;
                size_t ptr = 0;
                ReferenceFormat(tree, first, input, out, ptr, env, counts);
                return out + "|" + std::to_string(ptr);
            });
            prepare();
            std::string actual = Outcome([&] {
                StringSink sink;
                size_t ptr = 0;
                FormatSection(tree, first, input, sink, ptr, env, {std::chrono::milliseconds(0)});
                return sink.text + "|" + std::to_string(ptr);
            });
            ++runs;
            if (expected.rfind("error", 0) == 0) ++errors;
            if (expected != actual) {
                ++failures;
                ADD_FAILURE() << "definition:\n"
                              << tintext::testing::Print(tree) << "\n" << "input: \"" << input << "\" cancel at " << cancelAt
                              << "\nexpected: " << expected << "\nactual:   " << actual;
                break;
            }
        }
    }
    // The generator must exercise errors without drowning the outputs in
    // them, and resumptions after nested sections, where reuse is hardest.
    EXPECT_GT(errors, runs / 100);
    EXPECT_LT(errors, runs / 10);
    EXPECT_GT(counts.rebuildsAfterReturn, runs / 10);
}
