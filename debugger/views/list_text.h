// The text of every list-style view: lines ending in a line feed, with
// inline codes for colour, hypertext links, event marks, value fields and
// graphics records. This is what a view shows and how a pointer position
// finds the link or the word under it; the windows draw what it gives.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vy {

// The inline codes.
constexpr char LT_COLOUR = 0x01;    // followed by a palette index: the text that follows in that colour
constexpr char LT_TAB = 0x09;
constexpr char LT_LF = 0x0A;
constexpr char LT_CR = 0x0D;        // takes no column; ends a line for the line readers
constexpr char LT_EVENTOFF = 0x0E;  // first byte of a suspended event's line
constexpr char LT_EVENTON = 0x0F;   // first byte of an active event's line
constexpr char LT_STRUCT = 0x13;    // a structure value field, up to LT_END
constexpr char LT_ARRAY = 0x14;     // an array element value field, up to LT_END
constexpr char LT_LINK = 0x15;      // followed by the link's letter; the payload is shown
constexpr char LT_GRAPH = 0x16;     // a graphics record: 'H' and two big-endian u32, or another letter and one
constexpr char LT_END = 0x1A;       // end of a link or a value field

// Colour pair n as text.
inline std::string colour(int n) { return std::string{LT_COLOUR, static_cast<char>(n)}; }

// The palette has 19 entries; a larger index draws in entry 1.
constexpr int PALETTEENTRIES = 19;
constexpr int paletteindex(uint8_t n) { return n < PALETTEENTRIES ? n : 1; }

// Tabs advance to the next multiple of this in list windows.
constexpr int LISTTABWIDTH = 4;

// The bytes of an inline code starting at `at` (a graphics record whole,
// a colour pair, a link's code with its letter), 0 for a byte that is text.
std::size_t codelength(std::string_view text, std::size_t at);

// The whole text measured: the widest line in columns and the number of
// lines (line feeds, at least 1).
struct TextSize {
    int32_t longest = 0;
    int32_t lines = 1;
};
TextSize measuretext(std::string_view text);

// The top line that shows the wanted line as the fourth: wanted - 3, or 0
// for a wanted line below 4.
int32_t toplinefor(int32_t wanted);

// Line n (from 1): its bytes up to CR, LF or the end, codes included;
// empty for a line number below 1 or beyond the text.
std::string_view textline(std::string_view text, int32_t n);
// The same walked: the offset of line n's first byte (npos when the text
// has fewer lines), and the line at an offset with the offset of the next
// (npos after the last).
std::size_t linestart(std::string_view text, int32_t n);
std::string_view linefrom(std::string_view text, std::size_t at, std::size_t& next);
// The same copied into a buffer of `capacity` bytes: the count copied (a
// line longer than the buffer is cut to it; no NUL is written).
uint32_t copyline(std::string_view text, int32_t n, char* buffer, uint32_t capacity);
// Copies `bytes` over the start of line n in place; false (nothing
// written) when the line is not there or is shorter than `bytes`.
bool putline(char* text, std::size_t size, int32_t n, std::string_view bytes);

// What a line draws from its first column on: a character and its palette
// index per column (-1: the view's text colour). Tabs draw blanks.
struct Cell {
    char ch;
    int8_t colour;
};
std::vector<Cell> linecells(std::string_view line, int32_t firstcolumn, int tabwidth = LISTTABWIDTH);

// The column a line's byte starts in (codes take none, a tab runs to the
// next multiple of the tab width).
int32_t columnof(std::string_view line, std::size_t at, int tabwidth = LISTTABWIDTH);

// The link under a column: its letter and payload up to the first blank
// or LT_END, "" when the column holds none (a blank ends a link too).
std::string linkat(std::string_view line, int32_t column, int tabwidth = LISTTABWIDTH);
// The word under a column: letters, digits, '_' and '$' with the codes
// skipped and stripped; "" when none spans the column.
std::string wordat(std::string_view line, int32_t column, int tabwidth = LISTTABWIDTH);

// The text with its codes removed (colour pairs, link codes, marks,
// graphics records), as a line reads to a user.
std::string plaintext(std::string_view text);

}  // namespace vy
