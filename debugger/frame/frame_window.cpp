// The frame window and the one dispatcher of the debugger's command ids:
// menu items, pop-ups, child menu bars, the ribbon and the key bindings all
// arrive here as WM_COMMAND. Most ids become a command text run through
// docmd, or a call into the module that owns the window or dialog.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstring>
#include <string>

#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/run_control.h"
#include "debugger/engine/runstate.h"
#include "debugger/frame/browse_dialogs.h"
#include "debugger/frame/frame.h"
#include "debugger/target/services.h"
#include "debugger/target/typed_values.h"
#include "debugger/views/command_window.h"
#include "debugger/views/file_browsers.h"
#include "debugger/views/symbol_window.h"

namespace vy {

FrameFlags frameflags = {
    .saveonexit = false, .loadcode = true, .execstep = true, .statusbar = false, .ribbon = false,
    .syntaxcolour = true, .coverage = 0, .coverageaddr = false, .varformat = 635, .varstandard = true,
    .varfull = true, .radix = 460,
};
int ribbonheight;
HWND hwndUnderMouse;
bool statushelpshown;


void SendFrameCommand(int id, LPARAM lparam) {
    if (hwndFrame) SendMessageA(hwndFrame, WM_COMMAND, static_cast<WPARAM>(id), lparam);
}

static HMENU framemenu() { return hwndFrame ? GetMenu(hwndFrame) : nullptr; }

static void check(int id, bool on) {
    if (HMENU menu = framemenu()) CheckMenuItem(menu, static_cast<UINT>(id), on ? MF_CHECKED : MF_UNCHECKED);
}

// Checks one id of a range and unchecks the others.
static void checkone(int first, int last, int chosen) {
    for (int id = first; id <= last; ++id) check(id, id == chosen);
}

// Renames an item of the Setup menu by position; a pop-up keeps its submenu.
static void setupcaption(int position, const char* text) {
    HMENU setup = GetSubMenu(framemenu(), MENU_SETUP);
    if (!setup) return;
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<char*>(text);
    SetMenuItemInfoA(setup, static_cast<UINT>(position), TRUE, &info);
    DrawMenuBar(hwndFrame);
}

// ---------------------------------------------------------------------------
// The command rows

// An action gets the id, the message's lParam and the row's text.
using CommandAction = LRESULT (*)(int id, LPARAM lparam, const char* text);

enum : uint8_t {
    REFUSEDRUNNING = 1,   // start, step, load, reset or exit: a beep while the target runs
};

struct FrameCommandRow {
    uint16_t first, last;
    uint8_t flags;
    CommandAction action;
    const char* text;
};

// The row's text is a command for the engine.
static LRESULT runtext(int, LPARAM, const char* text) {
    docmd(text, 1);
    return 0;
}

// The row's text names a window or dialog that comes with a later part of
// the debugger; it says so through the error output.
static LRESULT standin(int, LPARAM, const char* text) {
    dberror({text, ": not built into this debugger yet\n"});
    return 0;
}

// Ids that a library outside the debugger owns (the kernel awareness, the
// I/O-register plug-in, the Rhapsody link): without the library they do
// nothing.
static LRESULT nothing(int, LPARAM, const char*) { return 0; }

static LRESULT stop(int, LPARAM, const char*) {
    SetFocus(hwndFrame);
    StopRequest = true;
    return 0;
}

// 102 loads the file that lParam names; the dialogs of 101, 103 and 104
// come with the load dialogs.
static LRESULT load(int id, LPARAM lparam, const char*) {
    if (id != 102 || !lparam) return standin(id, lparam, "Load dialog");
    std::string command = std::string("load ") + reinterpret_cast<const char*>(lparam);
    docmd(command.c_str(), 1);
    return 0;
}

static LRESULT restart(int, LPARAM, const char*) {
    BeginWait();
    docmd("zero", 1);
    EndWait();
    return 1;
}

static LRESULT loadmode(int id, LPARAM, const char*) {
    frameflags.loadcode = id == 109;
    check(109, frameflags.loadcode);
    check(110, !frameflags.loadcode);
    setupcaption(SETUP_LOADOPTION, frameflags.loadcode ? "Load &Options (Code and Symbols)"
                                                       : "Load &Options (Symbols Only)");
    return 0;
}

static LRESULT saveconfiguration(int, LPARAM, const char*) {
    SaveLayout();
    StoreFrameRect();
    SaveColorsAndRects();
    return 0;
}

static LRESULT saveonexit(int, LPARAM, const char*) {
    frameflags.saveonexit = !frameflags.saveonexit;
    check(112, frameflags.saveonexit);
    return 0;
}

static LRESULT about(int, LPARAM, const char*) {
    DialogBoxParamA(hinst, "AboutBox", hwndFrame, AboutDlgProc, 0);
    return 0;
}

static LRESULT closeframe(int, LPARAM, const char*) {
    SendMessageA(hwndFrame, WM_CLOSE, 0, 0);
    return 0;
}

static LRESULT tochild(int id, LPARAM lparam, const char*) {
    if (HWND child = reinterpret_cast<HWND>(SendMessageA(hwndClient, WM_MDIGETACTIVE, 0, 0)))
        SendMessageA(child, WM_COMMAND, static_cast<WPARAM>(id), lparam);
    return 0;
}

static LRESULT tile(int id, LPARAM, const char*) {
    tilemode = id;
    if (id == TILE_CASCADE) SendMessageA(hwndClient, WM_MDICASCADE, 0, 0);
    if (id == TILE_HORIZONTAL) SendMessageA(hwndClient, WM_MDITILE, MDITILE_HORIZONTAL, 0);
    if (id == TILE_VERTICAL) SendMessageA(hwndClient, WM_MDITILE, MDITILE_VERTICAL, 0);
    checkone(TILE_CASCADE, TILE_FREE, id);
    return 0;
}

static LRESULT gofromreset(int, LPARAM, const char*) {
    docmd("zero /r", 1);
    docmd("go", 1);
    return 1;
}

static LRESULT runtextone(int id, LPARAM lparam, const char* text) {
    runtext(id, lparam, text);
    return 1;
}

static LRESULT animatestep(int, LPARAM, const char*) {
    Animate = true;
    if (!RunState) docmd("step", 1);
    Animate = false;
    return 0;
}

static LRESULT commandwindow(int, LPARAM, const char*) {
    ShowCmdWindow(hwndCmdFrame == nullptr);
    check(300, hwndCmdFrame != nullptr);
    return 0;
}

static LRESULT statusbar(int, LPARAM, const char*) {
    frameflags.statusbar = !frameflags.statusbar;
    check(390, frameflags.statusbar);
    ShowStatusBar(frameflags.statusbar);
    LayoutFrame(true);
    return 0;
}

static LRESULT fontchoice(int id, LPARAM, const char*) {
    ChooseFontCmd(id);
    return 0;
}

static LRESULT colourchoice(int id, LPARAM, const char*) {
    ChooseColorCmd(id);
    return 0;
}

static LRESULT executionmode(int id, LPARAM, const char*) {
    frameflags.execstep = id == 452;
    check(451, !frameflags.execstep);
    check(452, frameflags.execstep);
    setupcaption(SETUP_EXECMODE, frameflags.execstep ? "Execution &Mode (Use Step)"
                                                     : "Execution &Mode (Use Breakpoints)");
    return 0;
}

static LRESULT radixchoice(int id, LPARAM, const char*) {
    WriteSetting("Options", "DefIntFormat", radixtext(id));
    checkone(460, 463, id);
    frameflags.radix = id;
    setradix(id);   // the format that x and the views print integers in
    return 0;
}

static LRESULT variableformat(int id, LPARAM, const char*) {
    WriteSetting("Options", "VarFormat", varformattext(id));
    checkone(633, 635, id);
    frameflags.varformat = id;
    frameflags.varstandard = id != 633;
    frameflags.varfull = id == 635;
    return 0;
}

static LRESULT cmdwindowcommand(int id, LPARAM lparam, const char*) {
    CmdWindowCommand(static_cast<WPARAM>(id), lparam);
    return 0;
}

static LRESULT syntaxcolouring(int, LPARAM, const char*) {
    frameflags.syntaxcolour = !frameflags.syntaxcolour;
    check(10000, frameflags.syntaxcolour);
    return 0;
}

// The "Code Coverage" pop-up of Show > Source Information.
static void checkcoveragepopup(bool on) {
    HMENU show = GetSubMenu(framemenu(), MENU_SHOW);
    HMENU info = show ? GetSubMenu(show, 8) : nullptr;
    if (info) CheckMenuItem(info, 1, MF_BYPOSITION | (on ? MF_CHECKED : MF_UNCHECKED));
}

static LRESULT coveragedisplay(int id, LPARAM, const char*) {
    frameflags.coverageaddr = id == 10014;
    frameflags.coverage = id >= 10010 && id <= 10012 ? id : 0;
    checkone(10010, 10014, id);
    if (id == 10014) check(10013, true);
    checkcoveragepopup(frameflags.coverage != 0);
    return 0;
}

// The help files, through the one call that tests can do without.
static LRESULT help(int id, LPARAM, const char*) {
    const char* file = id == 13001 ? "VYRUSE.HLP" : id == 13002 ? "CHELP.HLP" : "CLIB.HLP";
    helpcall(hwndFrame, file, HELP_CONTENTS, 0);
    return 0;
}

// The browsers: selection dialogs, file and function lists, symbols.
static LRESULT filedialog(int, LPARAM, const char*) {
    BrowseFileDialog();
    return 0;
}

static LRESULT functiondialog(int, LPARAM, const char*) {
    BrowseFunctionDialog();
    return 0;
}

static LRESULT filebrowser(int, LPARAM, const char*) {
    FileBrowser();
    return 0;
}

static LRESULT functionbrowser(int, LPARAM, const char*) {
    FunctionBrowser(nullptr, 1);
    return 0;
}

static LRESULT symbolbrowser(int, LPARAM, const char*) {
    SymbolBrowserDialog();
    return 0;
}

static LRESULT symbolslist(int id, LPARAM, const char*) {
    BrowseSymbols(id);
    return 0;
}

// Every command id of the debugger, in the order of the design's table.
static const FrameCommandRow commandrows[] = {
    {1,     1,     0,              stop,              nullptr},
    {101,   104,   REFUSEDRUNNING, load,              nullptr},
    {107,   107,   REFUSEDRUNNING, restart,           nullptr},
    {109,   110,   REFUSEDRUNNING, loadmode,          nullptr},
    {111,   111,   0,              saveconfiguration, nullptr},
    {112,   112,   0,              saveonexit,        nullptr},
    {113,   113,   0,              about,             nullptr},
    {117,   117,   REFUSEDRUNNING, closeframe,        nullptr},
    {118,   121,   0,              tochild,           nullptr},
    {126,   126,   0,              standin,           "Text search"},
    {130,   130,   0,              standin,           "Application map"},
    {131,   134,   0,              standin,           "Sessions and layouts"},
    {145,   145,   0,              closeframe,        nullptr},
    {146,   146,   REFUSEDRUNNING, standin,           "Segment reload"},
    {180,   184,   REFUSEDRUNNING, standin,           "Recent files"},
    {190,   193,   0,              tile,              nullptr},
    {201,   201,   REFUSEDRUNNING, runtext,           "go"},
    {202,   202,   REFUSEDRUNNING, standin,           "Step-to dialog"},
    {203,   203,   REFUSEDRUNNING, runtext,           "step"},
    {204,   204,   REFUSEDRUNNING, runtext,           "istep"},
    {205,   205,   REFUSEDRUNNING, runtext,           "ostep"},
    {206,   206,   REFUSEDRUNNING, standin,           "Step-to dialog"},
    {207,   207,   REFUSEDRUNNING, runtextone,        "go"},
    {208,   208,   REFUSEDRUNNING, gofromreset,       nullptr},
    {209,   209,   REFUSEDRUNNING, runtextone,        "zero /r"},
    {210,   210,   0,              animatestep,       nullptr},
    {211,   211,   REFUSEDRUNNING, runtext,           "mstep"},
    {212,   213,   REFUSEDRUNNING, standin,           "Step-to dialog"},
    {220,   227,   0,              standin,           "Interrupt simulation"},
    {300,   300,   0,              commandwindow,     nullptr},
    {310,   310,   0,              standin,           "Register window"},
    {320,   320,   0,              standin,           "Disassembly window"},
    {330,   330,   0,              standin,           "Stack window"},
    {340,   340,   0,              standin,           "Monitors window"},
    {360,   360,   0,              standin,           "Memory windows"},
    {382,   384,   0,              standin,           "Variables window"},
    {390,   390,   0,              statusbar,         nullptr},
    {392,   392,   0,              standin,           "Button ribbon"},
    {401,   409,   0,              fontchoice,        nullptr},
    {411,   426,   0,              colourchoice,      nullptr},
    {440,   440,   0,              standin,           "Source path editor"},
    {451,   452,   0,              executionmode,     nullptr},
    {460,   463,   0,              radixchoice,       nullptr},
    {620,   620,   0,              filedialog,        nullptr},
    {621,   621,   0,              standin,           "Events browser"},
    {622,   622,   0,              functiondialog,    nullptr},
    {625,   626,   0,              standin,           "Browsers"},
    {630,   632,   0,              standin,           "Variables browser"},
    {633,   635,   0,              variableformat,    nullptr},
    {640,   640,   0,              filebrowser,       nullptr},
    {650,   650,   0,              functionbrowser,   nullptr},
    {660,   661,   0,              standin,           "Cross references"},
    {670,   670,   0,              symbolbrowser,     nullptr},
    {671,   672,   0,              symbolslist,       nullptr},
    {703,   703,   0,              standin,           "Expression pop-ups"},
    {804,   807,   0,              standin,           "Event editor"},
    {810,   812,   0,              standin,           "Alarms"},
    {1001,  1002,  0,              standin,           "Performance analysis"},
    {1010,  1012,  0,              standin,           "Performance analysis"},
    {1014,  1014,  0,              standin,           "Chronology"},
    {1020,  1022,  0,              standin,           "Source trace"},
    {1024,  1033,  0,              standin,           "Source trace"},
    {1100,  1100,  0,              cmdwindowcommand,  nullptr},
    {1301,  1307,  0,              standin,           "Utilities"},
    {1310,  1310,  0,              standin,           "Key bindings"},
    {1400,  1405,  0,              standin,           "Code coverage"},
    {1410,  1412,  0,              standin,           "Variable usage"},
    {1501,  1501,  0,              nothing,           nullptr},
    {8000,  8005,  0,              standin,           "Code coverage reports"},
    {8050,  8050,  0,              standin,           "Code coverage reports"},
    {8010,  8012,  0,              standin,           "Chronology reports"},
    {8020,  8024,  0,              standin,           "Performance reports"},
    {8030,  8035,  0,              standin,           "Cross reference reports"},
    {8041,  8043,  0,              standin,           "Variable usage reports"},
    {8600,  8600,  0,              nothing,           nullptr},
    {10000, 10000, 0,              syntaxcolouring,   nullptr},
    {10010, 10014, 0,              coveragedisplay,   nullptr},
    {13001, 13003, 0,              help,              nullptr},
    {13005, 13005, 0,              nothing,           nullptr},
    {14000, 14000, 0,              standin,           "Web page link"},
};

// The ranges that belong to libraries outside the debugger, tested on the
// whole wParam (a notification code in the high word fails them).
static bool outsiderange(WPARAM wparam) {
    return (wparam >= 9000 && wparam < 9100) || (wparam >= 9100 && wparam < 9200) || wparam == 9200 ||
           wparam == 9201;
}

}  // namespace vy

