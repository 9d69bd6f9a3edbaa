// The settings file VYRS11.INI as the frame reads and writes it: fonts,
// colours, the frame rectangle and the view rectangles, the window set of
// section LayOut; and the frame window's creation and layout, the font and
// colour dialogs and the 3-D frame that dialogs draw.
#include <windows.h>
// after windows.h
#include <commdlg.h>

#include <cstring>
#include <string>

#include "debugger/engine/channels.h"
#include "debugger/frame/frame.h"
#include "debugger/views/command_window.h"
#include "support/number_text.h"

namespace vy {

WindowFont fonts[FONT_COUNT];
WindowRect framerect;
WindowRect viewrects[7] = {{}, {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN}};
bool sourcerectknown;
int browsercharheight, browsercharwidth;

// The colours the frame keeps itself (the others are palette entries).
static uint32_t framecolours[14];
static COLORREF customcolours[16];
static int cxscreen, cyscreen, cyhscroll, cycaption;

// ---------------------------------------------------------------------------
// The file

const char* ReadSetting(const char* section, const char* key, const char* initial) {
    static char value[510];
    GetPrivateProfileStringA(section, key, initial, value, sizeof value, SETTINGSFILE);
    return value;
}

void WriteSetting(const char* section, const char* key, const char* value) {
    WritePrivateProfileStringA(section, key, value, SETTINGSFILE);
}

static int32_t readnumber(const char* section, const char* key, int32_t initial) {
    std::string text = std::to_string(initial);
    const char* value = ReadSetting(section, key, text.c_str());
    int32_t n = 0;
    scanlong(value, static_cast<int32_t>(std::strlen(value)), n, 1);
    return n;
}

static WindowRect readrect(RectWindow window, const WindowRect& initial) {
    const char* section = rectsections[window].section;
    return {readnumber(section, "Left", initial.left), readnumber(section, "Top", initial.top),
            readnumber(section, "Right", initial.right), readnumber(section, "Bottom", initial.bottom)};
}

static void writerect(RectWindow window, const WindowRect& rect) {
    SettingLine lines[4];
    rectlines(window, rect, lines);
    for (const SettingLine& line : lines) WriteSetting(rectsections[window].section, line.key, line.value.c_str());
}

// ---------------------------------------------------------------------------
// Fonts and colours

static void fieldsfromlogfont(const LOGFONTA& lf, FontFields& f) {
    f = {lf.lfHeight,  lf.lfWidth,      lf.lfEscapement,    lf.lfOrientation, lf.lfWeight,
         lf.lfItalic,  lf.lfUnderline,  lf.lfStrikeOut,     lf.lfCharSet,     lf.lfOutPrecision,
         lf.lfClipPrecision, lf.lfQuality, lf.lfPitchAndFamily, {}};
    std::memcpy(f.face, lf.lfFaceName, sizeof f.face);
    f.face[sizeof f.face - 1] = '\0';
}

static void logfontfromfields(const FontFields& f, LOGFONTA& lf) {
    lf = {};
    lf.lfHeight = f.height;
    lf.lfWidth = f.width;
    lf.lfEscapement = f.escapement;
    lf.lfOrientation = f.orientation;
    lf.lfWeight = f.weight;
    lf.lfItalic = f.italic;
    lf.lfUnderline = f.underline;
    lf.lfStrikeOut = f.strikeout;
    lf.lfCharSet = f.charset;
    lf.lfOutPrecision = f.outprecision;
    lf.lfClipPrecision = f.clipprecision;
    lf.lfQuality = f.quality;
    lf.lfPitchAndFamily = f.pitchandfamily;
    std::memcpy(lf.lfFaceName, f.face, sizeof lf.lfFaceName);
}

static HFONT ReadFontEntry(const char* key, LOGFONTA& lf) {
    FontFields fields{};
    if (!parsefontline(ReadSetting("Fonts", key, ""), fields)) return nullptr;
    logfontfromfields(fields, lf);
    return CreateFontIndirectA(&lf);
}

static void WriteFontEntry(const char* key, const LOGFONTA& lf) {
    FontFields fields;
    fieldsfromlogfont(lf, fields);
    WriteSetting("Fonts", key, fontline(fields).c_str());
}

static uint32_t& colourof(const ColourRow& row) { return framecolours[&row - colourrows]; }

void LoadFontsAndColors() {
    cxscreen = GetSystemMetrics(SM_CXSCREEN);
    cyscreen = GetSystemMetrics(SM_CYSCREEN);
    cyhscroll = GetSystemMetrics(SM_CYHSCROLL);
    cycaption = GetSystemMetrics(SM_CYCAPTION);
    framerect = {0, 0, cxscreen, cyscreen};
    for (int kind = 0; kind < FONT_COUNT; ++kind) {
        WindowFont& f = fonts[kind];
        f.font = ReadFontEntry(fontkeys[kind], f.logfont);
        f.created = f.font != nullptr;
        if (!f.font) {
            f.font = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
            GetObjectA(f.font, sizeof f.logfont, &f.logfont);
        }
        f.textcolour = RGB(0, 0, 0);
    }
    for (COLORREF& c : customcolours) c = RGB(255, 255, 255);
    resetpalette();
    for (const ColourRow& row : colourrows) {
        uint32_t colour = colourvalue(ReadSetting("Colors", row.key, colourtext(row.initial).c_str()));
        colourof(row) = colour;
        if (row.palette >= 0) SetTextColour(row.palette, colour);
    }
    framerect = readrect(RECT_FRAME, framerect);
}

void ReadWindowRects() {
    for (RectWindow w : {RECT_MONITOR, RECT_STACK, RECT_REGISTER, RECT_COMMAND, RECT_DISASSEMBLY})
        viewrects[w] = readrect(w, defaultrect(w, framerect, cyhscroll, cycaption));
}

void SaveColorsAndRects() {
    for (const ColourRow& row : colourrows) {
        uint32_t colour = row.palette >= 0 ? textpalette[row.palette] : colourof(row);
        WriteSetting("Colors", row.key, (colourtext(colour) + row.comment).c_str());
    }
    for (int kind = 0; kind < FONT_COUNT; ++kind) WriteFontEntry(fontkeys[kind], fonts[kind].logfont);
    writerect(RECT_FRAME, framerect);
    if (sourcerectknown) writerect(RECT_SOURCE, viewrects[RECT_SOURCE]);
    for (RectWindow w : {RECT_MONITOR, RECT_STACK, RECT_COMMAND, RECT_DISASSEMBLY, RECT_REGISTER})
        writerect(w, viewrects[w]);
    WriteSetting("Options", "Path", SourcePath.empty() ? nullptr : SourcePath.c_str());
    WriteSetting("Options", "LOAD_SYMB_ONLY", frameflags.loadcode ? "N" : "Y");
}

// ---------------------------------------------------------------------------
// The window set

// A view's window as section LayOut names it: its key, the menu command
// that opens it, and its window (null until that view exists).
struct LayoutWindow {
    const char* key;
    int command;
    HWND* window;
};
static const LayoutWindow layoutwindows[] = {
    {"Registers",   310, nullptr},
    {"Command",     300, &hwndCmdFrame},
    {"Stack",       330, nullptr},
    {"Monitors",    340, nullptr},
    {"Disassembly", 320, nullptr},
};

// The MDI child that hosts a view's window.
static HWND hostof(HWND window) {
    for (HWND w = window; w; w = GetParent(w))
        if (GetParent(w) == hwndClient) return w;
    return nullptr;
}

void SaveLayout() {
    WriteSetting("LayOut", "Save", frameflags.saveonexit ? "YES" : "NO");
    WriteSetting("LayOut", "Buttons", frameflags.ribbon ? "YES" : "NO");
    WriteSetting("LayOut", "Status", frameflags.statusbar ? "YES" : "NO");
    for (const LayoutWindow& w : layoutwindows) {
        HWND window = w.window ? *w.window : nullptr;
        HWND host = window ? hostof(window) : nullptr;
        WriteSetting("LayOut", w.key, windowstatetext(window != nullptr, host && IsIconic(host)));
    }
    WriteSetting("Options", "Tile", tiletext(tilemode));
}

void RestoreSavedWindows() {
    const char* save = ReadSetting("LayOut", "Save", "");
    if ((save[0] == 'Y') != frameflags.saveonexit) SendFrameCommand(112);
    for (const char* key : {"Disassembly", "Registers", "Stack", "Monitors", "Command"}) {
        for (const LayoutWindow& w : layoutwindows) {
            if (std::strcmp(w.key, key) != 0) continue;
            char first = ReadSetting("LayOut", key, "")[0];
            if (first != 'Y' && first != 'I') continue;
            if (w.command == 300 && hwndCmdFrame) continue;
            SendFrameCommand(w.command);
            HWND window = w.window ? *w.window : nullptr;
            if (first == 'I' && window)
                if (HWND host = hostof(window)) SendMessageA(host, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        }
    }
}

// ---------------------------------------------------------------------------
// The frame window

void StoreFrameRect() {
    RECT r;
    if (hwndFrame && GetWindowRect(hwndFrame, &r)) framerect = {r.left, r.top, r.right, r.bottom};
}

bool CreateFrameWindow() {
    FramePlacement at = frameplacement(framerect, cxscreen, cyscreen);
    bool maximise = at.maximise;
    hwndFrame = CreateWindowA("VYR", "Vyr ", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, at.left, at.top, at.width,
                              at.height, nullptr, nullptr, hinst, nullptr);
    if (!hwndFrame) return false;
    frameflags.statusbar = ShowStatusBar(true) != nullptr;
    LayoutFrame(true);
    if (ReadSetting("LayOut", "Buttons", "")[0] == 'Y') SendFrameCommand(392);
    ShowWindow(hwndFrame, showcommand);
    if (maximise) SendMessageA(hwndFrame, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    HDC dc = GetDC(hwndFrame);
    HGDIOBJ old = SelectObject(dc, fonts[FONT_BROWSER].font);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    browsercharheight = tm.tmHeight;
    browsercharwidth = tm.tmAveCharWidth;
    SelectObject(dc, old);
    ReleaseDC(hwndFrame, dc);
    UpdateWindow(hwndFrame);
    StoreFrameRect();
    ReadWindowRects();
    return true;
}

void LayoutFrame(bool all) {
    if (!hwndFrame) return;
    InvalidateRect(hwndFrame, nullptr, TRUE);
    RECT client;
    GetClientRect(hwndFrame, &client);
    StoreFrameRect();
    int top = frameflags.ribbon ? ribbonheight : 0;
    int statusbar = frameflags.statusbar && hwndStatus ? statusheight : 0;
    if (hwndClient)
        MoveWindow(hwndClient, 0, top, client.right, client.bottom - top - statusbar, TRUE);
    if (all && hwndStatus && frameflags.statusbar) {
        MoveWindow(hwndStatus, 0, client.bottom - statusheight, client.right, statusheight, TRUE);
        StatusBarParts();
    }
}

void SetFrameTitleText(const char* text) {
    if (hwndFrame) SetWindowTextA(hwndFrame, text);
}

// ---------------------------------------------------------------------------
// Colour and font dialogs

void ChooseColorCmd(int id) {
    const ColourRow* row = colourrow(id);
    uint32_t current = row ? (row->palette >= 0 ? textpalette[row->palette] : colourof(*row)) : 0;
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = hwndFrame;
    cc.rgbResult = current;
    cc.lpCustColors = customcolours;
    cc.Flags = CC_RGBINIT;
    if (!ChooseColorA(&cc) || !row) return;
    if (row->palette >= 0) SetTextColour(row->palette, cc.rgbResult);
    else colourof(*row) = cc.rgbResult;
    if (id == 414) SetTextColour(12, cc.rgbResult);
    if (id == 415) SetTextColour(13, cc.rgbResult);
    // The views that show these colours repaint themselves as they come.
}

// The kinds a font menu id sets.
static int fontkindof(int id) {
    switch (id) {
    case 401: return FONT_SOURCE;
    case 402: return FONT_ASSEMBLER;
    case 403: return FONT_REGISTER;
    case 404: return FONT_MONITOR;
    case 405: return FONT_STACK;
    case 406: return FONT_COMMAND;
    case 408: return FONT_MEMORY;
    case 409: return FONT_BROWSER;
    default: return FONT_SOURCE;   // 407 "All" starts from the source font
    }
}

static void setfont(int kind, const LOGFONTA& lf, COLORREF colour) {
    WindowFont& f = fonts[kind];
    f.logfont = lf;
    f.font = CreateFontIndirectA(&lf);   // the old handle may still be selected somewhere
    f.created = true;
    f.textcolour = colour;
    if (kind == FONT_COMMAND) SetCmdWindowFont();
}

void ChooseFontCmd(int id) {
    int kind = fontkindof(id);
    LOGFONTA lf = fonts[kind].logfont;
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = hwndFrame;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS | CF_FIXEDPITCHONLY;
    cf.nFontType = SCREEN_FONTTYPE;
    cf.rgbColors = fonts[kind].textcolour;
    if (!ChooseFontA(&cf)) return;
    if (id != 407) {
        setfont(kind, lf, cf.rgbColors);
        return;
    }
    for (int k : {FONT_SOURCE, FONT_ASSEMBLER, FONT_REGISTER, FONT_MONITOR, FONT_MEMORY, FONT_STACK, FONT_COMMAND,
                  FONT_BROWSER})
        setfont(k, lf, cf.rgbColors);
}

// ---------------------------------------------------------------------------
// Drawing and the end

void Draw3DFrame(HDC dc, const RECT& rect, bool sunken) {
    HPEN dark = CreatePen(PS_SOLID, 1, RGB(0x60, 0x60, 0x60));
    HPEN light = CreatePen(PS_SOLID, 1, RGB(0xFF, 0xFF, 0xFF));
    HGDIOBJ old = SelectObject(dc, sunken ? dark : light);
    MoveToEx(dc, rect.left - 1, rect.bottom + 1, nullptr);
    LineTo(dc, rect.left - 1, rect.top - 1);
    LineTo(dc, rect.right + 1, rect.top - 1);
    SelectObject(dc, sunken ? light : dark);
    LineTo(dc, rect.right + 1, rect.bottom + 1);
    LineTo(dc, rect.left - 1, rect.bottom + 1);
    SelectObject(dc, old);
    DeleteObject(dark);
    DeleteObject(light);
}

void ShutdownGraphics() {
    if (frameflags.saveonexit) SaveColorsAndRects();
    for (WindowFont& f : fonts) {
        if (f.created && f.font) DeleteObject(f.font);
        f.font = nullptr;
        f.created = false;
    }
}

}  // namespace vy
