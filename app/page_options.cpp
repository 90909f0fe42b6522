#include "app/page_options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "support/conversions.h"
#include "support/ascii_text.h"

namespace tintext {

namespace {

constexpr uint32_t kMaxLine = 0xFFFFFFFFu;

bool ParseLineNumber(const std::string& text, uint32_t& number) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (value < 1 || value > kMaxLine) return false;
    number = static_cast<uint32_t>(value);
    return true;
}

// Absent: false; given without a value: true; otherwise its truth value.
bool Flag(const Dictionary& parameters, const char* name) {
    const Value value = parameters.Item(Value(name));
    if (value.IsEmpty()) return false;
    return SafeCStr(value).empty() || SafeCBool(value);
}

}  // namespace

std::optional<std::vector<LineRange>> ParseLineRanges(const std::string& text, std::string& error) {
    std::vector<LineRange> ranges;
    for (size_t from = 0;;) {
        const size_t comma = text.find(',', from);
        const std::string item = TrimBlanks(std::string_view(text).substr(from, comma - from));
        const size_t dash = item.find('-');
        LineRange range;
        const bool good = dash == std::string::npos
                              ? ParseLineNumber(item, range.first) && (range.last = range.first, true)
                              : ParseLineNumber(item.substr(0, dash), range.first) &&
                                    ParseLineNumber(item.substr(dash + 1), range.last) && range.first <= range.last;
        if (!good) {
            error = "/highlight: \"" + item +
                    "\" is not a line number or a range of lines such as 10-12 (lines count from 1)";
            return std::nullopt;
        }
        ranges.push_back(range);
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return ranges;
}

std::optional<PageOptions> ReadPageOptions(const Dictionary& parameters, const std::string& themesFolder,
                                           std::string& error) {
    PageOptions options;
    const Value theme = parameters.Item(Value("theme"));
    if (!theme.IsEmpty()) {
        options.theme = SafeCStr(theme);
        const std::vector<std::string> names = ThemeNames(themesFolder);
        if (std::find(names.begin(), names.end(), options.theme) == names.end()) {
            error = "/theme: unknown theme \"" + options.theme + "\"; the themes are: " + ThemeList(themesFolder);
            return std::nullopt;
        }
    }
    const Value css = parameters.Item(Value("css"));
    if (!css.IsEmpty()) {
        const std::string value = ToLowerAscii(SafeCStr(css));
        if (value != "none" && value != "embed") {
            error = "/css: \"" + SafeCStr(css) + "\" is neither none (leave the stylesheet out) nor embed (the default)";
            return std::nullopt;
        }
        options.stylesheet = value == "embed";
    }
    options.fragment = Flag(parameters, "fragment");
    options.inlineStyles = Flag(parameters, "inline");
    options.lineNumbers = Flag(parameters, "linenumbers");
    options.wrap = Flag(parameters, "wrap");
    if (!parameters.Item(Value("highlight")).IsEmpty()) {
        std::optional<std::vector<LineRange>> ranges =
            ParseLineRanges(SafeCStr(parameters.Item(Value("highlight"))), error);
        if (!ranges) return std::nullopt;
        options.highlight = std::move(*ranges);
    }
    if (options.inlineStyles && options.MarksLines()) {
        error = "/inline=1 cannot be combined with /linenumbers or /highlight: line numbers and marked lines "
                "need the stylesheet";
        return std::nullopt;
    }
    return options;
}

std::string ThemesFolderOfRun(const std::string& definition, const std::string& hldFolder) {
    if (definition.find_first_of("/\\") != std::string::npos) return ThemesFolderFor(definition);
    if (!hldFolder.empty()) return ThemesFolderFor(hldFolder + "/definition.hld");
    return DefaultThemesFolder();
}

std::optional<PageOptions> PageOptionsOfDialog(const DialogSettings& settings, const std::string& themesFolder,
                                               std::string& error) {
    // The default theme is no option given, so a definition that needs no
    // themes converts where there are none. A greyed box counts as ticked, as
    // the dialog's other boxes do.
    Dictionary options;
    if (settings.theme != kDefaultTheme) options.Set(Value("theme"), Value(settings.theme));
    options.Set(Value("linenumbers"), Value(settings.lineNumbers != 0 ? "1" : "0"));
    options.Set(Value("fragment"), Value(settings.fragment != 0 ? "1" : "0"));
    return ReadPageOptions(options, themesFolder, error);
}

}  // namespace tintext
