#include "support/library/strings.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <string_view>
#include <vector>

#include "support/ascii_text.h"
#include "support/command_line_grammar.h"
#include "support/components.h"
#include "support/conversions.h"
#include "support/error.h"
#include "support/html_escape.h"
#include "support/text_codec.h"
#include "support/utf8.h"

namespace tintext {

namespace {

// The program's (unguarded) conversion of a value to text: Null and objects
// have no text form.
std::string ConvertToText(const Value& value) {
    switch (value.kind()) {
        case Value::Kind::Null: throw Error(err::InvalidUseOfNull, kProgramSource, "Invalid use of Null");
        case Value::Kind::Object: throw RuntimeError(err::TypeMismatch);
        default: return SafeCStr(value);
    }
}

// The program's (unguarded) conversion of a value to a 32-bit whole number.
int32_t ConvertToLong(const Value& value) {
    double number = 0;
    switch (value.kind()) {
        case Value::Kind::Empty: return 0;
        case Value::Kind::Null: throw Error(err::InvalidUseOfNull, kProgramSource, "Invalid use of Null");
        case Value::Kind::Object:
        case Value::Kind::Bytes: throw RuntimeError(err::TypeMismatch);
        case Value::Kind::String: {
            auto parsed = ParseNumericText(value.AsString());
            if (!parsed) throw RuntimeError(err::TypeMismatch);
            number = *parsed;
            break;
        }
        default: number = value.NumberValue();
    }
    number = RoundHalfEven(number);
    if (!std::isfinite(number) || number < std::numeric_limits<int32_t>::min() ||
        number > std::numeric_limits<int32_t>::max()) {
        throw Error(err::Overflow, kProgramSource, "Overflow");
    }
    return static_cast<int32_t>(number);
}

// One character of UTF-8 text. A byte that does not begin a valid sequence is
// a character of its own whose code is the byte (it came from legacy text).
struct TextChar {
    char32_t code;
    size_t size;
    bool rawByte;
};

TextChar NextChar(std::string_view text, size_t pos) {
    size_t next = pos;
    char32_t code;
    bool wellFormed = DecodeUtf8OrByte(text, next, code);
    return {code, next - pos, !wellFormed};
}

size_t CharCount(std::string_view text) {
    size_t count = 0;
    for (size_t pos = 0; pos < text.size(); pos += NextChar(text, pos).size) ++count;
    return count;
}

// The character's code in the ANSI code page (Windows-1252); a character the
// code page cannot hold becomes "?", as the platform's conversion does, but
// for the C1 controls, which keep their number.
uint8_t AnsiCode(const TextChar& c) {
    if (c.rawByte || c.code < 0x80 || (c.code >= 0xA0 && c.code <= 0xFF)) return static_cast<uint8_t>(c.code);
    std::string character;
    AppendUtf8(character, c.code);
    std::string encoded = EncodeCodePage(character, kCodePageWindows1252);
    if (encoded != "?") return static_cast<uint8_t>(encoded[0]);
    if (c.code < 0xA0) return static_cast<uint8_t>(c.code);  // other C1 controls: best fit
    return '?';
}

int HexDigit(uint32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    return -1;
}

std::string Doubled(std::string_view delimiter) { return std::string(delimiter) + std::string(delimiter); }

}  // namespace

std::string Strings::TrimZ(const Value& str) const {
    std::string text;
    try {
        text = ConvertToText(str);
    } catch (const Error&) {
        throw RuntimeError(err::TypeMismatch);
    }
    return TextBeforeNul(text);
}

std::string Strings::Encode(const Value& str, const Value& delimiter) const {
    std::string d = ConvertToText(delimiter);
    return ReplaceAll(ConvertToText(str), d, Doubled(d));
}

std::string Strings::Decode(const Value& str, const Value& delimiter) const {
    std::string d = ConvertToText(delimiter);
    return ReplaceAll(ConvertToText(str), Doubled(d), d);
}

std::string Strings::EncodeCSV(const Value& str) const { return Encode(str, "\""); }
std::string Strings::DecodeCSV(const Value& str) const { return Decode(str, "\""); }
std::string Strings::EncodeSQL(const Value& str) const { return Encode(str, "'"); }
std::string Strings::DecodeSQL(const Value& str) const { return Decode(str, "'"); }

std::string Strings::EncodeHex(const std::string& s) const {
    std::string out;
    out.reserve(s.size() * 2);
    for (size_t pos = 0; pos < s.size();) {
        TextChar c = NextChar(s, pos);
        std::string hex = "0" + HexUpper(AnsiCode(c));
        out += hex.substr(hex.size() - 2);
        pos += c.size;
    }
    return out;
}

std::string Strings::DecodeHex(const std::string& s) const {
    std::vector<char32_t> chars;
    for (size_t pos = 0; pos < s.size();) {
        TextChar c = NextChar(s, pos);
        chars.push_back(c.code);
        pos += c.size;
    }
    std::string out;
    for (size_t i = 0; i + 1 < chars.size(); i += 2) {
        // As "&h" followed by the pair reads: digits up to the first non-digit.
        int value = 0;
        for (size_t j = i; j < i + 2; ++j) {
            int digit = HexDigit(chars[j]);
            if (digit < 0) break;
            value = value * 16 + digit;
        }
        out += DecodeCodePage(std::string(1, static_cast<char>(value)), kCodePageWindows1252);
    }
    return out;
}

std::string Strings::RPad(const Value& str, const Value& ch, const Value& length) const {
    std::string text = ConvertToText(str);
    int64_t missing = static_cast<int64_t>(ConvertToLong(length)) - static_cast<int64_t>(CharCount(text));
    if (missing < 1) return text;
    std::string fill = ConvertToText(ch);
    if (fill.empty()) throw RuntimeError(err::InvalidArgument);
    std::string first = fill.substr(0, NextChar(fill, 0).size);
    try {
        text.reserve(text.size() + static_cast<size_t>(missing) * first.size());
        for (int64_t i = 0; i < missing; ++i) text += first;
    } catch (const std::bad_alloc&) {
        throw Error(err::OutOfMemory, kProgramSource, "Out of memory");
    }
    return text;
}

// Made directly, without CreateObjectEx's report: a failure raises the
// platform's error alone.
DictionaryRef Strings::ParseParameters(const std::string& cmd) const { return ParseOptionText(cmd, CreateObject); }

std::string Strings::EncodeHTML(const Value& s) const {
    return EncodeHtml(ConvertToText(s));
}

}  // namespace tintext
