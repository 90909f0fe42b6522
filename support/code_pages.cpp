#include "support/code_pages.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "support/ascii_text.h"

namespace tintext {

namespace {

constexpr CodePageInfo kPages[] = {
    {65001, "UTF-8", "Unicode", "UTF-8"},
    {1200, "UTF-16LE", "Unicode, little-endian", "UTF-16LE"},
    {1201, "UTF-16BE", "Unicode, big-endian", "UTF-16BE"},
    {1252, "Windows-1252", "Western European", "CP1252"},
    {1250, "Windows-1250", "Central European", "CP1250"},
    {1251, "Windows-1251", "Cyrillic", "CP1251"},
    {1253, "Windows-1253", "Greek", "CP1253"},
    {1254, "Windows-1254", "Turkish", "CP1254"},
    {1255, "Windows-1255", "Hebrew", "CP1255"},
    {1256, "Windows-1256", "Arabic", "CP1256"},
    {1257, "Windows-1257", "Baltic", "CP1257"},
    {1258, "Windows-1258", "Vietnamese", "CP1258"},
    {874, "Windows-874", "Thai", "CP874"},
    {936, "GBK", "Chinese Simplified", "CP936"},
    {54936, "GB18030", "Chinese Simplified", "GB18030"},
    {950, "Big5", "Chinese Traditional", "CP950"},
    {932, "Shift-JIS", "Japanese", "CP932"},
    {51932, "EUC-JP", "Japanese", "EUC-JP"},
    {949, "EUC-KR", "Korean", "CP949"},
    {28591, "ISO-8859-1", "Western European", "ISO-8859-1"},
    {28592, "ISO-8859-2", "Central European", "ISO-8859-2"},
    {28595, "ISO-8859-5", "Cyrillic", "ISO-8859-5"},
    {28597, "ISO-8859-7", "Greek", "ISO-8859-7"},
    {28605, "ISO-8859-15", "Western European with the euro sign", "ISO-8859-15"},
    {20866, "KOI8-R", "Russian", "KOI8-R"},
    {21866, "KOI8-U", "Ukrainian", "KOI8-U"},
    {437, "CP437", "DOS, United States", "CP437"},
    {850, "CP850", "DOS, Western European", "CP850"},
    {866, "CP866", "DOS, Cyrillic", "CP866"},
};

// Further names by which pages and people call the pages above (lower case).
// "cp", "windows-", "ibm" and "x-cp" before a known number are understood as well.
constexpr struct {
    int number;
    const char* names[7];  // the rest null
} kAliases[] = {
    {65001, {"utf8", "unicode-1-1-utf-8"}},
    {1200, {"utf-16", "utf16", "unicode", "ucs-2", "utf16le"}},
    {1201, {"utf16be", "unicodefffe"}},
    {28591, {"latin1", "l1", "iso8859-1", "iso_8859-1"}},
    {28592, {"latin2", "iso8859-2"}},
    {28605, {"iso8859-15", "latin9"}},
    {28595, {"iso8859-5"}},
    {28597, {"iso8859-7"}},
    {936, {"gb2312", "x-gbk", "euc-cn", "csgb2312", "gb_2312-80", "chinese"}},
    {54936, {"gb-18030"}},
    {950, {"big-5", "x-x-big5", "csbig5", "big5-hkscs"}},
    {932, {"shift_jis", "shift-jis", "sjis", "ms_kanji", "windows-31j", "x-sjis", "csshiftjis"}},
    {51932, {"euc-jp", "eucjp", "x-euc-jp"}},
    {949, {"euc-kr", "euckr", "ks_c_5601-1987", "uhc", "korean"}},
    {20866, {"koi8r", "koi8"}},
    {21866, {"koi8u"}},
    {874, {"tis-620", "dos-874"}},
    {866, {"dos-866"}},
};

std::optional<int> KnownNumber(std::string_view digits) {
    int number = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (ec != std::errc() || end != digits.data() + digits.size() || !FindCodePage(number)) return std::nullopt;
    return number;
}

}  // namespace

std::span<const CodePageInfo> KnownCodePages() { return kPages; }

const CodePageInfo* FindCodePage(int number) {
    for (const CodePageInfo& page : kPages)
        if (page.number == number) return &page;
    return nullptr;
}

std::string CodePageLabel(int number) {
    const CodePageInfo* page = FindCodePage(number);
    std::string name = page ? page->name : "code page";
    return name + " (" + std::to_string(number) + ")";
}

std::optional<int> CodePageFromName(std::string_view name) {
    const std::string wanted = ToLowerAscii(TrimBlanks(name));
    if (wanted.empty()) return std::nullopt;
    if (auto number = KnownNumber(wanted)) return number;
    for (const CodePageInfo& page : kPages) {
        if (wanted == ToLowerAscii(page.name) || wanted == ToLowerAscii(page.iconvName)) return page.number;
    }
    for (const auto& entry : kAliases)
        for (const char* name : entry.names)
            if (name && wanted == name) return entry.number;
    for (std::string_view prefix : {"windows-", "x-cp", "cp", "ibm", "oem"}) {
        if (std::string_view(wanted).starts_with(prefix)) {
            if (auto number = KnownNumber(std::string_view(wanted).substr(prefix.size()))) return number;
        }
    }
    return std::nullopt;
}

std::string AcceptedCodePageForms() {
    std::string text;
    for (const CodePageInfo& page : kPages) {
        if (!text.empty()) text += ", ";
        text += std::to_string(page.number) + " or " + ToLowerAscii(page.name);
    }
    return text;
}

}  // namespace tintext
