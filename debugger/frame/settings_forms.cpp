#include "debugger/frame/settings_forms.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "support/number_text.h"

namespace vy {

static char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
static char firstletter(const char* value) { return value ? lower(value[0]) : '\0'; }

int tilefromtext(const char* value) {
    switch (firstletter(value)) {
    case 'h': return TILE_HORIZONTAL;
    case 'v': return TILE_VERTICAL;
    case 'f': return TILE_FREE;
    default: return TILE_CASCADE;
    }
}

const char* tiletext(int mode) {
    switch (mode) {
    case TILE_HORIZONTAL: return "HORIZONTAL";
    case TILE_VERTICAL: return "VERTICAL";
    case TILE_FREE: return "FREE";
    default: return "CASCADE";
    }
}

int radixcommand(const char* value) {
    switch (firstletter(value)) {
    case 'o': return 461;
    case 'h': return 462;
    case 'b': return 463;
    default: return 460;
    }
}

int varformatcommand(const char* value) {
    switch (firstletter(value)) {
    case 'f': return 635;
    case 'b': return 633;
    default: return 0;
    }
}

const char* radixtext(int command) {
    switch (command) {
    case 461: return "Octal";
    case 462: return "Hexadecimal";
    case 463: return "Binary";
    default: return "Decimal";
    }
}

const char* varformattext(int command) {
    switch (command) {
    case 633: return "BRIEF";
    case 634: return "Standard";
    default: return "Full";
    }
}

const char* windowstatetext(bool exists, bool iconic) {
    if (!exists) return "NO";
    return iconic ? "ICONIC" : "YES";
}

// ---------------------------------------------------------------------------
// Rectangles

const RectSection rectsections[7] = {
    {"VyrWindow",   "Main Window",     false},
    {"SrcWindow",   "Source Window",   false},
    {"MonWindow",   "Monitor Window",  false},
    {"StackWindow", "Stack Window",    false},
    {"CmdWindow",   "Command Window",  false},
    {"DisaWindow",  "Disa Window",     false},
    {"RegWindow",   "Register Window", true},
};

void rectlines(RectWindow window, const WindowRect& rect, SettingLine out[4]) {
    const RectSection& s = rectsections[window];
    struct Side {
        const char* key;
        const char* words;
        int32_t value;
    };
    const Side sides[4] = {
        {"Left", "Left side of ", rect.left},
        {"Top", "Top of ", rect.top},
        {"Right", "Right side of ", rect.right},
        {"Bottom", "Bottom of ", rect.bottom},
    };
    static const int normal[4] = {0, 1, 2, 3}, leftright[4] = {0, 2, 1, 3};
    const int* order = s.leftright ? leftright : normal;
    for (int i = 0; i < 4; ++i) {
        const Side& side = sides[order[i]];
        out[i].key = side.key;
        out[i].value = std::to_string(side.value) + "    /* " + side.words + s.name + " */";
    }
}

static int32_t within32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int32_t rectspan(int32_t from, int32_t to) { return within32(int64_t{to} - from); }

FramePlacement frameplacement(const WindowRect& rect, int32_t cxscreen, int32_t cyscreen) {
    int64_t width = std::max<int64_t>(int64_t{rect.right} - rect.left, cxscreen / 2);
    int64_t height = std::max<int64_t>(int64_t{rect.bottom} - rect.top, cyscreen / 2);
    int64_t left = rect.left, top = rect.top;
    bool maximise = width >= cxscreen && height >= cyscreen;
    if (maximise) {
        left += 10;
        top += 10;
        width -= 20;
        height -= 20;
    }
    return {within32(left), within32(top), within32(width), within32(height), maximise};
}

WindowRect defaultrect(RectWindow window, const WindowRect& frame, int32_t cyhscroll, int32_t cycaption) {
    int32_t quarter = frame.bottom / 4 + cyhscroll + cycaption;
    switch (window) {
    case RECT_FRAME: return frame;
    case RECT_SOURCE:
    case RECT_MONITOR: return {0, 0, 3 * (frame.right / 8), quarter};
    case RECT_STACK: return {frame.right / 2, 0, frame.right, quarter};
    case RECT_REGISTER: return {0, 0, 50, 100};
    case RECT_COMMAND:
    case RECT_DISASSEMBLY: return {20, 20, 350, 100};
    }
    return frame;
}

// ---------------------------------------------------------------------------
// Colours

const ColourRow colourrows[14] = {
    {"Assembler",           412, 0x00FFFF, "    /* Color for Assembler Highlihgt */",               -1},
    {"BkptOn",              414, 0x0000FF, "    /* Color for Active Breakpoints */",                -1},
    {"BkptOff",             415, 0x00FF00, "    /* Color for Suspended Breakpoints */",             -1},
    {"Source",              411, 0xFF0000, "    /* Color for Source Highlight */",                  -1},
    {"Instruction",         413, 0xFF0000, "    /* Color for Instruction Highlight */",             -1},
    {"C_Keyword",           417, 0xFF0000, "    /* Color for C Keywords */",                         5},
    {"C_Library",           420, 0x0000FF, "    /* Color for C Library functions */",                6},
    {"Comments",            421, 0x008000, "    /* Color for C Comments */",                         7},
    {"Memory",              416, 0x0000FF, "    /* Color for Memory Data Window Highlight */",      10},
    {"Assembler_Mnemonics", 422, 0x0000FF, "    /* Color for Instruction Mnemonics Highlight */",  11},
    {"Preprocessor",        423, 0x828282, "    /* Color for Preprocessor Directives */",           14},
    {"Defines",             424, 0x004080, "    /* Color for Defines */",                           16},
    {"Typedefs",            425, 0x4080FF, "    /* Color for Typedefs */",                          17},
    {"Search",              426, 0x00FF00, "    /* Color for Search */",                            18},
};

const ColourRow* colourrow(int menu) {
    for (const ColourRow& row : colourrows)
        if (row.menu == menu) return &row;
    return nullptr;
}

std::string colourtext(uint32_t colour) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%x", static_cast<unsigned>(colour));
    std::string text = std::string("0x") + digits;
    if (text.size() < 7) text.append(7 - text.size(), ' ');
    return text;
}

