// The private messages through which the text views and their owners
// exchange lines, sizes and fonts (WM_USER + n). Every text view answers
// at least the line messages.
#pragma once
#include <cstdint>

namespace vy {

enum : uint32_t {
    VWM_GETLINELEN = 1026,      // wParam line from 1: the line's length in bytes up to CR, LF or the end
    VWM_GETLINELENTABS = 1027,  // source-class views: the same with tabs expanded
    VWM_GETLINE = 1028,         // wParam line from 1, lParam buffer: the line's bytes, returns the count
    VWM_GETLINETABS = 1029,     // source-class views: the same with tabs expanded to blanks
    VWM_TEXTREADY = 1030,       // lParam the line to show: the text was (re)filled
    VWM_TEXTMEASURE = 1031,     // the same without the relayout
    VWM_GOTOLINE = 1032,        // lParam line index: that line to the top
    VWM_SETFONT = 1034,         // wParam font, lParam text colour
    VWM_SETPCLINE = 1036,       // current-source window: lParam the source line
    VWM_REDRAW = 1037,          // repaint the whole client area at once
    VWM_RELAYOUT = 1038,        // visible lines and columns and the scroll ranges again
    VWM_CHAR = 1040,            // a typed character forwarded by the frame
    VWM_PUTLINE = 1042,         // wParam line from 1, lParam LinePut: bytes over the line's start
};

// The buffer of VWM_GETLINE and VWM_GETLINETABS carries its capacity as
// an edit control's line buffer does: its first two bytes hold it (a
// 16-bit count, in the machine's order) until the line is copied over them.
// The result is the count copied; a longer line is cut to the capacity.

// lParam of VWM_PUTLINE: the bytes copied over the start of the line (the
// caller keeps the line's length unchanged).
struct LinePut {
    const char* text;
    uint16_t length;
};

}  // namespace vy
