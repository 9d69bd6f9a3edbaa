// Services the whole debugger leans on: the numbered message texts, the
// message boxes, the error beep, the wait cursor, the menus and cursor of a
// running or stopped target, and the message poll of a run.
#include <cstdio>
#include <string>

#include "debugger/engine/hooks.h"
#include "debugger/engine/runstate.h"
#include "debugger/frame/frame.h"
#include "debugger/views/command_window.h"

namespace vy {

BOOL (*helpcall)(HWND, const char*, UINT, ULONG_PTR) = WinHelpA;

const char* winmsgtext(int id) {
    static char text[256];
    if (LoadStringA(hinst, static_cast<UINT>(id), text, sizeof text) > 0) return text;
    std::snprintf(text, sizeof text, " **** Err %d ****", id);
    return text;
}

static std::string joined(std::initializer_list<std::string_view> texts) {
    std::string all;
    for (std::string_view t : texts) all += t;
    // A report ends its line for the command window; a box needs no line end.
    if (!all.empty() && all.back() == '\n') all.pop_back();
    return all;
}

static int box(HWND owner, const std::string& text, const char* title, UINT style) {
    return MessageBoxA(owner, text.c_str(), title, style | MB_TASKMODAL | MB_SETFOREGROUND);
}

void ErrorBox(std::string_view text) { box(nullptr, joined({text}), "Error", MB_OK | MB_ICONEXCLAMATION); }
void WarningBox(std::initializer_list<std::string_view> t) { box(nullptr, joined(t), "Warning", MB_OK | MB_ICONEXCLAMATION); }
void InfoBox(std::initializer_list<std::string_view> t) { box(nullptr, joined(t), "Info", MB_OK | MB_ICONINFORMATION); }
void DlgError(HWND owner, std::initializer_list<std::string_view> t) { box(owner, joined(t), "Error", MB_OK | MB_ICONEXCLAMATION); }

bool ErrorYesNo(std::initializer_list<std::string_view> t) {
    return box(nullptr, joined(t), "Error", MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

int helpcontext;
uint32_t errorbeeps;

void ErrorBeep() {
    ++errorbeeps;
    MessageBeep(MB_OK);
}

static HCURSOR savedcursor;
static bool waiting;

void BeginWait() {
    HCURSOR hourglass = LoadCursor(nullptr, IDC_WAIT);
    HCURSOR current = GetCursor();
    if (current == hourglass) return;
    savedcursor = current;
    waiting = true;
    SetCursor(hourglass);
}

void EndWait() {
    SetCursor(waiting && savedcursor ? savedcursor : LoadCursor(nullptr, IDC_ARROW));
    waiting = false;
    savedcursor = nullptr;
}

// ---------------------------------------------------------------------------
// Running and stopped

// A frame menu item by its place: a top-level pop-up alone (item -1), or an
// item of one.
struct MenuPlace {
    int popup;
    int item;
};
static const MenuPlace runningplaces[] = {
    {MENU_DEBUG, -1},   {MENU_FILE, -1},      {MENU_ANALYZE, -1},  {MENU_REPORTS, -1},
    {MENU_SETUP, SETUP_KEYBINDING},             {MENU_SETUP, SETUP_INTFORMAT},
    {MENU_EVENTS, 2},   {MENU_EVENTS, 3},     {MENU_EVENTS, 5},    {MENU_EVENTS, 6},   {MENU_EVENTS, 7},
    {MENU_BROWSE, 10},  {MENU_BROWSE, 12},
    {MENU_SHOW, 4},     {MENU_SHOW, 5},
};

void ShowRunState(bool running) {
    HMENU bar = hwndFrame ? GetMenu(hwndFrame) : nullptr;
    UINT state = running ? MF_GRAYED : MF_ENABLED;
    if (bar) {
        for (const MenuPlace& p : runningplaces) {
            if (p.item < 0) EnableMenuItem(bar, static_cast<UINT>(p.popup), MF_BYPOSITION | state);
            else if (HMENU popup = GetSubMenu(bar, p.popup))
                EnableMenuItem(popup, static_cast<UINT>(p.item), MF_BYPOSITION | state);
        }
        bool commandgreyed = running && !hwndCmdFrame;
        EnableMenuItem(bar, 300, MF_BYCOMMAND | (commandgreyed ? MF_GRAYED : MF_ENABLED));
    }
    if (HMENU var = popupmenus[POP_VAR])
        for (UINT item = 1; item <= 3; ++item) EnableMenuItem(var, item, MF_BYPOSITION | state);
    SetCursor(LoadCursor(nullptr, running ? IDC_WAIT : IDC_ARROW));
    if (bar) DrawMenuBar(hwndFrame);
}

void EnableProgramMenus(bool loaded) {
    HMENU bar = hwndFrame ? GetMenu(hwndFrame) : nullptr;
    if (!bar) return;
    UINT state = loaded ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(bar, MENU_BROWSE, MF_BYPOSITION | state);
    EnableMenuItem(bar, MENU_ANALYZE, MF_BYPOSITION | state);
    EnableMenuItem(bar, MENU_REPORTS, MF_BYPOSITION | MF_ENABLED);
    DrawMenuBar(hwndFrame);
}

// ---------------------------------------------------------------------------
// The message poll of a run

// The frame's Stop command and Esc in any window ask the run to stop; they
// are not dispatched.
static bool stoprequest(const MSG& msg) {
    if (msg.message == WM_COMMAND && msg.hwnd == hwndFrame && LOWORD(msg.wParam) == 1) return true;
    return msg.message == WM_CHAR && msg.wParam == VK_ESCAPE;
}

static void dispatch(MSG& msg) {
    if (hwndClient && TranslateMDISysAccel(hwndClient, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

void PollMessages() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
    }
    if (stoprequest(msg)) {
        StopRequest = true;
        RunState = false;
        if (hwndFrame) SetFocus(hwndFrame);
        return;
    }
    dispatch(msg);
}

// A request to close the frame, which must wait until the command file or
// the command that pumps the messages is done.
static bool closerequest(const MSG& msg) {
    if (!hwndFrame || msg.hwnd != hwndFrame) return false;
    if (msg.message == WM_CLOSE) return true;
    if (msg.message == WM_SYSCOMMAND && (msg.wParam & 0xFFF0) == SC_CLOSE) return true;
    return msg.message == WM_COMMAND && (LOWORD(msg.wParam) == 117 || LOWORD(msg.wParam) == 145);
}

void DispatchMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (closerequest(msg)) continue;
        dispatch(msg);
    }
}

}  // namespace vy