uint32_t colourvalue(const char* value) {
    uint32_t colour = 0;
    scanulong(value, static_cast<int32_t>(std::strlen(value)), colour, 1);
    return colour;
}

// Palette defaults as COLORREF values (0x00BBGGRR).
static constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }
static constexpr std::array<uint32_t, PALETTESIZE> initialpalette = {
    rgb(0, 0, 0),       rgb(0, 0, 0),    rgb(255, 0, 0),   rgb(0, 0, 255),     rgb(0, 128, 0),
    rgb(0, 0, 255),     rgb(255, 0, 0),  rgb(0, 128, 0),   rgb(128, 64, 0),    rgb(255, 128, 0),
    rgb(255, 0, 0),     rgb(255, 0, 0),  rgb(255, 0, 0),   rgb(0, 255, 0),     rgb(130, 130, 130),
    rgb(130, 130, 130), rgb(128, 64, 0), rgb(255, 128, 64), rgb(0, 255, 0),
};
std::array<uint32_t, PALETTESIZE> textpalette = initialpalette;

void SetTextColour(int i, uint32_t colour) {
    if (i >= 0 && i < PALETTESIZE) textpalette[i] = colour;
}

void resetpalette() { textpalette = initialpalette; }

// ---------------------------------------------------------------------------
// Fonts

const char* const fontkeys[8] = {
    "Assembler_Font", "Browser_Font", "Command_Font", "Memory_Font",
    "Monitor_Font",   "Register_Font", "Source_Font", "Stack_Font",
};

std::string fontline(const FontFields& f) {
    char numbers[160];
    std::snprintf(numbers, sizeof numbers, "%ld,%ld,%ld,%ld,%lu,%u,%u,%u,%u,%u,%u,%u,%u,",
                  static_cast<long>(f.height), static_cast<long>(f.width), static_cast<long>(f.escapement),
                  static_cast<long>(f.orientation), static_cast<unsigned long>(static_cast<uint32_t>(f.weight)),
                  f.italic, f.underline, f.strikeout, f.charset, f.outprecision, f.clipprecision, f.quality,
                  f.pitchandfamily);
    std::string line = numbers;
    const char* end = static_cast<const char*>(std::memchr(f.face, 0, sizeof f.face));
    line.append(f.face, end ? end : f.face + sizeof f.face);
    return line;
}

bool parsefontline(const char* text, FontFields& f) {
    int32_t values[13];
    const char* p = text;
    for (int32_t& v : values) {
        const char* comma = std::strchr(p, ',');
        if (!comma) return false;
        v = 0;
        scanlong(p, static_cast<int32_t>(comma - p), v, 10);
        p = comma + 1;
    }
    f.height = values[0];
    f.width = values[1];
    f.escapement = values[2];
    f.orientation = values[3];
    f.weight = values[4];
    uint8_t* bytes[8] = {&f.italic,       &f.underline,     &f.strikeout, &f.charset,
                         &f.outprecision, &f.clipprecision, &f.quality,   &f.pitchandfamily};
    for (int i = 0; i < 8; ++i) *bytes[i] = static_cast<uint8_t>(values[5 + i]);
    std::size_t n = std::min<std::size_t>(std::strlen(p), sizeof f.face - 1);
    std::memcpy(f.face, p, n);
    f.face[n] = '\0';
    return true;
}

// ---------------------------------------------------------------------------
// Status bar

StatusParts statusbarparts(int32_t clientwidth) {
    int32_t w = clientwidth - 20;
    int32_t p = (w - 120) / 3;
    return {{p, 2 * p - 20, 3 * p}};
}

}  // namespace vy
