#include "support/utf8.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace tintext {

bool DecodeUtf8(std::string_view text, size_t& pos, char32_t& codePoint) {
    if (pos >= text.size()) return false;
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(pos);
    if (lead < 0x80) {
        codePoint = lead;
        ++pos;
        return true;
    }
    size_t length;
    char32_t value, minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return false;
    }
    if (text.size() - pos < length) return false;
    for (size_t k = 1; k < length; ++k) {
        unsigned char next = byte(pos + k);
        if ((next & 0xC0) != 0x80) return false;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    codePoint = value;
    pos += length;
    return true;
}

bool DecodeUtf8OrByte(std::string_view text, size_t& pos, char32_t& codePoint) {
    if (DecodeUtf8(text, pos, codePoint)) return true;
    codePoint = static_cast<unsigned char>(text[pos++]);
    return false;
}

bool IsValidUtf8(std::string_view text, size_t* badOffset) {
    size_t pos = 0;
    char32_t ignored;
    while (pos < text.size()) {
        // Plain ASCII runs are the common case; skip them eight bytes at a time.
        while (text.size() - pos >= 8) {
            uint64_t word;
            std::memcpy(&word, text.data() + pos, sizeof word);  // one load
            if (word & 0x8080808080808080ULL) break;
            pos += 8;
        }
        if (pos >= text.size()) break;
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        if (!DecodeUtf8(text, pos, ignored)) {
            if (badOffset) *badOffset = pos;
            return false;
        }
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace tintext
