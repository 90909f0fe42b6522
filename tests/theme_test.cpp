// The shipped themes: every token class is readable on every background it
// can stand on (WCAG AA, 4.5:1), and every class that a shipped definition
// writes has its colours in every theme.
#include "engine/theme.h"

#include "test_prelude.h"

#include <cmath>
#include <map>
#include <optional>
#include <regex>
#include <set>

#include "shipped_definitions.h"

namespace {

const std::string kSource = TINTEXT_SOURCE_DIR;
const std::string kThemes = kSource + "/hld/themes";
constexpr double kMinimumContrast = 4.5;

// The value of a declaration such as "color" in "color:#abc;font-weight:600".
std::optional<std::string> Property(const std::string& declarations, const std::string& name) {
    const std::regex pattern("(?:^|;)\\s*" + name + "\\s*:\\s*([^;]+)");
    std::smatch match;
    if (!std::regex_search(declarations, match, pattern)) return std::nullopt;
    return match[1].str();
}

double Channel(int value) {
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// Relative luminance of "#rrggbb".
double Luminance(const std::string& colour) {
    EXPECT_TRUE(std::regex_match(colour, std::regex("#[0-9a-fA-F]{6}"))) << "not #rrggbb: " << colour;
    const auto at = [&](size_t i) { return std::stoi(colour.substr(i, 2), nullptr, 16); };
    return 0.2126 * Channel(at(1)) + 0.7152 * Channel(at(3)) + 0.0722 * Channel(at(5));
}

double Contrast(const std::string& a, const std::string& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

struct Theme {
    std::string base;                                  // the block's background
    std::map<std::string, std::string> backgrounds;   // selector -> background laid over the base
    std::map<std::string, std::string> colours;       // selector -> text colour on the backgrounds
    std::map<std::string, std::pair<std::string, std::string>> ownBackground;  // colour on its own background
};

Theme Load(const std::string& name) {
    Theme theme;
    for (const CssRule& rule : ParseCssRules(tintext::testing::ReadBytes(kThemes + "/" + name + ".css"))) {
        const auto colour = Property(rule.declarations, "color");
        const auto background = Property(rule.declarations, "background");
        for (const std::string& selector : rule.selectors) {
            if (selector == ".tintext") {
                theme.base = background.value_or("");
                theme.colours[selector] = colour.value_or("");
            } else if (colour && background) {
                theme.ownBackground[selector] = {*colour, *background};
            } else if (background) {
                theme.backgrounds[selector] = *background;
            } else if (colour) {
                theme.colours[selector] = *colour;
            }
        }
    }
    return theme;
}

const char* kThemeFiles[] = {"light", "dark", "high-contrast"};

TEST(Themes, EveryTokenClassMeetsAaContrastOnEveryBackground) {
    for (const char* name : kThemeFiles) {
        const Theme theme = Load(name);
        ASSERT_FALSE(theme.base.empty()) << name << ": .tintext has no background";
        ASSERT_GT(theme.colours.size(), 20u) << name;
        std::map<std::string, std::string> backgrounds = theme.backgrounds;
        backgrounds[".tintext"] = theme.base;
        for (const auto& [selector, colour] : theme.colours)
            for (const auto& [where, background] : backgrounds)
                EXPECT_GE(Contrast(colour, background), kMinimumContrast)
                    << name << ": " << selector << " " << colour << " on " << where << " " << background;
        for (const auto& [selector, pair] : theme.ownBackground)
            EXPECT_GE(Contrast(pair.first, pair.second), kMinimumContrast)
                << name << ": " << selector << " " << pair.first << " on its own " << pair.second;
    }
}

// A class written by a definition but missing from a theme would show in the
// plain text colour there, unnoticed.
TEST(Themes, EveryClassOfTheShippedDefinitionsHasColoursInEveryTheme) {
    std::set<std::string> used;
    const std::regex classAttribute("class=\"([a-z]+)\"");
    for (const std::string& name : tintext::testing::ShippedDefinitions()) {
        const std::string text = tintext::testing::ReadBytes(tintext::testing::kHldFolder / name);
        for (std::sregex_iterator it(text.begin(), text.end(), classAttribute), end; it != end; ++it)
            used.insert((*it)[1].str());
    }
    ASSERT_GT(used.size(), 10u);
    for (const char* name : kThemeFiles) {
        std::set<std::string> styled;
        for (const CssRule& rule : ParseCssRules(tintext::testing::ReadBytes(kThemes + "/" + name + ".css")))
            for (const std::string& selector : rule.selectors)
                if (selector.starts_with(".tintext .")) styled.insert(selector.substr(10));
        for (const std::string& cls : used) EXPECT_TRUE(styled.count(cls)) << name << " has no rule for ." << cls;
    }
}

// Rules that style one class add up into one style attribute, the layout's
// first; a font name's double quotes turn single inside the attribute.
TEST(Themes, InlineStylesJoinEveryRuleOfAClass) {
    TempFolder folder;
    folder.Write("layout.css", ".tintext .kw{font-weight:bold}");
    folder.Write("mine.css", ".tintext .kw{color:#111}.tintext .kw,.tintext pre{font-family:\"A B\";}.tintext .kw:hover{x:y}");
    const InlineTheme theme = InlineThemeOf(folder.path(), "mine");
    EXPECT_EQ(theme.classes.at("kw"), "font-weight:bold;color:#111;font-family:'A B';");
    EXPECT_EQ(theme.pre, "font-family:'A B';");
}

TEST(Themes, ParseCssRules) {
    const auto rules = ParseCssRules("/* a } comment */ .a , .b{ color:#fff ;x:y }\n@x{}.c{}");
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(rules[0].selectors, (std::vector<std::string>{".a", ".b"}));
    EXPECT_EQ(rules[0].declarations, "color:#fff ;x:y");
    EXPECT_EQ(rules[2].selectors, (std::vector<std::string>{".c"}));
}

}  // namespace
