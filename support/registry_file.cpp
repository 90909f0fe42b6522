#include "support/registry_file.h"

#include <algorithm>
#include <cstdio>

#include "support/ascii_text.h"
#include "support/utf8.h"

namespace tintext {

namespace {

struct RootEntry {
    RegRoot root;
    const char* name;
    const char* shortName;
};
constexpr RootEntry kRoots[] = {
    {RegRoot::ClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {RegRoot::CurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {RegRoot::LocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {RegRoot::Users, "HKEY_USERS", "HKUR"},
};

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";

// The registry orders subkeys by their upper-cased names.
bool NameLess(std::string_view a, std::string_view b) { return ToUpperAscii(a) < ToUpperAscii(b); }

bool HasLineBreakOrNul(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

std::string_view TrimSpace(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string Quote(std::string_view text) {
    return "\"" + ReplaceAll(ReplaceAll(text, "\\", "\\\\"), "\"", "\\\"") + "\"";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendUnit(std::string& out, uint32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
}

// Splits text into lines (LF or CR LF), counting them.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = end + 1;
        ++number_;
        return true;
    }
    int number() const { return number_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
    int number_ = 0;
};

class Parser {
public:
    Parser(std::string_view text, RegRoot root, RegParseError& error) : lines_(text), root_(root), error_(error) {}

    std::optional<RegKey> Run() {
        std::string_view line;
        do {
            if (!lines_.Next(line)) return Fail("the file is empty");
        } while (TrimSpace(line).empty());
        line = TrimSpace(line);
        if (line != kHeader && line != kOldHeader) return Fail("the first line is not \"" + std::string(kHeader) + "\"");
        RegKey top;
        RegKey* current = nullptr;
        while (lines_.Next(line)) {
            line = TrimSpace(line);
            if (line.empty() || line.front() == ';') continue;
            if (line.front() == '[') {
                current = KeyLine(line, top);
            } else if (!current) {
                return Fail("a value before the first key line");
            } else {
                std::optional<RegValue> value = ValueLine(line);
                if (value) current->SetValue(std::move(*value));
            }
            if (failed_) return std::nullopt;
        }
        return top;
    }

private:
    std::nullopt_t Fail(std::string reason) {
        if (!failed_) error_ = {lines_.number() == 0 ? 1 : lines_.number(), std::move(reason)};
        failed_ = true;
        return std::nullopt;
    }

    RegKey* KeyLine(std::string_view line, RegKey& top) {
        if (line.size() < 2 || line.back() != ']') return Fail("the key line does not end with \"]\""), nullptr;
        std::string_view path = line.substr(1, line.size() - 2);
        if (!path.empty() && path.front() == '-') return Fail("a key deletion line"), nullptr;
        size_t slash = path.find('\\');
        auto root = RegRootFromName(path.substr(0, slash));
        if (!root || *root != root_)
            return Fail("the key line does not start with " + std::string(RegRootName(root_))), nullptr;
        RegKey* key = &top;
        size_t depth = 0;
        while (slash != std::string_view::npos) {
            size_t next = path.find('\\', slash + 1);
            std::string_view name = path.substr(slash + 1, next == std::string_view::npos ? next : next - slash - 1);
            if (!IsValidKeyName(name)) return Fail("an empty or overlong key name"), nullptr;
            if (++depth > kMaxKeyDepth) return Fail("keys nested too deeply"), nullptr;
            key = &key->SubkeyOrCreate(name);
            slash = next;
        }
        return key;
    }

    // "text" with \\ and \" escapes; returns the rest of the line after the closing quote.
    std::optional<std::string> QuotedText(std::string_view& rest) {
        std::string out;
        for (size_t i = 1; i < rest.size(); ++i) {
            char c = rest[i];
            if (c == '"') {
                rest.remove_prefix(i + 1);
                return out;
            }
            if (c == '\\' && i + 1 < rest.size() && (rest[i + 1] == '\\' || rest[i + 1] == '"')) c = rest[++i];
            out += c;
        }
        Fail("the text has no closing quote");
        return std::nullopt;
    }

    std::optional<RegValue> ValueLine(std::string_view line) {
        RegValue value;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (rest.front() == '"') {
            auto name = QuotedText(rest);
            if (!name) return std::nullopt;
            value.name = std::move(*name);
        } else {
            return Fail("neither a key line nor a value line");
        }
        rest = TrimSpace(rest);
        if (rest.empty() || rest.front() != '=') return Fail("\"=\" expected after the value name");
        rest = TrimSpace(rest.substr(1));
        if (!rest.empty() && rest.front() == '"') {
            auto text = QuotedText(rest);
            if (!text) return std::nullopt;
            if (!TrimSpace(rest).empty()) return Fail("unexpected text after the closing quote");
            value.data = std::move(*text);
        } else if (StartsWithIgnoreCase(rest, "dword:")) {
            std::string_view digits = rest.substr(6);
            if (digits.empty() || digits.size() > 8 ||
                !std::all_of(digits.begin(), digits.end(), [](char c) { return HexDigit(c) >= 0; }))
                return Fail("a dword needs one to eight hexadecimal digits");
            uint32_t n = 0;
            for (char c : digits) n = n * 16 + static_cast<uint32_t>(HexDigit(c));
            value.type = regtype::Dword;
            for (int i = 0; i < 4; ++i) value.data += static_cast<char>((n >> (8 * i)) & 0xFF);
        } else if (StartsWithIgnoreCase(rest, "hex")) {
            if (!HexValue(rest, value)) return std::nullopt;
        } else {
            return Fail("the value is neither text, dword nor hex");
        }
        if (!IsValidValueName(value.name)) return Fail("an overlong value name");
        return value;
    }

    // hex:01,02 or hex(N):01,02, continued on the next lines after a final "\".
    bool HexValue(std::string_view rest, RegValue& value) {
        rest.remove_prefix(3);
        value.type = regtype::Binary;
        if (!rest.empty() && rest.front() == '(') {
            size_t close = rest.find(')');
            if (close == std::string_view::npos || close == 1 || close > 9) return Fail("a bad hex(type)"), false;
            uint32_t type = 0;
            for (char c : rest.substr(1, close - 1)) {
                if (HexDigit(c) < 0) return Fail("a bad hex(type)"), false;
                type = type * 16 + static_cast<uint32_t>(HexDigit(c));
            }
            value.type = type;
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != ':') return Fail("\":\" expected after hex"), false;
        std::string joined(rest.substr(1));
        std::string_view more;
        while (!joined.empty() && joined.back() == '\\') {
            joined.pop_back();
            if (!lines_.Next(more)) return Fail("the hex value breaks off at the end of the file"), false;
            joined += TrimSpace(more);
        }
        std::string bytes;
        std::string_view list = TrimSpace(joined);
        while (!list.empty()) {
            size_t comma = list.find(',');
            std::string_view item = TrimSpace(list.substr(0, comma));
            if (item.empty() || item.size() > 2 || HexDigit(item[0]) < 0 || (item.size() == 2 && HexDigit(item[1]) < 0))
                return Fail("a bad hexadecimal byte"), false;
            bytes += static_cast<char>(item.size() == 1 ? HexDigit(item[0]) : HexDigit(item[0]) * 16 + HexDigit(item[1]));
            if (comma == std::string_view::npos) break;
            list.remove_prefix(comma + 1);
            if (TrimSpace(list).empty()) return Fail("a hex list ends with a comma"), false;
        }
        if (value.type == regtype::Sz) {
            auto text = Utf16LeToUtf8(bytes);
            if (!text) return Fail("hex(1) text of odd length"), false;
            if (text->size() >= 1 && text->back() == '\0') text->pop_back();
            value.data = std::move(*text);
        } else {
            value.data = std::move(bytes);
        }
        return true;
    }

    LineReader lines_;
    RegRoot root_;
    RegParseError& error_;
    bool failed_ = false;
};

void AppendHexList(std::string& out, std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    size_t lineStart = out.rfind('\n') + 1;  // npos + 1 == 0
    for (size_t i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
        if (i + 1 == bytes.size()) break;
        out += ',';
        // regedit's layout: lines of about 80 characters, continued with "\".
        if (out.size() - lineStart >= 77) {
            out += "\\\n  ";
            lineStart = out.size() - 2;
        }
    }
}

void AppendValue(std::string& out, const RegValue& value) {
    out += value.name.empty() ? "@" : Quote(value.name);
    out += '=';
    if (value.type == regtype::Sz && !HasLineBreakOrNul(value.data)) {
        out += Quote(value.data);
    } else if (value.type == regtype::Dword && value.data.size() == 4) {
        uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = n * 256 + static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        out += buf;
    } else {
        if (value.type == regtype::Binary) {
            out += "hex:";
        } else {
            char buf[24];
            std::snprintf(buf, sizeof buf, "hex(%x):", value.type);
            out += buf;
        }
        if (value.type == regtype::Sz)
            AppendHexList(out, Utf8ToUtf16Le(value.data) + std::string(2, '\0'));
        else
            AppendHexList(out, value.data);
    }
    out += '\n';
}

void AppendKey(std::string& out, const RegKey& key, const std::string& path, bool writeKeyLine) {
    if (writeKeyLine) {
        out += "[" + path + "]\n";
        for (const RegValue& value : key.values) AppendValue(out, value);
        out += '\n';
    }
    for (const RegKey& sub : key.subkeys) AppendKey(out, sub, path + "\\" + sub.name, true);
}

template <class Keys>
auto FindByName(Keys& keys, std::string_view name) {
    return std::find_if(keys.begin(), keys.end(), [&](const auto& k) { return EqualsIgnoreCase(k.name, name); });
}

}  // namespace

std::optional<RegRoot> RegRootFromName(std::string_view name) {
    for (const RootEntry& e : kRoots)
        if (EqualsIgnoreCase(name, e.name) || EqualsIgnoreCase(name, e.shortName)) return e.root;
    return std::nullopt;
}

const char* RegRootName(RegRoot root) {
    for (const RootEntry& e : kRoots)
        if (e.root == root) return e.name;
    return "";
}

RegKey* RegKey::FindSubkey(std::string_view subkeyName) {
    auto it = FindByName(subkeys, subkeyName);
    return it == subkeys.end() ? nullptr : &*it;
}

const RegKey* RegKey::FindSubkey(std::string_view subkeyName) const {
    auto it = FindByName(subkeys, subkeyName);
    return it == subkeys.end() ? nullptr : &*it;
}

RegKey& RegKey::SubkeyOrCreate(std::string_view subkeyName) {
    if (RegKey* found = FindSubkey(subkeyName)) return *found;
    auto at = std::find_if(subkeys.begin(), subkeys.end(), [&](const RegKey& k) { return NameLess(subkeyName, k.name); });
    RegKey created;
    created.name = std::string(subkeyName);
    return *subkeys.insert(at, std::move(created));
}

bool RegKey::RemoveSubkey(std::string_view subkeyName) {
    auto it = FindByName(subkeys, subkeyName);
    if (it == subkeys.end()) return false;
    subkeys.erase(it);
    return true;
}

const RegValue* RegKey::FindValue(std::string_view valueName) const {
    auto it = FindByName(values, valueName);
    return it == values.end() ? nullptr : &*it;
}

void RegKey::SetValue(RegValue value) {
    auto it = FindByName(values, value.name);
    if (it == values.end()) {
        values.push_back(std::move(value));
    } else {
        it->type = value.type;
        it->data = std::move(value.data);
    }
}

bool RegKey::RemoveValue(std::string_view valueName) {
    auto it = FindByName(values, valueName);
    if (it == values.end()) return false;
    values.erase(it);
    return true;
}

bool IsValidKeyName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxKeyNameLength && name.find('\\') == std::string_view::npos &&
           !HasLineBreakOrNul(name);
}

bool IsValidValueName(std::string_view name) { return name.size() <= kMaxValueNameLength && !HasLineBreakOrNul(name); }

std::optional<RegKey> ParseRegText(std::string_view text, RegRoot root, RegParseError& error) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return Parser(text, root, error).Run();
}

std::string FormatRegText(const RegKey& top, RegRoot root) {
    std::string out = std::string(kHeader) + "\n\n";
    // The root's own line only when values lie directly under it.
    AppendKey(out, top, RegRootName(root), !top.values.empty());
    return out;
}

std::string Utf8ToUtf16Le(std::string_view text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        uint32_t cp = b;
        size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        bool valid = len > 0 && i + len <= text.size();
        if (valid && len > 1) {
            cp = b & (0xFF >> (len + 1));
            for (size_t k = 1; k < len && valid; ++k) {
                auto c = static_cast<unsigned char>(text[i + k]);
                valid = (c >> 6) == 2;
                cp = (cp << 6) | (c & 0x3F);
            }
            static const uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
            valid = valid && cp >= minimum[len] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        }
        if (!valid) {
            cp = b;  // a stray byte counts as the Latin-1 character of its value
            len = 1;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            AppendUnit(out, 0xD800 | (cp >> 10));
            AppendUnit(out, 0xDC00 | (cp & 0x3FF));
        } else {
            AppendUnit(out, cp);
        }
        i += len;
    }
    return out;
}

std::optional<std::string> Utf16LeToUtf8(std::string_view bytes) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    std::string out;
    auto unit = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) |
               static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    };
    for (size_t i = 0; i < bytes.size(); i += 2) {
        uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 2 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = 0xFFFD;
        }
        AppendUtf8(out, u);
    }
    return out;
}

}  // namespace tintext
