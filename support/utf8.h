// UTF-8, the program's own text: checking, decoding and encoding characters.
// Positions are byte offsets, and a character is never split.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tintext {

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates, at
// most U+10FFFF). On failure `badOffset` receives the offset of the first bad byte.
bool IsValidUtf8(std::string_view text, size_t* badOffset = nullptr);

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t codePoint);

// Decodes the character at `pos` and moves `pos` past it. False (and `pos`
// unchanged) at a malformed sequence or at the end.
bool DecodeUtf8(std::string_view text, size_t& pos, char32_t& codePoint);

// The same before the end of the text, where a byte that begins no well-formed
// sequence is a character of its own whose code is the byte (it came from
// legacy text), and false is returned for it; `pos` moves past it all the same.
bool DecodeUtf8OrByte(std::string_view text, size_t& pos, char32_t& codePoint);

// The length of the character that begins with this byte of valid UTF-8.
inline size_t Utf8CharLength(unsigned char lead) {
    return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// The offset just behind the character at `pos` of valid UTF-8 text.
inline size_t NextCharBoundary(std::string_view text, size_t pos) {
    size_t next = pos + Utf8CharLength(static_cast<unsigned char>(text[pos]));
    return next < text.size() ? next : text.size();
}

}  // namespace tintext
