#include "debugger/views/list_window.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "debugger/frame/frame.h"
#include "debugger/frame/host_windows.h"
#include "debugger/frame/settings_forms.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "debugger/target/debug_tables.h"
#include "debugger/views/file_browsers.h"
#include "debugger/views/list_text.h"
#include "debugger/views/view_calls.h"
#include "debugger/views/view_messages.h"

namespace vy {

static HMENU listmenu;   // "GENERIC_MENU2": Save 118, Print 121
constexpr int LISTID = 1100;

ViewRecord* viewrecord(HWND window) {
    return window ? reinterpret_cast<ViewRecord*>(GetWindowLongPtrA(window, 0)) : nullptr;
}

int32_t lineat(const ViewRecord& r, int y) { return r.topline + y / std::max(r.lineheight, 1) + 1; }

int32_t columnat(const ViewRecord& r, int x) {
    return x < 0 ? -1 : r.firstcolumn + x / std::max(r.charwidth, 1);
}

static LRESULT defaultproc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (GetParent(window) == hwndClient) return DefMDIChildProcA(window, message, wparam, lparam);
    return DefWindowProcA(window, message, wparam, lparam);
}

// ---------------------------------------------------------------------------
// Layout

static void setfont(HWND window, ViewRecord& r, HFONT font, COLORREF colour) {
    if (font == r.font && colour == r.textcolour) return;
    r.font = font;
    r.textcolour = colour;
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    r.lineheight = std::max<int32_t>(tm.tmHeight, 1);
    r.charwidth = std::max<int32_t>(tm.tmAveCharWidth, 1);
    SendMessageA(window, VWM_RELAYOUT, 0, 0);
    InvalidateRect(window, nullptr, TRUE);
}

static void clientsize(HWND window, ViewRecord& r) {
    RECT client;
    GetClientRect(window, &client);
    r.clientheight = client.bottom;
    r.clientwidth = client.right;
    r.visiblelines = r.clientheight / r.lineheight;
    r.visiblecolumns = r.clientwidth / r.charwidth;
}

static void relayout(HWND window, ViewRecord& r) {
    if (r.relayout) return;
    r.relayout = 1;
    SetScrollRange(window, SB_VERT, 0, 0, TRUE);
    SetScrollRange(window, SB_HORZ, 0, 0, TRUE);
    if (!r.text.base) {
        r.relayout = 0;
        return;
    }
    clientsize(window, r);
    if (r.visiblecolumns >= r.longest && r.linecount <= r.visiblelines) {
        r.topline = r.firstcolumn = 0;
        InvalidateRect(window, nullptr, TRUE);
        r.relayout = 0;
        return;
    }
    // A bar that is shown narrows the client area.
    if (r.linecount > r.visiblelines) {
        SetScrollRange(window, SB_VERT, 0, 1, TRUE);
        clientsize(window, r);
    }
    if (r.longest > r.visiblecolumns) {
        SetScrollRange(window, SB_HORZ, 0, 1, TRUE);
        clientsize(window, r);
    }
    if (r.longest && r.linecount) {
        if (r.linecount - r.topline < r.visiblelines) {
            r.topline = std::max(r.linecount - r.visiblelines, 0);
            InvalidateRect(window, nullptr, TRUE);
        }
        if (r.longest - r.firstcolumn < r.visiblecolumns) {
            r.firstcolumn = std::max(r.longest - r.visiblecolumns, 0);
            InvalidateRect(window, nullptr, TRUE);
        }
        SetScrollRange(window, SB_VERT, 0, std::max(r.linecount - r.visiblelines, 0), TRUE);
        SetScrollRange(window, SB_HORZ, 0, std::max(r.longest - r.visiblecolumns, 0), TRUE);
        SetScrollPos(window, SB_VERT, r.topline, TRUE);
        SetScrollPos(window, SB_HORZ, r.firstcolumn, TRUE);
    }
    clientsize(window, r);
    r.relayout = 0;
}

static void textready(HWND window, ViewRecord& r, LPARAM wanted, bool layout) {
    TextSize size = measuretext(r.text.text());
    r.longest = size.longest;
    r.linecount = size.lines;
    r.topline = toplinefor(static_cast<int32_t>(wanted));
    if (layout) SendMessageA(window, VWM_RELAYOUT, 0, 0);
}

// ---------------------------------------------------------------------------
// Painting

