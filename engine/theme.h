// Themes: the stylesheet of the page that Tintext writes around the output of
// a definition with a PAGE line. A themes folder holds layout.css (shared by
// all) and one file of colours per theme (light.css, dark.css, ...); the theme
// "auto" is light, or dark where the reader's system prefers it.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tintext {

inline constexpr const char* kDefaultTheme = "auto";

// One rule of a flat stylesheet: "a,b{x:1;y:2}" gives {"a","b"} and "x:1;y:2".
struct CssRule {
    std::vector<std::string> selectors;
    std::string declarations;
};

// The rules of a stylesheet without at-rules; comments and blanks around
// selectors and declarations are dropped.
std::vector<CssRule> ParseCssRules(std::string_view css);

// The themes folder for a definition: "themes" beside it, or else the one
// beside the shipped definitions.
std::string ThemesFolderFor(const std::string& definitionFile);
std::string DefaultThemesFolder();

// The themes a folder offers, sorted by name, "auto" among them when the
// folder has both light and dark.
std::vector<std::string> ThemeNames(const std::string& folder);

// "auto, dark, high-contrast, light": for messages.
std::string ThemeList(const std::string& folder);

// The whole stylesheet for a theme: the layout, then the theme's colours.
// Raises error 5 naming the themes for an unknown theme, and the file errors
// of reading the files.
std::string ThemeStylesheet(const std::string& folder, const std::string& theme);

// A theme as style attributes, for output whose readers drop stylesheets
// (e-mail, word processors): "auto" gives light's colours.
struct InlineTheme {
    std::string container;  // the block's container: background and colour
    std::string pre;        // the <pre>: font, padding, scrolling
    std::string code;       // the <code> inside it
    std::unordered_map<std::string, std::string> classes;  // token class -> declarations
};
InlineTheme InlineThemeOf(const std::string& folder, const std::string& theme);

}  // namespace tintext
