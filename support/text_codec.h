// Text codec: file bytes to the program's UTF-8 text and back.
//
// The program's text is UTF-8. Input files are UTF-8 by default; a file that
// is not valid UTF-8 is taken as Windows-1252 so that no byte is lost. Legacy
// code pages (the OEM page of DOS text, 1251, 936 ...) are decoded through
// iconv. Code pages are named by their Windows numbers (437, 1252, 65001 ...).
//
// Bytes that a single-byte page leaves undefined (0x81, 0x8D, 0x8F, 0x90 and
// 0x9D in Windows-1252) become the character U+0000-U+00FF of the same value,
// as Windows decodes them, so decoding never fails and encoding gives the byte
// back. Invalid bytes of UTF-8 and of multi-byte pages become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace tintext {

inline constexpr int kCodePageUtf8 = 65001;
inline constexpr int kCodePageWindows1252 = 1252;
inline constexpr int kCodePageOemUs = 437;
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The bytes of a file as text: a leading UTF-8 byte-order mark is dropped; the
// rest is kept when it is valid UTF-8 and decoded as Windows-1252 otherwise.
std::string DecodeFileText(std::string bytes);

// UTF-8 bytes as text: each byte of a malformed sequence becomes U+FFFD.
std::string DecodeUtf8Lossy(std::string bytes);

// Decodes the bytes of a code page to UTF-8. A byte (a unit of UTF-16) that
// starts no valid sequence of a multi-byte page becomes U+FFFD, as does a
// sequence cut off by the end. Raises 5 for a code page the system cannot convert.
std::string DecodeCodePage(std::string_view bytes, int codePage);
// The same for bytes that are not needed afterwards: the memory of the part
// decoded is given back as decoding goes, and `bytes` is left empty.
std::string DecodeCodePageConsuming(std::string&& bytes, int codePage);

// Encodes UTF-8 text to a code page; a character the page lacks becomes "?".
// 65001 returns the text unchanged. Raises 5 for an unknown code page.
std::string EncodeCodePage(std::string_view text, int codePage);


}  // namespace tintext
