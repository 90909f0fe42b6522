// The code pages an input file may be written in: their Windows numbers, the
// names people and pages use for them, and how iconv knows them.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tintext {

inline constexpr int kCodePageUtf16Le = 1200;
inline constexpr int kCodePageUtf16Be = 1201;

struct CodePageInfo {
    int number;               // the Windows code page number
    const char* name;         // as shown to users: "GBK", "Windows-1251"
    const char* description;  // the script or region: "Chinese Simplified"
    const char* iconvName;
};

// Every code page the program decodes, in the order a list for people shows
// them (Unicode first, then the Windows pages, the Asian pages, ISO and DOS).
std::span<const CodePageInfo> KnownCodePages();

// The entry for a number; nullptr when the page is not known.
const CodePageInfo* FindCodePage(int number);

// "GBK (936)".
std::string CodePageLabel(int number);

// A code page as a user or a page names it: a known number ("936"), a name
// or alias in any letter case ("gbk", "gb2312", "Shift_JIS", "windows-1251",
// "cp437", "ibm866", "latin1", "utf-8"). Nothing for anything else.
std::optional<int> CodePageFromName(std::string_view name);

// The accepted forms, for a usage message: "65001 or utf-8, 1252 or windows-1252, ...".
std::string AcceptedCodePageForms();

}  // namespace tintext