using namespace vy;

LRESULT vy::FrameCommand(UINT message, HWND window, WPARAM wparam, LPARAM lparam) {
    if (outsiderange(wparam)) return nothing(static_cast<int>(wparam), lparam, nullptr);
    int id = LOWORD(wparam);
    for (const FrameCommandRow& row : commandrows) {
        if (id < row.first || id > row.last) continue;
        if ((row.flags & REFUSEDRUNNING) && RunState) {
            ErrorBeep();
            return 0;
        }
        LRESULT result = row.action(id, lparam, row.text);
        // The tiling commands also reach the default processing.
        if (id >= TILE_CASCADE && id <= TILE_FREE) DefFrameProcA(window, hwndClient, message, wparam, lparam);
        return result;
    }
    return DefFrameProcA(window, hwndClient, message, wparam, lparam);
}

LRESULT CALLBACK vy::FrameWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: {
        CLIENTCREATESTRUCT ccs{};
        ccs.hWindowMenu = GetSubMenu(GetMenu(window), MENU_WINDOWS);
        ccs.idFirstChild = 30000;
        hwndClient = CreateWindowA("MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_BORDER | WS_VSCROLL |
                                       WS_HSCROLL, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   window, nullptr, hinst, &ccs);
        if (!hwndClient) return -1;
        ShowWindow(hwndClient, SW_SHOW);
        return 0;
    }
    case WM_DESTROY:
        if (RunState) return 0;
        StoreFrameRect();
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        if (LOWORD(lparam) != 0 || HIWORD(lparam) != 0) {
            LayoutFrame(true);
            return 0;
        }
        break;
    case WM_ACTIVATE:
        if (RunState) BeginWait();
        else EndWait();
        break;
    case WM_CLOSE: {
        SaveLayout();
        StoreFrameRect();
        std::string endfile = ReadSetting("OPTIONS", "ENDFILE", "");
        if (!endfile.empty()) docmdfile(endfile.c_str());
        hwndFrame = nullptr;   // ends the message loop
        break;
    }
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == 12000 || wparam == 12000) {
            about(113, 0, nullptr);
            return 0;
        }
        if ((wparam & 0xFFF0) == SC_CLOSE) {
            if (RunState) return 0;
            std::string endfile = ReadSetting("OPTIONS", "ENDFILE", "");
            if (!endfile.empty()) docmdfile(endfile.c_str());
        }
        break;
    case WM_SETCURSOR:
        hwndUnderMouse = reinterpret_cast<HWND>(wparam);
        if (statushelpshown) {
            ::LeftStatus(" Command ");
            statushelpshown = false;
        }
        if (RunState && (LOWORD(lparam) == HTCLIENT || LOWORD(lparam) == HTCAPTION)) {
            SetCursor(LoadCursor(nullptr, IDC_WAIT));
            return 1;
        }
        break;
    case WM_COMMAND:
        return FrameCommand(message, window, wparam, lparam);
    case WM_KEYDOWN:
        if (wparam >= VK_F1 && wparam <= VK_F12) return 0;   // the key bindings' dispatcher
        if (hwndUnderMouse && hwndUnderMouse != window) SendMessageA(hwndUnderMouse, WM_KEYDOWN, wparam, lparam);
        return 0;
    case WM_CHAR:
        if (!hwndUnderMouse || hwndUnderMouse == window) ErrorBeep();
        else SendMessageA(hwndUnderMouse, VWM_CHAR, wparam, lparam);
        return 0;
    case WM_MENUSELECT:
        MenuSelectHelp(window, wparam, lparam);
        break;
    case FWM_HELP:
        return 0;   // context help has nothing to show
    }
    return DefFrameProcA(window, hwndClient, message, wparam, lparam);
}
