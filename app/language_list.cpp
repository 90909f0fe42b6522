#include "app/language_list.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace tintext {

namespace {

constexpr size_t kNearestShown = 3;

std::string Padded(std::string text, size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

}  // namespace

std::vector<std::string> LanguageListLines(const std::vector<Language>& table) {
    size_t nameWidth = 0, fileWidth = 0;
    for (const Language& language : table) {
        nameWidth = std::max(nameWidth, language.DisplayName().size());
        fileWidth = std::max(fileWidth, std::filesystem::path(language.file).filename().string().size());
    }
    std::vector<std::string> lines;
    for (const Language& language : table) {
        std::string served;
        for (const std::string& extension : language.extensions) served += " ." + extension;
        for (const std::string& name : language.fileNames) served += " " + name;
        std::string line = Padded(language.DisplayName(), nameWidth) + "  " +
                           Padded(std::filesystem::path(language.file).filename().string(), fileWidth) + " " + served;
        line.erase(line.find_last_not_of(' ') + 1);
        lines.push_back(line);
    }
    return lines;
}

int PrintLanguageList(const std::string& folder) {
    const std::vector<Language> table = LanguageTable(folder);
    if (table.empty()) {
        std::fprintf(stderr, "tintext: no syntax definitions (.hld) in %s\n", folder.c_str());
        return 1;
    }
    for (const std::string& line : LanguageListLines(table)) std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    return 0;
}

LanguageChoice ChooseLanguage(const std::string& folder, const std::string& wanted) {
    const std::vector<Language> table = LanguageTable(folder);
    if (const Language* language = FindLanguage(table, wanted)) return {language->file, ""};
    std::string problem = "no language \"" + wanted + "\" (/lang) among the definitions in " + folder;
    std::string nearest;
    for (const std::string& name : NearestLanguageNames(table, wanted, kNearestShown))
        nearest += (nearest.empty() ? "" : ", ") + name;
    if (!nearest.empty()) problem += "; the nearest: " + nearest;
    return {"", problem + "; tintext --list shows them all"};
}

}  // namespace tintext