static COLORREF colourof(const ViewRecord& r, int8_t index) {
    return index < 0 ? r.textcolour : static_cast<COLORREF>(textpalette[static_cast<std::size_t>(index)]);
}

static void paint(HWND window, ViewRecord& r, HDC dc, const RECT& area) {
    HGDIOBJ oldfont = SelectObject(dc, r.font ? r.font : GetStockObject(ANSI_FIXED_FONT));
    UINT oldalign = SetTextAlign(dc, TA_UPDATECP);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 255, 255));
    HBRUSH paper = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    std::string_view text = r.text.text();
    int32_t first = area.top / r.lineheight;
    std::size_t at = text.empty() ? std::string_view::npos : linestart(text, r.topline + first + 1);
    for (int32_t row = first; at != std::string_view::npos && row * r.lineheight < area.bottom; ++row) {
        std::size_t next;
        std::string_view line = linefrom(text, at, next);
        int y = row * r.lineheight;
        MoveToEx(dc, 0, y, nullptr);
        std::vector<Cell> cells = linecells(line, r.firstcolumn);
        for (std::size_t i = 0; i < cells.size();) {
            std::size_t j = i;
            std::string run;
            while (j < cells.size() && cells[j].colour == cells[i].colour) run += cells[j++].ch;
            SetTextColor(dc, colourof(r, cells[i].colour));
            TextOutA(dc, 0, 0, run.data(), static_cast<int>(run.size()));
            i = j;
        }
        // The rest of the row to the right edge in blanks.
        POINT end;
        GetCurrentPositionEx(dc, &end);
        RECT rest{end.x, y, area.right, y + r.lineheight};
        if (rest.left < rest.right) FillRect(dc, &rest, paper);
        at = next;
    }
    SetTextAlign(dc, oldalign);
    SelectObject(dc, oldfont);
    SetScrollPos(window, SB_VERT, r.topline, TRUE);
    SetScrollPos(window, SB_HORZ, r.firstcolumn, TRUE);
    r.paintflags |= 1;
}

// ---------------------------------------------------------------------------
// Scrolling

static void scrolllines(HWND window, ViewRecord& r, int32_t top, bool whole) {
    top = std::clamp(top, 0, std::max(r.linecount - r.visiblelines, 0));
    if (top == r.topline) return;
    int32_t moved = r.topline - top;
    r.topline = top;
    if (whole) InvalidateRect(window, nullptr, TRUE);
    else ScrollWindow(window, 0, moved * r.lineheight, nullptr, nullptr);
    SetScrollPos(window, SB_VERT, r.topline, TRUE);
}

static void scrollcolumns(HWND window, ViewRecord& r, int32_t first, bool whole) {
    first = std::clamp(first, 0, std::max(r.longest - r.visiblecolumns, 0));
    if (first == r.firstcolumn) return;
    int32_t moved = r.firstcolumn - first;
    r.firstcolumn = first;
    if (whole) {
        InvalidateRect(window, nullptr, TRUE);
    } else {
        ScrollWindow(window, moved * r.charwidth, 0, nullptr, nullptr);
        // The strip right of the last whole column shows part of a
        // character that did not move with the rest.
        if (moved == -1 && r.clientwidth % r.charwidth) {
            RECT strip{r.visiblecolumns * r.charwidth - r.charwidth, 0, r.clientwidth, r.clientheight};
            InvalidateRect(window, &strip, TRUE);
        }
    }
    SetScrollPos(window, SB_HORZ, r.firstcolumn, TRUE);
}

static void vscroll(HWND window, ViewRecord& r, int code, int thumb) {
    int32_t page = r.clientheight / r.lineheight;
    switch (code) {
    case SB_LINEUP: scrolllines(window, r, r.topline - 1, false); break;
    case SB_LINEDOWN: scrolllines(window, r, r.topline + 1, false); break;
    case SB_PAGEUP: scrolllines(window, r, r.topline - page, false); break;
    case SB_PAGEDOWN: scrolllines(window, r, r.topline + page, false); break;
    case SB_THUMBPOSITION: scrolllines(window, r, thumb, true); break;
    case SB_TOP: scrolllines(window, r, 0, true); break;
    case SB_BOTTOM: scrolllines(window, r, r.linecount, true); break;
    case SB_ENDSCROLL: UpdateWindow(window); break;
    }
}

