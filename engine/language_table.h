// The languages a folder of definitions serves, as each definition states
// them in lines of its own before its first section:
//   LANGUAGE=Visual Basic, VBScript     the name shown first, then other names
//   EXTENSIONS=vb bas cls ctl frm vbs   extensions served, without dots
//   FILENAMES=Makefile GNUmakefile      whole file names served (optional)
// The loader ignores these lines, so any definition may carry them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tintext {

struct Language {
    std::string file;                     // path of the definition file
    std::vector<std::string> names;       // from LANGUAGE; empty when the file has none
    std::vector<std::string> extensions;  // lower case
    std::vector<std::string> fileNames;   // as written

    // The first name, or the file's name without ".hld" when it names none.
    std::string DisplayName() const;
    // What FindLanguage takes for it, folded: names first, then extensions,
    // the file's name without ".hld" and whole file names.
    std::vector<std::string> Keys() const;
};

// What FindLanguage compares: letter case, blanks, "-" and "_" do not count.
std::string FoldLanguageName(std::string_view name);

// Reads the lines before the first section of a definition; nullopt when
// the file cannot be read.
std::optional<Language> ReadLanguage(const std::string& definitionFile);

// Every definition in the folder once (a link that leads to another file of
// the folder is not listed apart), ordered by display name without regard to
// letter case. Files that cannot be read are left out; a missing folder
// gives an empty table.
std::vector<Language> LanguageTable(const std::string& folder);

// The language that /lang=NAME means: a name, an extension (a leading dot is
// allowed), a whole file name, or the definition's file name without ".hld";
// letter case, blanks, "-" and "_" do not count. nullptr when none.
const Language* FindLanguage(const std::vector<Language>& table, const std::string& wanted);

// Up to `count` of the names FindLanguage accepts (language names and
// extensions) that are nearest to `wanted`, nearest first.
std::vector<std::string> NearestLanguageNames(const std::vector<Language>& table, const std::string& wanted,
                                              size_t count);

// The definition a conversion uses for an input file when none is named:
//  1. a definition in the folder named after the whole file name and listing
//     that name in its FILENAMES (Makefile.hld for Makefile);
//  2. the definition that GetHLD names for the extension, when it exists;
//  3. a definition of the folder whose EXTENSIONS lists the extension;
//  4. otherwise the plain-text definition (kPlainTextDefinition in the
//     folder, else the shipped one), with plainText set.
// When not even that exists, the path of step 2 (so that the failure names it).
struct DefaultDefinition {
    std::string path;
    bool plainText = false;
};
DefaultDefinition ChooseDefaultDefinition(const std::string& folder, const std::string& inputfilename);

inline constexpr const char* kPlainTextDefinition = "txt.hld";

}  // namespace tintext
