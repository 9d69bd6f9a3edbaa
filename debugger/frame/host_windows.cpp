#include "debugger/frame/host_windows.h"

#include <string>

#include "debugger/engine/runstate.h"
#include "debugger/frame/frame.h"
#include "debugger/views/command_window.h"

namespace vy {

HWND hwndCurSource;

// ---------------------------------------------------------------------------
// Host windows

static LRESULT CALLBACK HostWndProc(HWND host, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND work = hostwork(host);
    switch (message) {
    case WM_SIZE: {
        LRESULT result = DefMDIChildProcA(host, message, wparam, lparam);
        RECT client;
        GetClientRect(host, &client);
        int bar = childmenuheight();
        if (HWND menu = hostbar(host)) MoveWindow(menu, client.left, client.top, client.right, bar, TRUE);
        if (work) MoveWindow(work, client.left, client.top + bar, client.right, client.bottom - bar, TRUE);
        return result;
    }
    case WM_CLOSE:
        if (work && work == hwndCurSource) return 0;   // that window is never closed
        break;
    case WM_DESTROY:
        if (work && work == hwndCurSource) return 0;
        MDIUpdate();
        if (HWND bar = hostbar(host)) DestroyWindow(bar);
        if (work && IsWindow(work)) DestroyWindow(work);
        sethostwindows(host, nullptr, nullptr);
        break;
    case WM_KILLFOCUS:
        if (HWND bar = hostbar(host)) SendMessageA(bar, WM_KILLFOCUS, wparam, lparam);
        break;
    case WM_KEYDOWN:
        if (wparam >= VK_F1 && wparam <= VK_F12) return 0;   // the key bindings' dispatcher
        if (work) SendMessageA(work, WM_KEYDOWN, wparam, lparam);
        return 0;
    case WM_CHAR:
        if (wparam == VK_ESCAPE) {
            if (HWND bar = hostbar(host)) SendMessageA(bar, WM_CHAR, wparam, lparam);
        } else if (work) {
            SendMessageA(work, WM_CHAR, wparam, lparam);
        }
        return 0;
    case WM_SETCURSOR:
        if (RunState && (LOWORD(lparam) == HTCLIENT || LOWORD(lparam) == HTCAPTION)) {
            SetCursor(LoadCursor(nullptr, IDC_WAIT));
            return 1;
        }
        break;
    case WM_MOUSEACTIVATE:
        if (work && work == hwndCmdFrame && hwndCmdEdit) SetFocus(hwndCmdEdit);
        break;
    }
    return DefMDIChildProcA(host, message, wparam, lparam);
}

// The host classes: class name, icon and background.
struct HostClass {
    const char* name;
    const char* icon;   // null: the system application icon
    bool systemcolour;
};
static const HostClass hostclasses[] = {
    {"HOSTWIN",   "DATAIcon",  false},
    {"STACKHOST", "STACKIcon", false},
    {"MONHOST",   "MONIcon",   false},
    {"REGHOST",   "REGIcon",   false},
    {"LISTHOST",  "LISTIcon",  false},
    {"PERFHOST",  "STATIcon",  false},
    {"XREFHOST",  "LISTIcon",  false},
    {"MEMHOST",   "DATAIcon",  false},
    {"COVERHOST", "STATIcon",  false},
    {"VUSEHOST",  "STATIcon",  false},
    {"ASMHOST",   nullptr,     true},
    {"TRACEHOST", "STATIcon",  false},
    {"CMDHOST",   "CMDIcon",   false},
    {"VYRHOST",   "VIEWIcon",  false},
};
static bool vyrhostregistered;

bool RegisterHostClasses() {
    for (const HostClass& c : hostclasses) {
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = HostWndProc;
        wc.cbWndExtra = HOSTWORDS;
        wc.hInstance = hinst;
        wc.hIcon = c.icon ? LoadIconA(hinst, c.icon) : LoadIcon(nullptr, IDI_APPLICATION);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = c.systemcolour ? reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)
                                          : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = c.name;
        ATOM atom = RegisterClassA(&wc);
        if (std::string(c.name) == "VYRHOST") vyrhostregistered = atom != 0;
        if (!atom) return false;
    }
    return true;
}

void UnregisterHostClasses() {
    for (const HostClass& c : hostclasses) {
        if (std::string(c.name) == "VYRHOST" && !vyrhostregistered) continue;
        UnregisterClassA(c.name, hinst);
    }
    vyrhostregistered = false;
}

// ---------------------------------------------------------------------------
// The child menu bar

// Window words: the highlighted position (-1 none, -2 after a click that hit
// no item), the position saved when the bar lost the focus, and the menu.
constexpr int BAR_HIGHLIGHT = 0;
constexpr int BAR_SAVED = sizeof(LONG_PTR);
constexpr int BAR_MENU = 2 * sizeof(LONG_PTR);
constexpr int BARWORDS = 3 * sizeof(LONG_PTR);