static void hscroll(HWND window, ViewRecord& r, int code, int thumb) {
    int32_t page = r.clientwidth / r.charwidth;
    switch (code) {
    case SB_LINELEFT: scrollcolumns(window, r, r.firstcolumn - 1, false); break;
    case SB_LINERIGHT: scrollcolumns(window, r, r.firstcolumn + 1, false); break;
    case SB_PAGELEFT: scrollcolumns(window, r, r.firstcolumn - page, false); break;
    case SB_PAGERIGHT: scrollcolumns(window, r, r.firstcolumn + page, false); break;
    case SB_THUMBPOSITION: scrollcolumns(window, r, thumb, true); break;
    case SB_LEFT: scrollcolumns(window, r, 0, true); break;
    case SB_RIGHT: scrollcolumns(window, r, r.longest, true); break;
    case SB_ENDSCROLL: UpdateWindow(window); break;
    }
}

// The keys that scroll, as the scroll bar's codes.
struct ScrollKey {
    UINT key;
    bool vertical;
    int code;
};
static const ScrollKey scrollkeys[] = {
    {VK_PRIOR, true, SB_PAGEUP}, {VK_NEXT, true, SB_PAGEDOWN}, {VK_HOME, true, SB_TOP},
    {VK_END, true, SB_BOTTOM},   {VK_UP, true, SB_LINEUP},     {VK_DOWN, true, SB_LINEDOWN},
    {VK_LEFT, false, SB_LINELEFT}, {VK_RIGHT, false, SB_LINERIGHT},
};

static void keydown(HWND window, ViewRecord& r, WPARAM key) {
    for (const ScrollKey& k : scrollkeys) {
        if (k.key != key) continue;
        (k.vertical ? vscroll : hscroll)(window, r, k.code, 0);
        (k.vertical ? vscroll : hscroll)(window, r, SB_ENDSCROLL, 0);
        return;
    }
}

// ---------------------------------------------------------------------------
// Lines through the messages

// A line of any text view, read with the view's own messages.
static std::string readline(HWND window, int32_t n) {
    LRESULT length = SendMessageA(window, VWM_GETLINELEN, static_cast<WPARAM>(n), 0);
    if (length <= 0) return {};
    std::string line(static_cast<std::size_t>(std::min<LRESULT>(length, 0xFFFF)) + 2, '\0');
    *reinterpret_cast<uint16_t*>(line.data()) = static_cast<uint16_t>(line.size());
    LRESULT got = SendMessageA(window, VWM_GETLINE, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(line.data()));
    line.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, static_cast<LRESULT>(line.size()))));
    return line;
}

static LRESULT getline(const ViewRecord& r, WPARAM n, LPARAM buffer) {
    if (!buffer || !r.text.base) return 0;
    uint16_t capacity = *reinterpret_cast<const uint16_t*>(buffer);
    return copyline(r.text.text(), static_cast<int32_t>(n), reinterpret_cast<char*>(buffer), capacity);
}

// ---------------------------------------------------------------------------
// Mouse

// The link or word under a point of a view: what both buttons look at.
struct Pointed {
    std::string link, word;
};
static Pointed pointed(HWND window, const ViewRecord& r, int x, int y) {
    std::string line = readline(window, lineat(r, y));
    int32_t column = columnat(r, x);
    Pointed p{linkat(line, column), {}};
    if (p.link.empty()) p.word = wordat(line, column);
    return p;
}

// Links act in list windows and variables windows.
static bool linksact(const ViewRecord& r) { return (r.mode & 1) || (r.mode & 4); }

void ListDoubleClick(HWND window, int x, int y, WPARAM keys) {
    ViewRecord* r = viewrecord(window);
    if (!r) return;
    Pointed p = pointed(window, *r, x, y);
    if (!p.link.empty()) {
        if (linksact(*r)) LinkAction(p.link, window, x, y, keys);
        return;
    }
    if (p.word.empty()) return;
    if (r->mode & LIST_SYMBOLWORDS) {
        if (rensym(p.word.c_str())) OpenAsmPopup(window, x, y, p.word.c_str());
        return;
    }
    if (KeywordHelp(p.word.c_str()) || LibraryHelp(p.word.c_str())) return;
    if (!r->filename.empty() && findfile(r->filename.c_str()))
        DefineHint(window, r->filename.c_str(), p.word.c_str(), true);
}

