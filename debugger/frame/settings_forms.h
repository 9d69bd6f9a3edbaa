// The forms in which the debugger's settings file "VYRS11.INI" holds its
// values: what is written for a colour, a font, a window rectangle and the
// window set, and how the one-letter options are read. Portable: the Windows
// frame reads and writes the file, these functions make and parse the texts.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace vy {

// The settings file, named without a directory: it lives in the system's
// Windows folder.
inline constexpr const char* SETTINGSFILE = "VYRS11.INI";

// Tiling modes of the MDI children, as the Windows menu's command ids.
enum TileMode : int { TILE_CASCADE = 190, TILE_HORIZONTAL = 191, TILE_VERTICAL = 192, TILE_FREE = 193 };
// `Options` `Tile`: its first letter chooses (h, v, f in either case);
// anything else, an empty value included, is cascade.
int tilefromtext(const char* value);
// What `Options` `Tile` is written as.
const char* tiletext(int mode);

// `Options` `DefIntFormat` as the radix command it sends: o 461, h 462,
// b 463 (either case), else 460 (decimal).
int radixcommand(const char* value);
// `Options` `VarFormat` as the format command it sends: F 635, B 633 (either
// case), else 0 (the format stays as it is).
int varformatcommand(const char* value);
// The texts that the radix commands 460-463 and the format commands 633-635
// write back.
const char* radixtext(int command);
const char* varformattext(int command);

// A window of section `LayOut` as written: "ICONIC" for an existing window
// shown minimised, "YES" for an existing one, else "NO".
const char* windowstatetext(bool exists, bool iconic);

// A rectangle of four signed 32-bit values.
struct WindowRect {
    int32_t left, top, right, bottom;
};

// A window whose rectangle the settings file keeps: its section, the words
// its comments name it by, and whether it is written Left, Right, Top,
// Bottom (the register window) instead of Left, Top, Right, Bottom.
struct RectSection {
    const char* section;
    const char* name;
    bool leftright;
};
enum RectWindow { RECT_FRAME, RECT_SOURCE, RECT_MONITOR, RECT_STACK, RECT_COMMAND, RECT_DISASSEMBLY, RECT_REGISTER };
extern const RectSection rectsections[7];

// One key of a rectangle section with the value written for it.
struct SettingLine {
    const char* key;
    std::string value;
};
// The four lines of a rectangle, in the order they are written; each value
// is the number followed by its comment ("20    /* Left side of Command
// Window */").
void rectlines(RectWindow window, const WindowRect& rect, SettingLine out[4]);

// The width or height from one side of a rectangle to the other, as the
// window functions take it: computed in 64 bits and kept within 32, so that
// no value the settings file holds overflows.
int32_t rectspan(int32_t from, int32_t to);

// Where the frame window is made, from the rectangle the settings file
// holds and the screen's size: at least half the screen each way, and
// maximised (10 pixels in from each side) when it covers the screen.
struct FramePlacement {
    int32_t left, top, width, height;
    bool maximise;
};
FramePlacement frameplacement(const WindowRect& rect, int32_t cxscreen, int32_t cyscreen);

// The defaults of the view rectangles when the file has none, computed from
// the frame rectangle and two system metrics (the horizontal scroll bar's
// height and the caption's).
WindowRect defaultrect(RectWindow window, const WindowRect& frame, int32_t cyhscroll, int32_t cycaption);

// The display colours of section `Colors`, in the order they are written:
// key, the colour dialog's menu id, the built-in colour, the comment, and
// the entry of the text-colour palette the colour is put in (-1: a colour
// the frame keeps).
struct ColourRow {
    const char* key;
    int menu;
    uint32_t initial;
    const char* comment;
    int palette;
};
extern const ColourRow colourrows[14];
// The row of a colour menu id, or null.
const ColourRow* colourrow(int menu);
// A colour as written: "0x" and lower-case hex digits in a field of 7
// characters, blank-padded on the right ("0xffff ", "0xff0000").
std::string colourtext(uint32_t colour);
// A colour value as read: the integer scanner's automatic base, so trailing
// comments do no harm.
uint32_t colourvalue(const char* value);

// The text-colour palette of the views: 19 entries indexed by the byte
// after a colour code; the settings replace some of them.
constexpr int PALETTESIZE = 19;
extern std::array<uint32_t, PALETTESIZE> textpalette;
// Sets entry i; indexes of 19 and more are ignored.
void SetTextColour(int i, uint32_t colour);
// Back to the built-in palette.
void resetpalette();

// The numeric fields of a font description and its face name, in the order
// of the platform's LOGFONT.
struct FontFields {
    int32_t height, width, escapement, orientation, weight;
    uint8_t italic, underline, strikeout, charset, outprecision, clipprecision, quality, pitchandfamily;
    char face[32];
};
// The eight window kinds with a font, in the order they are written.
extern const char* const fontkeys[8];
// A font line: the 13 numbers joined by commas (height to orientation
// signed, weight unsigned, the byte fields in decimal), a comma and the face.
std::string fontline(const FontFields& font);
// Reads a font line: each of the 13 numbers must be followed by a comma;
// the rest is the face name, cut to 31 characters. False when a comma is
// missing.
bool parsefontline(const char* text, FontFields& font);

// The status bar's three pane right edges for a frame client width.
struct StatusParts {
    int32_t edge[3];
};
StatusParts statusbarparts(int32_t clientwidth);

}  // namespace vy
