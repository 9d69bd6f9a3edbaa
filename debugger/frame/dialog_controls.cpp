#include "debugger/frame/dialog_controls.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "debugger/engine/hooks.h"
#include "debugger/frame/edit_filters.h"
#include "debugger/frame/frame.h"

namespace vy {

// The platform procedures of the base classes: one serves the five edit
// classes.
static WNDPROC editbase, listboxbase, buttonbase, staticbase;
// GROUP3D keeps its font in a word behind the button class's own bytes.
static int group3dword;
static HBRUSH gaugebrush;

struct Registered {
    const char* name;
    ATOM atom;
};
static Registered registered[] = {
    {"GENEDIT", 0}, {"HEXEDIT", 0}, {"MASKEDIT", 0}, {"NUMEDIT", 0}, {"READEDIT", 0},
    {"DISABLEDBOX", 0}, {"GROUP3D", 0}, {"TEXT3D", 0}, {"GAUGE", 0},
};
enum { GENEDIT, HEXEDIT, MASKEDIT, NUMEDIT, READEDIT, DISABLEDBOX, GROUP3D, TEXT3D, GAUGE };

static std::string classof(HWND window) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// ---------------------------------------------------------------------------
// The edit filters

static LRESULT CALLBACK FilterEditProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CHAR) {
        if (const EditFilter* filter = editfilter(classof(edit))) {
            switch (typed(*filter, static_cast<unsigned char>(wparam))) {
            case Typed::TAKEN: break;
            case Typed::REFUSED: ErrorBeep(); return 0;
            case Typed::SWALLOWED: return 0;
            }
        }
    }
    return CallWindowProcA(editbase, edit, message, wparam, lparam);
}

// A superclass: the base class's information with our procedure, name and
// instance; the base's procedure kept. `extra` adds window bytes behind
// the base's own, whose count `offset` receives.
static ATOM superclass(int which, const char* base, WNDPROC procedure, WNDPROC& saved, int extra = 0,
                       int* offset = nullptr) {
    WNDCLASSA wc{};
    if (!GetClassInfoA(nullptr, base, &wc)) return 0;
    saved = wc.lpfnWndProc;
    if (offset) *offset = wc.cbWndExtra;
    wc.cbWndExtra += extra;
    wc.lpfnWndProc = procedure;
    wc.hInstance = hinst;
    wc.lpszClassName = registered[which].name;
    return registered[which].atom = RegisterClassA(&wc);
}

static void unregister(int which) {
    if (registered[which].atom) UnregisterClassA(registered[which].name, hinst);
    registered[which].atom = 0;
}

ATOM RegisterGenEdit() { return superclass(GENEDIT, "EDIT", FilterEditProc, editbase); }
ATOM RegisterHexEdit() { return superclass(HEXEDIT, "EDIT", FilterEditProc, editbase); }
ATOM RegisterMaskEdit() { return superclass(MASKEDIT, "EDIT", FilterEditProc, editbase); }
ATOM RegisterNumEdit() { return superclass(NUMEDIT, "EDIT", FilterEditProc, editbase); }
ATOM RegisterReadEdit() { return superclass(READEDIT, "EDIT", FilterEditProc, editbase); }
void UnregisterGenEdit() { unregister(GENEDIT); }
void UnregisterHexEdit() { unregister(HEXEDIT); }
void UnregisterMaskEdit() { unregister(MASKEDIT); }
void UnregisterNumEdit() { unregister(NUMEDIT); }
void UnregisterReadEdit() { unregister(READEDIT); }

// ---------------------------------------------------------------------------
// A list box that refuses the mouse

static LRESULT CALLBACK DisabledBoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK) {
        if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) ErrorBeep();
        return 0;
    }
    return CallWindowProcA(listboxbase, box, message, wparam, lparam);
}

ATOM RegisterDisabledBox() { return superclass(DISABLEDBOX, "LISTBOX", DisabledBoxProc, listboxbase); }
void UnregisterDisabledBox() { unregister(DISABLEDBOX); }

// ---------------------------------------------------------------------------
// The 3-D group box and framed text