static int barword(HWND bar, int word) { return static_cast<int>(GetWindowLongPtrA(bar, word)); }
static void setbarword(HWND bar, int word, LONG_PTR value) { SetWindowLongPtrA(bar, word, value); }
static HMENU barmenu(HWND bar) { return reinterpret_cast<HMENU>(GetWindowLongPtrA(bar, BAR_MENU)); }

// Drawing objects of every bar, and the one bar whose pop-up is open with
// the edges of its highlighted item (for the slide test).
static struct {
    HFONT font, underlined;
    HBRUSH highlight, background;
    COLORREF text, highlighttext;
    bool newlook;
    HWND openbar;
    int openleft, openright;
} bars;

int childmenuheight() { return GetSystemMetrics(SM_CYMENU); }

static std::string itemtext(HMENU menu, int position) {
    char text[256] = "";
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

// Width of an item's characters, '&' not counted.
static int textwidth(HDC dc, const std::string& text) {
    int width = 0;
    for (char c : text) {
        if (c == '&') continue;
        SIZE size;
        GetTextExtentPoint32A(dc, &c, 1, &size);
        width += size.cx;
    }
    return width;
}

static void paintbar(HWND bar) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(bar, &ps);
    HMENU menu = barmenu(bar);
    RECT client;
    GetClientRect(bar, &client);
    FillRect(dc, &client, bars.background);
    HGDIOBJ old = SelectObject(dc, bars.font);
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    int height = childmenuheight();
    int top = (height - tm.tmHeight) / 2;
    int highlight = barword(bar, BAR_HIGHLIGHT);
    int x = 0;
    int count = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        if (GetMenuItemID(menu, i) == 0) continue;   // a separator
        std::string text = itemtext(menu, i);
        if (i == highlight) {
            RECT r{x, 0, x + 12 + textwidth(dc, text), height};
            FillRect(dc, &r, bars.highlight);
            SetTextColor(dc, bars.highlighttext);
        } else {
            SetTextColor(dc, bars.text);
        }
        x += 6;
        bool mnemonic = false;
        for (char c : text) {
            if (c == '&') {
                mnemonic = true;
                continue;
            }
            SelectObject(dc, mnemonic ? bars.underlined : bars.font);
            mnemonic = false;
            TextOutA(dc, x, top, &c, 1);
            SIZE size;
            GetTextExtentPoint32A(dc, &c, 1, &size);
            x += size.cx;
        }
        SelectObject(dc, bars.font);
        x += 6;
    }
    SelectObject(dc, old);
    EndPaint(bar, &ps);
}

// The item under x: highlighted and returned (its edges kept), or -1 when
// it was highlighted already or nothing was hit.
static int hittest(HWND bar, int x) {
    HMENU menu = barmenu(bar);
    HDC dc = GetDC(bar);
    HGDIOBJ old = SelectObject(dc, bars.font);
    int left = 0, hit = -1, hitleft = 0, hitright = 0;
    int count = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        int right = left + 6 + textwidth(dc, itemtext(menu, i)) + 6;
        if (right > x) {
            hit = i;
            hitleft = left;
            hitright = right;
            break;
        }
        left = right;
    }
    SelectObject(dc, old);
    ReleaseDC(bar, dc);
    if (hit < 0) {
        setbarword(bar, BAR_HIGHLIGHT, -2);
        InvalidateRect(bar, nullptr, TRUE);
        UpdateWindow(bar);
        return -1;
    }
    if (hit == barword(bar, BAR_HIGHLIGHT)) return -1;
    bars.openleft = hitleft;
    bars.openright = hitright;
    setbarword(bar, BAR_HIGHLIGHT, hit);
    InvalidateRect(bar, nullptr, TRUE);
    UpdateWindow(bar);
    if (GetSubMenu(menu, hit) && GetFocus() != bar) SetFocus(bar);
    return hit;
}

static void dropthighlight(HWND bar) {
    setbarword(bar, BAR_HIGHLIGHT, -1);
    InvalidateRect(bar, nullptr, TRUE);
}

static void openpopup(HWND bar, int position) {
    HMENU sub = GetSubMenu(barmenu(bar), position);
    if (!sub) return;
    POINT at{bars.openleft, childmenuheight()};
    ClientToScreen(bar, &at);
    bars.openbar = bar;
    TrackPopupMenu(sub, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, bar, nullptr);
    if (bars.openbar == bar) {
        bars.openbar = nullptr;
        dropthighlight(bar);
    }
}

static HWND workofbar(HWND bar) { return hostwork(GetParent(bar)); }

