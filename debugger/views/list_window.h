// The list window LISTWIN: a ListText shown read-only, with scrolling, link
// clicks, word look-ups and dragging; the symbol list, the file and
// function browsers and the memory map are list windows. Every text view
// keeps its data in a ViewRecord and answers the view messages
// (view_messages.h); the list window's answers serve the others as a
// pattern.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "debugger/frame/text_buffer.h"

namespace vy {

// How a list window was made (ViewRecord::mode).
enum : uint16_t {
    LIST_HOSTED = 1,      // a LISTWIN inside a LISTHOST with the menu bar "GENERIC_MENU2"
    LIST_SYMBOLS = 33,    // the symbol list: a bare LISTWIN whose words are symbols
    LIST_MEMORYMAP = 65,  // the memory map
    LIST_SYMBOLWORDS = 32,
};
// What Save and Print of a list act on (ViewRecord::listkind).
enum : uint16_t { LISTKIND_FUNCTIONS = 1, LISTKIND_FILES = 2 };

struct ViewRecord {
    TextBuf text;              // the ListText; no block: no text
    HFONT font = nullptr;
    int32_t firstcolumn = 0;   // horizontal scroll position, in columns
    int32_t longest = 0;       // columns of the longest line
    int32_t visiblecolumns = 0;
    int32_t topline = 0;       // index of the first line shown
    int32_t linecount = 1;
    int32_t visiblelines = 0;
    int32_t clientheight = 0;
    int32_t clientwidth = 0;
    uint16_t mode = 0;
    uint16_t sourcekind = 0;   // source-class windows: 1 C, 2 assembler, 4 other
    uint32_t relayout = 0;     // nonzero while a relayout runs
    COLORREF textcolour = 0;
    uint8_t paintflags = 0;    // bit 0: painted once
    uint16_t listkind = 0;
    std::string filename;      // the source file a hosted list belongs to
    int32_t lineheight = 1;    // of the font
    int32_t charwidth = 1;     // the font's average character width
};

// The record of a view's work window (its first window word), or null.
ViewRecord* viewrecord(HWND window);

bool RegisterListClass();
void UnregisterListClass();

// Makes a list window: mode 1 a LISTWIN inside a LISTHOST with the child
// menu bar, other modes a bare LISTWIN MDI child with both scroll bars; its
// record with the mode, list kind and (mode 1) file name, in the browser
// font and colour. The caller fills the text, then sends VWM_TEXTREADY and
// shows it. Null when a window or the record cannot be made.
HWND CreateListWindow(const char* title, uint16_t mode, uint16_t listkind, const char* filename);
// A browser's list window made, filled and shown: a window that cannot be
// made reports "Can't create window for " + `what`; a fill that runs out
// of memory reports "Not Enough Memory for " + `kind` + " Browsing" and
// closes the half-made window. Null in both cases.
HWND OpenListWindow(const char* title, uint16_t mode, uint16_t listkind, const char* filename, const char* what,
                    const char* kind, const std::function<bool(TextBuf&)>& fill);
// Destroys a list window made by CreateListWindow (its host too).
void DestroyListWindow(HWND list);
// Closes every list window (shut-down, a program load).
void CloseListWindows();

// The double-click action of the list and variables windows: the link
// under the point to the browsers' link action, else the word under it.
void ListDoubleClick(HWND window, int x, int y, WPARAM keys);

// The line (from 1) under a client y, and the column under a client x.
int32_t lineat(const ViewRecord& record, int y);
int32_t columnat(const ViewRecord& record, int x);

}  // namespace vy