int DrawMnemonicCaption(HDC dc, int x, int y, const char* text, HFONT font, HFONT underlined) {
    MoveToEx(dc, x, y, nullptr);
    UINT align = SetTextAlign(dc, TA_UPDATECP);
    bool underline = false;
    for (const char* p = text; *p; ++p) {
        if (*p == '&' && p[1] != '&') {
            underline = true;
            continue;
        }
        SelectObject(dc, underline ? underlined : font);
        TextOutA(dc, 0, 0, p, 1);
        underline = false;
    }
    SelectObject(dc, font);
    POINT end;
    GetCurrentPositionEx(dc, &end);
    SetTextAlign(dc, align);
    return end.x;
}

static std::string windowtext(HWND window) {
    char text[128] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

static HFONT storedfont(HWND group) {
    auto font = reinterpret_cast<HFONT>(GetWindowLongPtrA(group, group3dword));
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

static void paintgroup(HWND group, HDC dc) {
    HFONT font = storedfont(group);
    LOGFONTA lf{};
    GetObjectA(font, sizeof lf, &lf);
    lf.lfUnderline = TRUE;
    HFONT underlined = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    int h = tm.tmHeight;
    RECT r;
    GetClientRect(group, &r);
    Draw3DFrame(dc, r, true);
    Draw3DFrame(dc, RECT{r.left + 4, r.top + h + 10, r.right - 4, r.bottom - 4}, false);
    Draw3DFrame(dc, RECT{4, 3, r.right - 4, 3 + h + 2}, false);
    // The colours the parent gives its static texts.
    HWND parent = GetParent(group);
    if (parent) SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(group));
    std::string text = windowtext(group);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);   // '&' included
    DrawMnemonicCaption(dc, (r.right - size.cx) / 2, 3, text.c_str(), font, underlined ? underlined : font);
    SelectObject(dc, old);
    if (underlined) DeleteObject(underlined);
}

static LRESULT CALLBACK Group3DProc(HWND group, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(group, &ps);
        paintgroup(group, dc);
        EndPaint(group, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        paintgroup(group, reinterpret_cast<HDC>(wparam));
        return 0;
    case WM_SETFONT:
        SetWindowLongPtrA(group, group3dword, static_cast<LONG_PTR>(wparam));
        break;
    }
    return CallWindowProcA(buttonbase, group, message, wparam, lparam);
}

ATOM RegisterGroup3D() { return superclass(GROUP3D, "BUTTON", Group3DProc, buttonbase, sizeof(LONG_PTR), &group3dword); }
void UnregisterGroup3D() { unregister(GROUP3D); }

static void frametext(HWND control, HDC dc) {
    std::string text = windowtext(control);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    if (old) SelectObject(dc, old);
    Draw3DFrame(dc, RECT{0, 0, size.cx, size.cy}, false);
}

static LRESULT CALLBACK Text3DProc(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = CallWindowProcA(staticbase, control, message, wparam, lparam);
    if (message == WM_PAINT) {
        HDC dc = GetDC(control);
        frametext(control, dc);
        ReleaseDC(control, dc);
    } else if (message == WM_PRINTCLIENT) {
        frametext(control, reinterpret_cast<HDC>(wparam));
    }
    return result;
}

ATOM RegisterText3D() { return superclass(TEXT3D, "STATIC", Text3DProc, staticbase); }
void UnregisterText3D() { unregister(TEXT3D); }

// ---------------------------------------------------------------------------
// The gauge

ATOM RegisterGauge() {
    gaugebrush = CreateSolidBrush(RGB(255, 0, 0));
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = hinst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = gaugebrush;
    wc.lpszClassName = registered[GAUGE].name;
    return registered[GAUGE].atom = RegisterClassA(&wc);
}

void UnregisterGauge() {
    unregister(GAUGE);
    if (gaugebrush) DeleteObject(gaugebrush);
    gaugebrush = nullptr;
}

// ---------------------------------------------------------------------------
// The dialogs' look

INT_PTR DialogGrey(HDC dc) {
    SetBkColor(dc, RGB(192, 192, 192));
    return reinterpret_cast<INT_PTR>(GetStockObject(LTGRAY_BRUSH));
}

void PaintDialogFrame(HWND dialog) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    RECT r;
    GetClientRect(dialog, &r);
    Draw3DFrame(dc, RECT{r.left + 3, r.top + 3, r.right - 4, r.bottom - 4}, true);
    Draw3DFrame(dc, RECT{r.left + 4, r.top + 4, r.right - 5, r.bottom - 5}, false);
    EndPaint(dialog, &ps);
}

}  // namespace vy
