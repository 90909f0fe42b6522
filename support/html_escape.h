// Escaping of matched text for HTML: "&" -> "&amp;", "<" -> "&lt;",
// ">" -> "&gt;", blank -> "&nbsp;" (or, for definitions that ask for plain
// blanks, left a blank). Nothing else changes: tabs, line breaks, quotation
// marks and non-ASCII characters pass through as they are.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tintext {

enum class Blanks { Nbsp, Plain };

std::string EncodeHtml(std::string_view text, Blanks blanks = Blanks::Nbsp);

// The same, appended to `out`.
void AppendEncodedHtml(std::string& out, std::string_view text, Blanks blanks = Blanks::Nbsp);

// The room EscapeHtmlInto needs for `size` bytes of text: six per byte
// ("&nbsp;"), and two more, as each entity is copied as eight bytes.
constexpr size_t EscapedRoom(size_t size) { return 6 * size + 2; }
// How many bytes of text are sure to fit, escaped, in `room` bytes.
constexpr size_t EscapableIn(size_t room) { return room < 2 ? 0 : (room - 2) / 6; }

namespace html_escape_detail {

struct Entity {
    char text[8];
    uint8_t length;
};
inline constexpr Entity kEntities[] = {{"", 0}, {"&amp;", 5}, {"&lt;", 4}, {"&gt;", 4}, {"&nbsp;", 6}};
using EntityTable = std::array<uint8_t, 256>;
// Which entity a byte becomes; 0 for none.
constexpr EntityTable MakeEntityTable(Blanks blanks) {
    EntityTable table{};
    table[static_cast<uint8_t>('&')] = 1;
    table[static_cast<uint8_t>('<')] = 2;
    table[static_cast<uint8_t>('>')] = 3;
    if (blanks == Blanks::Nbsp) table[static_cast<uint8_t>(' ')] = 4;
    return table;
}
inline constexpr EntityTable kEntityOf = MakeEntityTable(Blanks::Nbsp);
inline constexpr EntityTable kEntityOfPlainBlanks = MakeEntityTable(Blanks::Plain);

}  // namespace html_escape_detail

// Writes `text` escaped at `out`, which has EscapedRoom(text.size()) bytes
// of room; returns the end of what it wrote. The formatter's hot path: one
// table look-up and one store per byte.
inline char* EscapeHtmlInto(char* out, std::string_view text, Blanks blanks = Blanks::Nbsp) {
    using namespace html_escape_detail;
    const EntityTable& entityOf = blanks == Blanks::Nbsp ? kEntityOf : kEntityOfPlainBlanks;
    for (char c : text) {
        uint8_t entity = entityOf[static_cast<uint8_t>(c)];
        if (entity == 0) {
            *out++ = c;
            continue;
        }
        std::memcpy(out, kEntities[entity].text, sizeof kEntities[entity].text);
        out += kEntities[entity].length;
    }
    return out;
}

}  // namespace tintext
