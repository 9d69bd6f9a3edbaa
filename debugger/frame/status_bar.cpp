// The three-pane status bar with its progress gauge, the help line that
// names each menu item while the user moves through the menus, and the
// small exports GetExecName and MDIUpdate.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <iterator>

#include "debugger/engine/runstate.h"
#include "debugger/frame/frame.h"
#include "debugger/frame/menu_help.h"
#include "debugger/target/loader.h"

namespace vy {

HWND hwndStatus;
int statusheight;

static struct {
    bool on;
    uint32_t total, done;
    HBRUSH brush;
} gauge;

constexpr int STATUSID = 20000;

HWND ShowStatusBar(bool on) {
    if (!on) {
        if (hwndStatus) DestroyWindow(hwndStatus);
        hwndStatus = nullptr;
        statusheight = 0;
        return nullptr;
    }
    if (!hwndStatus)
        hwndStatus = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD, 0, 0, 0, 0, hwndFrame,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(STATUSID)), hinst, nullptr);
    if (!hwndStatus) return nullptr;
    RECT r;
    GetWindowRect(hwndStatus, &r);
    statusheight = r.bottom - r.top + 1;
    StatusBarParts();
    ShowWindow(hwndStatus, SW_SHOWNOACTIVATE);
    UpdateWindow(hwndStatus);
    return hwndStatus;
}

