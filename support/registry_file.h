// The registry store's model of one root (keys, values, types) and its text
// form: the regedit export format, one file per root, e.g.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Maker\Tintext\Settings]
//   "InputFile"="/home/ann/a.asp"
//   "Count"=dword:0000000a
//   "Blob"=hex:01,02
//   @="the unnamed default value"
//
// Key and value names compare without regard to letter case (ASCII rules) and
// keep the case in which they were first created.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tintext {

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

// "HKEY_CURRENT_USER" or "HKCU" and the like, any letter case; HKEY_USERS is short "HKUR".
std::optional<RegRoot> RegRootFromName(std::string_view name);
// The full name, e.g. "HKEY_CURRENT_USER".
const char* RegRootName(RegRoot root);

namespace regtype {
inline constexpr uint32_t Sz = 1;
inline constexpr uint32_t ExpandSz = 2;
inline constexpr uint32_t Binary = 3;
inline constexpr uint32_t Dword = 4;
inline constexpr uint32_t MultiSz = 7;
}  // namespace regtype

// The registry's limits on names and depth; longer or deeper ones are refused.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxValueNameLength = 16383;
inline constexpr size_t kMaxKeyDepth = 512;

struct RegValue {
    std::string name;  // empty: the key's unnamed default value
    uint32_t type = regtype::Sz;
    std::string data;  // REG_SZ: the text without its terminating NUL; other types: the stored bytes
};

struct RegKey {
    std::string name;
    std::vector<RegKey> subkeys;   // ordered by upper-cased name, as the registry enumerates them
    std::vector<RegValue> values;  // in order of creation

    RegKey* FindSubkey(std::string_view subkeyName);
    const RegKey* FindSubkey(std::string_view subkeyName) const;
    // The subkey, created in its sorted place when absent.
    RegKey& SubkeyOrCreate(std::string_view subkeyName);
    bool RemoveSubkey(std::string_view subkeyName);

    const RegValue* FindValue(std::string_view valueName) const;
    // Replaces a value of the same name (keeping its stored name and place) or appends.
    void SetValue(RegValue value);
    bool RemoveValue(std::string_view valueName);
};

// A name that a key may have: not empty, no "\", no line break or NUL, not too long.
bool IsValidKeyName(std::string_view name);
// A name that a value may have: no line break or NUL, not too long.
bool IsValidValueName(std::string_view name);

struct RegParseError {
    int line = 0;  // 1-based
    std::string reason;
};

// Reads the text of the file of `root`. Fails (nullopt, error filled) on
// anything it cannot read faithfully, so that a damaged file is never
// mistaken for a smaller store.
std::optional<RegKey> ParseRegText(std::string_view text, RegRoot root, RegParseError& error);
std::string FormatRegText(const RegKey& top, RegRoot root);

// Texts that hold a line break or NUL are stored as hex(1), UTF-16LE as the
// registry keeps them.
std::string Utf8ToUtf16Le(std::string_view text);
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes);

}  // namespace tintext
