#include "support/conversions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "support/ascii_text.h"

namespace tintext {

namespace {

std::string FormatDouble(double d) {
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", d);
    return buf;
}

}  // namespace

std::optional<double> ParseNumericText(const std::string& text) {
    std::string s = TrimBlanks(text);
    if (s.empty()) return std::nullopt;
    if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
        int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
        char* end = nullptr;
        unsigned long long v = std::strtoull(s.c_str() + 2, &end, base);
        if (*end != '\0' || end == s.c_str() + 2 || s[2] == '-' || s[2] == '+') return std::nullopt;
        // &H literals are 16- or 32-bit two's complement values.
        if (v <= 0xFFFFULL && s.size() <= 2 + (base == 16 ? 4u : 6u)) return static_cast<double>(static_cast<int16_t>(v));
        if (v <= 0xFFFFFFFFULL) return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
        return std::nullopt;
    }
    // Decimal: [sign] digits [. digits] [e [sign] digits]; no hex floats, no inf/nan words.
    size_t i = 0;
    if (s[i] == '+' || s[i] == '-') ++i;
    size_t digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        size_t expDigits = 0;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j, ++expDigits;
        if (expDigits == 0) return std::nullopt;
        i = j;
    }
    if (i != s.size()) return std::nullopt;
    return std::strtod(s.c_str(), nullptr);
}

// To nearest, ties to even: what adding and taking away 2^52 leaves in the
// default rounding mode. Done here rather than by the maths library, which
// the program would load at every start for this alone.
double RoundHalfEven(double value) {
    constexpr double kTwoTo52 = 4503599627370496.0;  // from here on every double is whole
    if (!(std::fabs(value) < kTwoTo52)) return value;  // also infinities and NaN
    double shifted = value >= 0 ? value + kTwoTo52 : value - kTwoTo52;  // the sum drops the fraction
    double rounded = value >= 0 ? shifted - kTwoTo52 : shifted + kTwoTo52;
    return rounded == 0 ? std::copysign(0.0, value) : rounded;  // -0.4 gives -0
}

std::string SafeCStr(const Value& value) {
    switch (value.kind()) {
        case Value::Kind::Empty: return {};
        case Value::Kind::Null: return {};
        case Value::Kind::Boolean: return value.AsBool() ? "True" : "False";
        case Value::Kind::Byte: return std::to_string(value.AsByte());
        case Value::Kind::Integer: return std::to_string(value.AsInteger());
        case Value::Kind::Long: return std::to_string(value.AsLong());
        case Value::Kind::Double: return FormatDouble(value.AsDouble());
        case Value::Kind::String: return value.AsString();
        case Value::Kind::Bytes: return std::string(value.AsBytes().begin(), value.AsBytes().end());
        case Value::Kind::Object: return {};
    }
    return {};
}

int32_t SafeCLng(const Value& value) {
    double d;
    switch (value.kind()) {
        case Value::Kind::String: {
            auto parsed = ParseNumericText(value.AsString());
            if (!parsed) return 0;
            d = *parsed;
            break;
        }
        case Value::Kind::Boolean:
        case Value::Kind::Byte:
        case Value::Kind::Integer:
        case Value::Kind::Long:
        case Value::Kind::Double: d = value.NumberValue(); break;
        default: return 0;
    }
    if (!std::isfinite(d)) return 0;
    d = RoundHalfEven(d);
    if (d < std::numeric_limits<int32_t>::min() || d > std::numeric_limits<int32_t>::max()) return 0;
    return static_cast<int32_t>(d);
}

bool SafeCBool(const Value& value) {
    switch (value.kind()) {
        case Value::Kind::Boolean: return value.AsBool();
        case Value::Kind::Byte:
        case Value::Kind::Integer:
        case Value::Kind::Long:
        case Value::Kind::Double: return value.NumberValue() != 0.0;
        case Value::Kind::String: {
            std::string s = TrimBlanks(value.AsString());
            if (EqualsIgnoreCase(s, "True")) return true;
            if (EqualsIgnoreCase(s, "False")) return false;
            auto parsed = ParseNumericText(s);
            return parsed && *parsed != 0.0;
        }
        default: return false;
    }
}

}  // namespace tintext