// The right button starts a drag of a link's name: a function, a file or a
// variable.
static void rightdown(HWND window, const ViewRecord& r, int x, int y) {
    Pointed p = pointed(window, r, x, y);
    if (!p.link.empty()) {
        if (!linksact(r)) return;
        int kind = p.link[0] == 'E' ? 4 : p.link[0] == 'F' || p.link[0] == 'L' ? 5 : p.link[0] == 'V' ? 1 : 0;
        if (kind) BeginDrag(window, kind, p.link.c_str() + 1);
        return;
    }
    if (p.word.empty()) return;
    if (r.mode & LIST_SYMBOLWORDS) {
        if (rensym(p.word.c_str())) OpenAsmPopup(window, x, y, p.word.c_str());
    } else if (!r.filename.empty() && findfile(r.filename.c_str())) {
        DefineHint(window, r.filename.c_str(), p.word.c_str(), false);
    }
}

static void command(HWND window, const ViewRecord& r, int id) {
    bool functions = r.listkind & LISTKIND_FUNCTIONS, files = r.listkind & LISTKIND_FILES;
    if (id == 118 && files) SaveFileList();
    else if (id == 118 && functions) SaveFunctionList();
    else if (id == 121 && files) PrintFileList();
    else if (id == 121 && functions) PrintFunctionList();
}

// ---------------------------------------------------------------------------
// The window

static LRESULT CALLBACK ListWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    ViewRecord* r = viewrecord(window);
    switch (message) {
    case WM_CREATE:
        SetScrollRange(window, SB_VERT, 0, 0, FALSE);
        SetScrollRange(window, SB_HORZ, 0, 0, FALSE);
        break;
    case WM_DESTROY:
        MDIUpdate();
        SetWindowLongPtrA(window, 0, 0);
        delete r;
        break;
    case WM_SIZE:
        if (r) relayout(window, *r);
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (r) paint(window, *r, dc, ps.rcPaint);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT client;
        GetClientRect(window, &client);
        if (r) paint(window, *r, reinterpret_cast<HDC>(wparam), client);
        return 0;
    }
    case WM_VSCROLL:
    case WM_HSCROLL:
        if (r) (message == WM_VSCROLL ? vscroll : hscroll)(window, *r, LOWORD(wparam), static_cast<short>(HIWORD(wparam)));
        return 0;
    case WM_KEYDOWN:
        if (wparam >= VK_F1 && wparam <= VK_F12) return 0;   // the key bindings' dispatcher
        if (r) keydown(window, *r, wparam);
        return 0;
    case WM_LBUTTONDBLCLK:
        ListDoubleClick(window, static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)), wparam);
        return 0;
    case WM_RBUTTONDOWN:
        if (r) rightdown(window, *r, static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        return 0;
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        if (r && (id == 118 || id == 121)) {
            command(window, *r, id);
            return 0;
        }
        if ((id >= 920 && id <= 939) || (id >= 941 && id <= 943)) {
            AsmSymbolCommand(window, id);
            return 0;
        }
        break;
    }
    case VWM_GETLINELEN:
        return r && r->text.base ? static_cast<LRESULT>(textline(r->text.text(), static_cast<int32_t>(wparam)).size()) : 0;
    case VWM_GETLINE:
        return r ? getline(*r, wparam, lparam) : 0;
    case VWM_TEXTREADY:
    case VWM_TEXTMEASURE:
        if (r) textready(window, *r, lparam, message == VWM_TEXTREADY);
        return 0;
    case VWM_GOTOLINE:
        if (r) {
            r->topline = std::clamp<int32_t>(static_cast<int32_t>(lparam), 0, std::max(r->linecount - r->visiblelines, 0));
            SetScrollPos(window, SB_VERT, r->topline, TRUE);
            if (r->paintflags & 1) InvalidateRect(window, nullptr, TRUE);
        }
        return 0;
    case VWM_SETFONT:
        if (r) setfont(window, *r, reinterpret_cast<HFONT>(wparam), static_cast<COLORREF>(lparam));
        return 0;
    case VWM_REDRAW:
        if (r) {
            HDC dc = GetDC(window);
            RECT client;
            GetClientRect(window, &client);
            paint(window, *r, dc, client);
            ReleaseDC(window, dc);
        }
        return 0;
    case VWM_RELAYOUT:
        if (r) relayout(window, *r);
        return 0;
    case VWM_CHAR:
        return 0;
    case VWM_PUTLINE:
        if (r && r->text.base && lparam) {
            const auto* put = reinterpret_cast<const LinePut*>(lparam);
            return putline(r->text.base, r->text.used, static_cast<int32_t>(wparam), {put->text, put->length});
        }
        return 0;
    }
    return defaultproc(window, message, wparam, lparam);
}