static LRESULT CALLBACK ChildMenuProc(HWND bar, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT:
        paintbar(bar);
        return 0;
    case WM_KILLFOCUS:
        if (barword(bar, BAR_HIGHLIGHT) >= 0) {
            setbarword(bar, BAR_SAVED, barword(bar, BAR_HIGHLIGHT));
            dropthighlight(bar);
        }
        return 0;
    case WM_INITMENUPOPUP:
        if (barword(bar, BAR_HIGHLIGHT) == -1 && barword(bar, BAR_SAVED) >= 0) {
            setbarword(bar, BAR_HIGHLIGHT, barword(bar, BAR_SAVED));
            InvalidateRect(bar, nullptr, TRUE);
        }
        return 0;
    case WM_COMMAND:
        if (HWND work = workofbar(bar)) {
            SetFocus(work);
            SendMessageA(work, WM_COMMAND, wparam, lparam);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (barword(bar, BAR_HIGHLIGHT) >= 0) {
            int hit = hittest(bar, static_cast<short>(LOWORD(lparam)));
            if (hit >= 0 && GetSubMenu(barmenu(bar), hit)) openpopup(bar, hit);
        }
        return 0;
    case WM_LBUTTONDOWN: {
        int hit = hittest(bar, static_cast<short>(LOWORD(lparam)));
        if (hit >= 0 && GetSubMenu(barmenu(bar), hit)) openpopup(bar, hit);
        return 0;
    }
    case WM_LBUTTONUP: {
        int highlight = barword(bar, BAR_HIGHLIGHT);
        HMENU menu = barmenu(bar);
        if (highlight >= 0 && menu && !GetSubMenu(menu, highlight)) {
            UINT id = GetMenuItemID(menu, highlight);
            if (HWND work = workofbar(bar)) SendMessageA(work, WM_COMMAND, id, lparam);
            dropthighlight(bar);
        }
        return 0;
    }
    case WM_CHAR:
        if (wparam == VK_ESCAPE) dropthighlight(bar);
        return 0;
    }
    return DefWindowProcA(bar, message, wparam, lparam);
}

bool RegisterChildMenuClass() {
    DWORD version = GetVersion();
    int major = LOBYTE(LOWORD(version)), minor = HIBYTE(LOWORD(version));
    char windir[MAX_PATH] = "";
    GetWindowsDirectoryA(windir, sizeof windir);
    CharLowerA(windir);
    bars.newlook = major > 3 || minor >= 95 || std::string(windir).find("winnt") != std::string::npos;
    bars.font = static_cast<HFONT>(GetStockObject(bars.newlook ? DEFAULT_GUI_FONT : SYSTEM_FONT));
    bars.background = static_cast<HBRUSH>(GetStockObject(bars.newlook ? LTGRAY_BRUSH : WHITE_BRUSH));
    LOGFONTA lf;
    GetObjectA(bars.font, sizeof lf, &lf);
    lf.lfUnderline = TRUE;
    bars.underlined = CreateFontIndirectA(&lf);
    bars.highlight = CreateSolidBrush(GetSysColor(COLOR_ACTIVECAPTION));
    bars.text = GetSysColor(COLOR_MENUTEXT);
    bars.highlighttext = GetSysColor(COLOR_CAPTIONTEXT);

    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ChildMenuProc;
    wc.cbWndExtra = BARWORDS;
    wc.hInstance = hinst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "CHILDMENU";
    return RegisterClassA(&wc) != 0;
}

void UnregisterChildMenuClass() {
    if (bars.underlined) DeleteObject(bars.underlined);
    if (bars.highlight) DeleteObject(bars.highlight);
    bars.underlined = nullptr;
    bars.highlight = nullptr;
    UnregisterClassA("CHILDMENU", hinst);
}

HWND AttachChildMenu(HWND host, HMENU menu) {
    RECT client;
    GetClientRect(host, &client);
    HWND bar = CreateWindowA("CHILDMENU", "", WS_CHILD | WS_VISIBLE, client.left, 0, client.right - client.left,
                             childmenuheight(), host, nullptr, hinst, nullptr);
    if (!bar) return nullptr;
    setbarword(bar, BAR_HIGHLIGHT, -1);
    setbarword(bar, BAR_SAVED, -1);
    SetWindowLongPtrA(bar, BAR_MENU, reinterpret_cast<LONG_PTR>(menu));
    return bar;
}

bool ChildMenuSlide(MSG* msg, HWND& bar, POINT& point) {
    if (!bars.openbar) return false;
    POINT p = msg->pt;
    ScreenToClient(bars.openbar, &p);
    if (p.x < 1 || p.y < 1 || p.y >= childmenuheight()) return false;
    if (p.x >= bars.openleft && p.x < bars.openright) return false;
    bar = bars.openbar;
    point = p;
    msg->message = WM_LBUTTONDOWN;
    msg->wParam = 0;
    msg->lParam = MAKELPARAM(p.x, p.y);
    bars.openbar = nullptr;
    return true;
}

void ChildMenuSwitch(HWND bar, POINT point) {
    EndMenu();
    dropthighlight(bar);
    PostMessageA(bar, WM_LBUTTONDOWN, 0, MAKELPARAM(point.x, point.y));
}

}  // namespace vy
