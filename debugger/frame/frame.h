// The Windows debugger's frame: the state its modules share and the
// functions they call in one another. Everything runs on the one window
// thread.
#pragma once
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "debugger/frame/settings_forms.h"
#include "debugger/target/exports.h"
#include "debugger/views/view_messages.h"

namespace vy {

// ---------------------------------------------------------------------------
// Start-up and shut-down (startup.cpp)

extern HINSTANCE hinst;
extern int showcommand;
// The frame and its MDI client. The frame's handle is cleared while it
// closes; that ends the message loop.
extern HWND hwndFrame;
extern HWND hwndClient;
// The tiling mode: one of TILE_CASCADE .. TILE_FREE.
extern int tilemode;
// Set when this run created the print spool file VYR_TEMP.VYR; only then
// does shut-down delete it.
extern bool tempfilecreated;
// The current-source window (null until the source views exist).
extern HWND hwndCurSource;

// The pop-up menus of the views, each the first submenu of its resource,
// and the trace-replay menu kept whole.
enum PopupMenu { POP_MON, POP_BKPT, POP_CLINE, POP_FUNC, POP_FMT, POP_MINFMT, POP_VAR, POP_ASM, POP_LBL, POP_COUNT };
extern HMENU popupmenus[POP_COUNT];
extern HMENU tracemenu;

// The private message that asks the frame for context help (wParam: the
// message-filter hook code).
constexpr UINT FWM_HELP = 1054;

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The debugger's life (startup.cpp): brings it up with the command line
// (false when a class or the frame cannot be made), runs the message loop
// until the frame closes (its exit status), and tears it down. A message
// handled outside the loop goes through DispatchFrameMessage, as the loop's
// own do: accelerators and the MDI keys first.
bool StartDebugger(HINSTANCE instance, const char* commandline, int show);
int RunMessageLoop();
void DispatchFrameMessage(MSG& msg);
void ShutDebugger();

// ---------------------------------------------------------------------------
// Frame window and dispatcher (frame_window.cpp)

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT FrameCommand(UINT message, HWND window, WPARAM wparam, LPARAM lparam);
// Sends the frame a menu command, as a menu or a key binding would.
void SendFrameCommand(int id, LPARAM lparam = 0);

// Frame flags that the menus show with check marks.
struct FrameFlags {
    bool saveonexit;     // 112 Save Configuration on Exit
    bool loadcode;       // 109 code and symbols (else 110 symbols only)
    bool execstep;       // 452 execution mode: use step (else 451)
    bool statusbar;      // 390
    bool ribbon;         // 392
    bool syntaxcolour;   // 10000
    int coverage;        // 0 or 10010-10012
    bool coverageaddr;   // 10014
    int varformat;       // 633-635
    bool varstandard, varfull;
    int radix;           // 460-463
};
extern FrameFlags frameflags;
// Height of the button ribbon: 28 while shown, else 0.
extern int ribbonheight;
// The window that the last WM_SETCURSOR named.
extern HWND hwndUnderMouse;
// The ribbon left a help text in the status bar.
extern bool statushelpshown;

// Frame menu positions, and the items the run state greys by position.
enum FrameMenuPos {
    MENU_FILE = 0, MENU_EVENTS = 1, MENU_BROWSE = 2, MENU_DEBUG = 3, MENU_KERNEL = 4, MENU_SETUP = 5,
    MENU_ANALYZE = 6, MENU_UTILITIES = 7, MENU_SHOW = 8, MENU_TARGET = 9, MENU_REPORTS = 10, MENU_WINDOWS = 11,
    MENU_WEB = 12, MENU_HELP = 13,
};
// Items of the Setup menu by position.
enum SetupMenuPos { SETUP_LOADOPTION = 0, SETUP_KEYBINDING = 5, SETUP_EXECMODE = 10, SETUP_INTFORMAT = 11 };

// ---------------------------------------------------------------------------
// Status bar, menu help and small exports (status_bar.cpp)

extern HWND hwndStatus;
extern int statusheight;
HWND ShowStatusBar(bool on);
void StatusBarParts();
void StatusGaugeStart(bool on, uint32_t total);
void StatusGaugeStep(uint32_t count);
void CacheMenuHandles();
void MenuSelectHelp(HWND frame, WPARAM wparam, LPARAM lparam);
void ShowStatusHelp(HWND frame, int id, bool withkey);

// ---------------------------------------------------------------------------
// Settings, layout, fonts and colours (settings.cpp)

// The font kinds, in the order of the `Fonts` keys.
enum FontKind { FONT_ASSEMBLER, FONT_BROWSER, FONT_COMMAND, FONT_MEMORY, FONT_MONITOR, FONT_REGISTER, FONT_SOURCE,
                FONT_STACK, FONT_COUNT };
struct WindowFont {
    LOGFONTA logfont;
    HFONT font;
    bool created;         // made here, deleted at shut-down
    COLORREF textcolour;  // chosen in the font dialog
};
extern WindowFont fonts[FONT_COUNT];
extern WindowRect framerect;
extern WindowRect viewrects[7];   // by RectWindow; RECT_FRAME unused
extern bool sourcerectknown;
extern int browsercharheight, browsercharwidth;

void LoadFontsAndColors();
bool CreateFrameWindow();
void LayoutFrame(bool all);
void SaveColorsAndRects();
void SaveLayout();
void RestoreSavedWindows();
void ReadWindowRects();
void ChooseColorCmd(int id);
void ChooseFontCmd(int id);
void Draw3DFrame(HDC dc, const RECT& rect, bool sunken);
void SetFrameTitleText(const char* text);
void StoreFrameRect();
void ShutdownGraphics();

// Reads a key of the settings file into the 510-byte value buffer.
const char* ReadSetting(const char* section, const char* key, const char* initial);
void WriteSetting(const char* section, const char* key, const char* value);

// ---------------------------------------------------------------------------
// Message boxes, wait cursor and run state (message_boxes.cpp)

void WarningBox(std::initializer_list<std::string_view> texts);
void InfoBox(std::initializer_list<std::string_view> texts);
bool ErrorYesNo(std::initializer_list<std::string_view> texts);
void DlgError(HWND owner, std::initializer_list<std::string_view> texts);
void BeginWait();
void EndWait();
void EnableProgramMenus(bool loaded);
// The help context of the dialog or window in front: each dialog saves it
// when it opens, sets its own and restores the saved one when it closes.
extern int helpcontext;
// Refused keys and clicks sound the beep; the count is the tests' to read.
extern uint32_t errorbeeps;
// The text of a message number from the string table.
const char* winmsgtext(int id);
// The frame's help, behind one call so that tests can do without it: the
// help system blocks for a long time when a help file is missing.
extern BOOL (*helpcall)(HWND window, const char* file, UINT command, ULONG_PTR data);

}  // namespace vy

extern "C" {
VY_EXPORT LRESULT LeftStatus(const char* text);
VY_EXPORT LRESULT MiddleStatus(const char* text);
VY_EXPORT LRESULT RightStatus(const char* text);
VY_EXPORT const char* GetExecName();
}