bool RegisterListClass() {
    listmenu = LoadMenuA(hinst, "GENERIC_MENU2");
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ListWndProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = hinst;
    wc.hIcon = LoadIconA(hinst, "LISTIcon");
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "LISTWIN";
    return listmenu && RegisterClassA(&wc) != 0;
}

void UnregisterListClass() {
    CloseListWindows();
    if (listmenu) DestroyMenu(listmenu);
    listmenu = nullptr;
    UnregisterClassA("LISTWIN", hinst);
}

static HWND mdicreate(const char* classname, const char* title, DWORD style) {
    MDICREATESTRUCTA mc{};
    mc.szClass = classname;
    mc.szTitle = title;
    mc.hOwner = hinst;
    mc.x = mc.y = mc.cx = mc.cy = CW_USEDEFAULT;
    mc.style = style;
    return reinterpret_cast<HWND>(SendMessageA(hwndClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
}

static void mdidestroy(HWND child) {
    if (child && hwndClient) SendMessageA(hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
}

HWND CreateListWindow(const char* title, uint16_t mode, uint16_t listkind, const char* filename) {
    if (!hwndClient) return nullptr;
    HWND host = nullptr, list = nullptr;
    if (mode == LIST_HOSTED) {
        host = mdicreate("LISTHOST", title, 0);
        if (!host) return nullptr;
        RECT client;
        GetClientRect(host, &client);
        int bar = childmenuheight();
        list = CreateWindowA("LISTWIN", "", WS_CHILD | WS_BORDER | WS_VSCROLL | WS_VISIBLE, 0, bar, client.right,
                             client.bottom - bar, host, reinterpret_cast<HMENU>(static_cast<INT_PTR>(LISTID)), hinst,
                             nullptr);
        HWND menubar = list ? AttachChildMenu(host, listmenu) : nullptr;
        if (!menubar) {
            mdidestroy(host);
            return nullptr;
        }
        sethostwindows(host, menubar, list);
    } else {
        list = mdicreate("LISTWIN", title, WS_VSCROLL | WS_HSCROLL);
        if (!list) return nullptr;
    }
    auto* r = new (std::nothrow) ViewRecord;
    if (!r) {
        mdidestroy(host ? host : list);
        return nullptr;
    }
    r->mode = mode;
    r->listkind = listkind;
    if (mode == LIST_HOSTED && filename) r->filename = filename;
    SetWindowLongPtrA(list, 0, reinterpret_cast<LONG_PTR>(r));
    clientsize(list, *r);
    SendMessageA(list, VWM_SETFONT, reinterpret_cast<WPARAM>(fonts[FONT_BROWSER].font),
                 static_cast<LPARAM>(fonts[FONT_BROWSER].textcolour));
    if (host) {
        ShowWindow(host, SW_SHOW);
        UpdateWindow(host);
        SendMessageA(hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(host), 0);
    }
    return list;
}

HWND OpenListWindow(const char* title, uint16_t mode, uint16_t listkind, const char* filename, const char* what,
                    const char* kind, const std::function<bool(TextBuf&)>& fill) {
    HWND list = CreateListWindow(title, mode, listkind, filename);
    if (!list) {
        dberror({"Can't create window for ", what});
        return nullptr;
    }
    if (!fill(viewrecord(list)->text)) {
        dberror({"Not Enough Memory for ", kind, " Browsing"});
        DestroyListWindow(list);
        return nullptr;
    }
    SendMessageA(list, VWM_TEXTREADY, 0, 0);
    InvalidateRect(list, nullptr, TRUE);
    ShowWindow(list, SW_SHOW);
    UpdateWindow(list);
    return list;
}

void DestroyListWindow(HWND list) {
    if (!list || !IsWindow(list)) return;
    HWND parent = GetParent(list);
    mdidestroy(parent == hwndClient ? list : parent);
}

void CloseListWindows() {
    if (!hwndClient) return;
    std::vector<HWND> lists;
    EnumChildWindows(
        hwndClient,
        [](HWND window, LPARAM found) -> BOOL {
            char name[16] = "";
            GetClassNameA(window, name, sizeof name);
            if (std::string(name) == "LISTWIN") reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&lists));
    for (HWND list : lists) DestroyListWindow(list);
}

}  // namespace vy
