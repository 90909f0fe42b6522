#include "engine/language_table.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "engine/job.h"
#include "support/ascii_text.h"
#include "support/edit_distance.h"
#include "support/file_system_object.h"

namespace tintext {

namespace {

namespace fs = std::filesystem;

constexpr const char* kDefinitionSuffix = ".hld";

// The words of a list separated by `separator` (and blanks around them).
std::vector<std::string> Split(const std::string& list, char separator) {
    std::vector<std::string> words;
    std::string word;
    auto flush = [&] {
        word = TrimBlanks(word);
        if (!word.empty()) words.push_back(word);
        word.clear();
    };
    for (char c : list) {
        if (c == separator || (separator == ' ' && c == '\t')) {
            flush();
        } else {
            word.push_back(c);
        }
    }
    flush();
    return words;
}

// "KEY=value" with the key in any letter case; the value trimmed.
bool ReadKey(const std::string& line, const char* key, std::string& value) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos || !EqualsIgnoreCase(TrimBlanks(line.substr(0, equals)), key)) return false;
    value = TrimBlanks(line.substr(equals + 1));
    return true;
}

std::string BaseName(const std::string& file) {
    std::string name = fs::path(file).filename().string();
    if (name.ends_with(kDefinitionSuffix)) name.resize(name.size() - 4);
    return name;
}

bool Lists(const std::vector<std::string>& words, const std::string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

}  // namespace

std::string FoldLanguageName(std::string_view name) {
    std::string folded;
    for (char c : ToLowerAscii(name))
        if (c != ' ' && c != '-' && c != '_' && c != '\t') folded.push_back(c);
    return folded;
}

std::vector<std::string> Language::Keys() const {
    std::vector<std::string> keys;
    for (const std::string& name : names) keys.push_back(FoldLanguageName(name));
    for (const std::string& extension : extensions) keys.push_back(FoldLanguageName(extension));
    keys.push_back(FoldLanguageName(BaseName(file)));
    for (const std::string& name : fileNames) keys.push_back(FoldLanguageName(name));
    return keys;
}

std::string Language::DisplayName() const { return names.empty() ? BaseName(file) : names.front(); }

std::optional<Language> ReadLanguage(const std::string& definitionFile) {
    std::ifstream in(definitionFile, std::ios::binary);
    if (!in) return std::nullopt;
    Language language;
    language.file = definitionFile;
    std::string line, value;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = TrimBlanks(line);
        if (line.starts_with("[")) break;
        if (ReadKey(line, "LANGUAGE", value)) {
            language.names = Split(value, ',');
        } else if (ReadKey(line, "EXTENSIONS", value)) {
            language.extensions.clear();
            for (const std::string& extension : Split(value, ' '))
                language.extensions.push_back(ToLowerAscii(extension.starts_with(".") ? extension.substr(1) : extension));
        } else if (ReadKey(line, "FILENAMES", value)) {
            language.fileNames = Split(value, ' ');
        }
    }
    if (in.bad()) return std::nullopt;
    return language;
}

std::vector<Language> LanguageTable(const std::string& folder) {
    std::vector<Language> table;
    std::set<fs::path> seen;
    std::error_code ec;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.path().extension() == kDefinitionSuffix) files.push_back(entry.path());
    // Files of their own first, so that a link never stands for the file it leads to.
    std::stable_partition(files.begin(), files.end(), [](const fs::path& p) { return !fs::is_symlink(p); });
    for (const fs::path& file : files) {
        const fs::path target = fs::canonical(file, ec);
        if (ec || !fs::is_regular_file(target) || !seen.insert(target).second) continue;
        if (std::optional<Language> language = ReadLanguage(file.string())) table.push_back(std::move(*language));
    }
    std::sort(table.begin(), table.end(), [](const Language& a, const Language& b) {
        const std::string x = ToLowerAscii(a.DisplayName()), y = ToLowerAscii(b.DisplayName());
        return x != y ? x < y : a.file < b.file;
    });
    return table;
}

const Language* FindLanguage(const std::vector<Language>& table, const std::string& wanted) {
    std::string folded = FoldLanguageName(wanted);
    if (folded.empty()) return nullptr;
    for (const Language& language : table) {
        for (const std::string& name : language.names)
            if (FoldLanguageName(name) == folded) return &language;
    }
    const std::string extension = folded.starts_with(".") ? folded.substr(1) : folded;
    for (const Language& language : table) {
        if (Lists(language.extensions, extension) || FoldLanguageName(BaseName(language.file)) == folded) return &language;
        for (const std::string& name : language.fileNames)
            if (FoldLanguageName(name) == folded) return &language;
    }
    return nullptr;
}

std::vector<std::string> NearestLanguageNames(const std::vector<Language>& table, const std::string& wanted,
                                              size_t count) {
    std::vector<std::string> candidates;
    for (const Language& language : table) {
        for (const std::string& name : language.names) candidates.push_back(name);
        for (const std::string& extension : language.extensions) candidates.push_back(extension);
    }
    return NearestWords(FoldLanguageName(wanted), candidates, count, false);
}

DefaultDefinition ChooseDefaultDefinition(const std::string& folder, const std::string& inputfilename) {
    const std::string fileName = fs::path(inputfilename).filename().string();
    if (!fileName.empty()) {
        const std::string byName = folder + "/" + fileName + kDefinitionSuffix;
        if (IsFile(byName)) {
            const std::optional<Language> language = ReadLanguage(byName);
            if (language && Lists(language->fileNames, fileName)) return {byName};
        }
    }
    const std::string byExtension = folder + "/" + GetHLD(Value(inputfilename));
    const std::string extension = ToLowerAscii(FileSystemObject().GetExtensionName(inputfilename));
    // The file named for the extension's family serves it, unless it declares
    // the extensions it serves, this one is not among them and another
    // definition lists it (vb.hld is Visual Basic 6's, for .bas, .cls and
    // .ctl; .vb files are VB.NET's).
    const bool familyFile = IsFile(byExtension);
    if (familyFile) {
        const std::optional<Language> language = ReadLanguage(byExtension);
        if (!language || language->extensions.empty() || Lists(language->extensions, extension)) return {byExtension};
    }
    if (!extension.empty()) {
        for (const Language& language : LanguageTable(folder))
            if (Lists(language.extensions, extension)) return {language.file};
    }
    if (familyFile) return {byExtension};
    for (const std::string& plain : {folder + "/" + kPlainTextDefinition, DefaultHldFolder() + "/" + kPlainTextDefinition})
        if (IsFile(plain)) return {plain, true};
    return {byExtension};
}

}  // namespace tintext