void StatusBarParts() {
    if (!hwndStatus || !hwndFrame) return;
    RECT client;
    GetClientRect(hwndFrame, &client);
    StatusParts parts = statusbarparts(client.right - client.left);
    int edges[3] = {parts.edge[0], parts.edge[1], parts.edge[2]};
    SendMessageA(hwndStatus, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
}

// The gauge's rectangle, right of the third pane.
static RECT gaugerect() {
    RECT client;
    GetClientRect(hwndStatus, &client);
    RECT r;
    r.left = client.right - 120;
    r.right = r.left + 100;
    r.top = 2;
    r.bottom = client.bottom - 2;
    return r;
}

void StatusGaugeStart(bool on, uint32_t total) {
    if (on) {
        if (!gauge.brush) gauge.brush = CreateSolidBrush(RGB(255, 0, 0));
        gauge.total = total;
        gauge.done = 0;
    } else {
        gauge.total = gauge.done = 0;
        if (gauge.brush) DeleteObject(gauge.brush);
        gauge.brush = nullptr;
    }
    gauge.on = on;
    if (hwndStatus) {
        InvalidateRect(hwndStatus, nullptr, TRUE);
        UpdateWindow(hwndStatus);
    }
}

void StatusGaugeStep(uint32_t count) {
    if (!gauge.on || !hwndStatus) return;
    gauge.done += count;
    RECT r = gaugerect();
    HDC dc = GetDC(hwndStatus);
    Draw3DFrame(dc, r, true);
    if (gauge.total > 0) {
        uint32_t done = gauge.done < gauge.total ? gauge.done : gauge.total;
        RECT bar{r.left, r.top, r.left + static_cast<LONG>(100ull * done / gauge.total), r.bottom + 1};
        FillRect(dc, &bar, gauge.brush);
    }
    ReleaseDC(hwndStatus, dc);
}

// ---------------------------------------------------------------------------
// Menu help

// The frame menu's pop-ups, found by their place, with their pseudo ids.
struct PopupPlace {
    int path[3];   // positions from the menu bar down; -1 ends the path
    uint16_t id;
};
static const PopupPlace popupplaces[] = {
    {{MENU_FILE, -1}, 19901},
    {{MENU_EVENTS, -1}, 19902},
    {{MENU_BROWSE, -1}, 19903},
    {{MENU_BROWSE, 7, -1}, 19905},
    {{MENU_BROWSE, 7, 4}, 19906},
    {{MENU_BROWSE, 14, -1}, 19932},
    {{MENU_BROWSE, 11, -1}, 19935},
    {{MENU_DEBUG, -1}, 19911},
    {{MENU_SETUP, -1}, 19916},
    {{MENU_SETUP, SETUP_LOADOPTION, -1}, 19921},
    {{MENU_SETUP, 1, -1}, 19917},
    {{MENU_SETUP, 1, 4}, 19918},
    {{MENU_SETUP, 1, 5}, 19919},
    {{MENU_SETUP, 2, -1}, 19920},
    {{MENU_SETUP, 4, -1}, 19934},
    {{MENU_SETUP, SETUP_INTFORMAT, -1}, 19950},
    {{MENU_ANALYZE, -1}, 19923},
    {{MENU_ANALYZE, 0, -1}, 19924},
    {{MENU_ANALYZE, 1, -1}, 19947},
    {{MENU_ANALYZE, 1, 3}, 19948},
    {{MENU_ANALYZE, 2, -1}, 19925},
    {{MENU_ANALYZE, 2, 2}, 19926},
    {{MENU_ANALYZE, 3, -1}, 19927},
    {{MENU_ANALYZE, 4, -1}, 19949},
    {{MENU_SHOW, -1}, 19928},
    {{MENU_SHOW, 6, -1}, 19930},
    {{MENU_SHOW, 8, -1}, 19951},
    {{MENU_SHOW, 8, 1}, 19952},
    {{MENU_UTILITIES, -1}, 19933},
    {{MENU_REPORTS, -1}, 19936},
    {{MENU_REPORTS, 0, -1}, 19937},
    {{MENU_REPORTS, 0, 3}, 19938},
    {{MENU_REPORTS, 1, -1}, 19939},
    {{MENU_REPORTS, 2, -1}, 19940},
    {{MENU_REPORTS, 2, 0}, 19941},
    {{MENU_REPORTS, 2, 1}, 19942},
    {{MENU_REPORTS, 3, -1}, 19943},
    {{MENU_REPORTS, 3, 0}, 19944},
    {{MENU_REPORTS, 3, 1}, 19945},
    {{MENU_REPORTS, 4, -1}, 19946},
    {{MENU_TARGET, -1}, 19953},
    {{MENU_WEB, -1}, 19954},
    {{MENU_HELP, -1}, 19931},
};
struct CachedPopup {
    HMENU menu;
    uint16_t id;
};
static CachedPopup cachedpopups[std::size(popupplaces)];
static int helpid = 65535;

void CacheMenuHandles() {
    HMENU bar = GetMenu(hwndFrame);
    for (std::size_t i = 0; i < std::size(popupplaces); ++i) {
        HMENU menu = bar;
        for (int position : popupplaces[i].path) {
            if (position < 0 || !menu) break;
            menu = GetSubMenu(menu, position);
        }
        cachedpopups[i] = {menu, popupplaces[i].id};
    }
}

void MenuSelectHelp(HWND frame, WPARAM wparam, LPARAM lparam) {
    UINT flags = HIWORD(wparam);
    HMENU menu = reinterpret_cast<HMENU>(lparam);
    if (flags == 0xFFFF && !menu) {
        helpid = 65535;
        ::LeftStatus(COMMANDHELP);
        return;
    }
    int id = -1;
    if (flags & MF_POPUP) {
        HMENU popup = menu ? GetSubMenu(menu, LOWORD(wparam)) : nullptr;
        for (const CachedPopup& c : cachedpopups)
            if (popup && c.menu == popup) id = c.id;
    } else if (menu) {
        id = LOWORD(wparam);
    }
    ShowStatusHelp(frame, id, false);
}

void ShowStatusHelp(HWND frame, int id, bool withkey) {
    if (RunState) return;
    helpid = id;
    ::LeftStatus(helptext(id));
}

}  // namespace vy

using namespace vy;

static LRESULT setpane(int pane, const char* text) {
    if (!hwndStatus) return 0;
    return SendMessageA(hwndStatus, SB_SETTEXTA, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text));
}

LRESULT LeftStatus(const char* text) { return setpane(0, text); }
LRESULT MiddleStatus(const char* text) { return setpane(1, text); }
LRESULT RightStatus(const char* text) { return setpane(2, text); }

const char* GetExecName() { return progname.empty() ? nullptr : progname.c_str(); }

void MDIUpdate() {
    if (!hwndClient) return;
    if (tilemode == TILE_VERTICAL) SendMessageA(hwndClient, WM_MDITILE, MDITILE_VERTICAL, 0);
    else if (tilemode == TILE_HORIZONTAL) SendMessageA(hwndClient, WM_MDITILE, MDITILE_HORIZONTAL, 0);
}
