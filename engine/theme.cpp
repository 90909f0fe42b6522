#include "engine/theme.h"

#include <algorithm>
#include <filesystem>

#include "engine/job.h"
#include "support/error.h"
#include "support/system.h"

namespace tintext {

namespace {

namespace fs = std::filesystem;

constexpr const char* kLayoutFile = "layout.css";
constexpr const char* kScope = ".tintext";

std::string WithoutComments(std::string_view css) {
    std::string text;
    for (size_t i = 0; i < css.size();) {
        if (css.compare(i, 2, "/*") == 0) {
            const size_t end = css.find("*/", i + 2);
            i = end == std::string_view::npos ? css.size() : end + 2;
            continue;
        }
        text += css[i++];
    }
    return text;
}

std::string TrimSpace(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

std::string ReadCss(const std::string& folder, const std::string& file) {
    return ReadFileTextOf(folder + "/" + file);
}

bool IsThemeFile(const fs::path& path) { return path.extension() == ".css" && path.filename() != kLayoutFile; }

void CheckTheme(const std::string& folder, const std::string& theme) {
    const std::vector<std::string> names = ThemeNames(folder);
    if (std::find(names.begin(), names.end(), theme) == names.end())
        throw Error(err::InvalidArgument, kProgramSource,
                    "Unknown theme \"" + theme + "\"; the themes are: " + ThemeList(folder) + ".");
}

}  // namespace

std::vector<CssRule> ParseCssRules(std::string_view css) {
    const std::string text = WithoutComments(css);
    std::vector<CssRule> rules;
    for (size_t start = 0;;) {
        const size_t open = text.find('{', start);
        if (open == std::string::npos) break;
        const size_t close = text.find('}', open);
        if (close == std::string::npos) break;
        CssRule rule;
        const std::string_view selectors = std::string_view(text).substr(start, open - start);
        for (size_t from = 0;;) {
            const size_t comma = selectors.find(',', from);
            rule.selectors.push_back(TrimSpace(selectors.substr(from, comma - from)));
            if (comma == std::string_view::npos) break;
            from = comma + 1;
        }
        rule.declarations = TrimSpace(std::string_view(text).substr(open + 1, close - open - 1));
        rules.push_back(std::move(rule));
        start = close + 1;
    }
    return rules;
}

std::string DefaultThemesFolder() { return DefaultHldFolder() + "/themes"; }

std::string ThemesFolderFor(const std::string& definitionFile) {
    const fs::path beside = fs::path(definitionFile).parent_path() / "themes";
    std::error_code error;
    if (fs::is_directory(beside, error)) return beside.string();
    return DefaultThemesFolder();
}

std::vector<std::string> ThemeNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (IsThemeFile(it->path())) names.push_back(it->path().stem().string());
    const auto has = [&](const char* name) { return std::find(names.begin(), names.end(), name) != names.end(); };
    if (has("light") && has("dark") && !has(kDefaultTheme)) names.push_back(kDefaultTheme);
    std::sort(names.begin(), names.end());
    return names;
}

std::string ThemeList(const std::string& folder) {
    std::string list;
    for (const std::string& name : ThemeNames(folder)) list += (list.empty() ? "" : ", ") + name;
    return list.empty() ? "none (no themes in " + folder + ")" : list;
}

std::string ThemeStylesheet(const std::string& folder, const std::string& theme) {
    CheckTheme(folder, theme);
    std::string css = ReadCss(folder, kLayoutFile);
    if (theme == kDefaultTheme && !fs::exists(fs::path(folder) / "auto.css")) {
        css += ReadCss(folder, "light.css");
        css += "@media (prefers-color-scheme:dark){\n" + ReadCss(folder, "dark.css") + "}\n";
    } else {
        css += ReadCss(folder, theme + ".css");
    }
    return css;
}

InlineTheme InlineThemeOf(const std::string& folder, const std::string& theme) {
    CheckTheme(folder, theme);
    const std::string colours = theme == kDefaultTheme && !fs::exists(fs::path(folder) / "auto.css") ? "light" : theme;
    InlineTheme result;
    const std::string prefix = std::string(kScope) + " .";
    for (const std::string& file : {std::string(kLayoutFile), colours + ".css"}) {
        for (const CssRule& rule : ParseCssRules(ReadCss(folder, file))) {
            for (const std::string& selector : rule.selectors) {
                std::string* target = nullptr;
                if (selector == kScope) {
                    target = &result.container;
                } else if (selector == std::string(kScope) + " pre") {
                    target = &result.pre;
                } else if (selector == std::string(kScope) + " code") {
                    target = &result.code;
                } else if (selector.rfind(prefix, 0) == 0 &&
                           selector.find_first_of(" .:[>", prefix.size()) == std::string::npos) {
                    target = &result.classes[selector.substr(prefix.size())];
                }
                if (!target) continue;  // line numbers and states need the stylesheet
                if (!target->empty() && target->back() != ';') *target += ';';
                // Inside a style attribute in double quotes, a font name keeps single ones.
                std::string declarations = rule.declarations;
                std::replace(declarations.begin(), declarations.end(), '"', '\'');
                *target += declarations;
            }
        }
    }
    return result;
}

}  // namespace tintext
