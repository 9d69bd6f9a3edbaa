// The Windows debugger's life: it is brought up in a fixed order, runs the
// one message loop and is torn down in a fixed order when the loop ends.
// WinMain (vyrdbg_main.cpp) calls these; the in-process window tests call
// them too, so that one test program holds the whole frame.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/engine.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/sink.h"
#include "debugger/frame/dialog_controls.h"
#include "debugger/frame/frame.h"
#include "debugger/frame/host_windows.h"
#include "debugger/frame/startup_options.h"
#include "debugger/target/memory.h"
#include "debugger/views/command_window.h"
#include "debugger/views/file_browsers.h"
#include "debugger/views/list_window.h"
#include "debugger/views/symbol_window.h"

namespace vy {

HINSTANCE hinst;
int showcommand;
HWND hwndFrame;
HWND hwndClient;
int tilemode = TILE_CASCADE;
HMENU popupmenus[POP_COUNT];
HMENU tracemenu;
bool tempfilecreated;

static bool ntfamily;
static HACCEL accelerators;
static HHOOK filterhook;

// The about box's texts, built at start-up from build constants.
static std::string kernelline, processorline;
static constexpr const char* KERNELVERSION = "1.0";
static constexpr const char* PROCESSORVERSION = "68HC11 1.0";
static constexpr const char* BUILDDATE = __DATE__;
static constexpr const char* PRODUCTLINE = "Vyr 68HC11 Debugger";
static constexpr const char* NOTICELINE = "Copyright (C) the vyr11 developers";
static constexpr const char* FORMATNAME = "Talvex Format";

// The engine's services with the frame's message texts: the program's
// string table.
class FrameServices : public EngineServices {
public:
    const char* msgtext(int id) override { return winmsgtext(id); }
};
static FrameServices frameservices;

// ---------------------------------------------------------------------------
// Window classes

static bool registerclass(const char* name, WNDPROC procedure, UINT style, const char* menu, HICON icon,
                          HBRUSH background, int extra) {
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = procedure;
    wc.cbWndExtra = extra;
    wc.hInstance = hinst;
    wc.hIcon = icon;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszMenuName = menu;
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

static bool registerframe() {
    return registerclass("VYR", FrameWndProc, CS_DBLCLKS, "MDIVYRMENU", LoadIconA(hinst, "AAAIcon"),
                         static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), 0);
}

static bool registerdebugwin() {
    return registerclass("DEBUGWIN", FrameWndProc, CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, nullptr,
                         nullptr, nullptr, 0);
}

static bool registershadow() {
    return registerclass("SHADOW", DefWindowProcA, 0, nullptr, nullptr,
                         static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)), 0);
}

// The classes in the order they are registered, with the word that names
// each in the failure message. The views' classes join as they are built.
struct ClassRegistration {
    const char* word;
    bool (*registration)();
};
static const ClassRegistration registrations[] = {
    {"VYR",         registerframe},
    {"HOST",        RegisterHostClasses},
    {"HOSTMENU",    RegisterChildMenuClass},
    {"DEBUGWIN",    registerdebugwin},
    {"SHADOW",      registershadow},
    {"COMMAND",     RegisterCmdClasses},
    {"LIST",        RegisterListClass},
    {"DISABLEDBOX", [] { return RegisterDisabledBox() != 0; }},
    {"GROUP3D",     [] { return RegisterGroup3D() != 0; }},
    {"GENEDIT",     [] { return RegisterGenEdit() != 0; }},
    {"HEXEDIT",     [] { return RegisterHexEdit() != 0; }},
    {"READEDIT",    [] { return RegisterReadEdit() != 0; }},
    {"MASKEDIT",    [] { return RegisterMaskEdit() != 0; }},
    {"NUMEDIT",     [] { return RegisterNumEdit() != 0; }},
    {"TEXT3D",      [] { return RegisterText3D() != 0; }},
    {"SYMBOL",      RegisterSymbolClass},
    {"GAUGE",       [] { return RegisterGauge() != 0; }},
};

static void unregisterclasses() {
    UnregisterClassA("VYR", hinst);
    UnregisterChildMenuClass();
    UnregisterHostClasses();
    UnregisterText3D();
    UnregisterGroup3D();
    UnregisterGenEdit();
    UnregisterHexEdit();
    UnregisterReadEdit();
    UnregisterMaskEdit();
    UnregisterNumEdit();
    UnregisterDisabledBox();
    UnregisterSymbolClass();
    UnregisterGauge();
    UnregisterClassA("DEBUGWIN", hinst);
    UnregisterClassA("SHADOW", hinst);
    UnregisterListClass();
    UnregisterCmdClasses();
}

// ---------------------------------------------------------------------------
// Start-up pieces

// The pop-up menus of the views, each the first submenu of its resource.
static const char* const popupnames[POP_COUNT] = {
    "MONPOPUP", "BKPTPOPUP", "CLINEPOPUP", "FUNCPOPUP", "FMTPOPUP", "MINFMTPOPUP", "VARPOPUP", "ASMPOPUP", "LBLPOPUP",
};

static void loadpopupmenus() {
    for (int i = 0; i < POP_COUNT; ++i) {
        HMENU menu = LoadMenuA(hinst, popupnames[i]);
        popupmenus[i] = menu ? GetSubMenu(menu, 0) : nullptr;
        if (menu) RemoveMenu(menu, 0, MF_BYPOSITION);   // keep the submenu alone
        if (menu) DestroyMenu(menu);
    }
    tracemenu = LoadMenuA(hinst, "CTRACEMNU");
}

static void destroypopupmenus() {
    for (HMENU& menu : popupmenus) {
        if (menu) DestroyMenu(menu);
        menu = nullptr;
    }
    if (tracemenu) DestroyMenu(tracemenu);
    tracemenu = nullptr;
}

// Waits until the clock's seconds have advanced by two, the least time the
// splash window stays up; no message is handled meanwhile.
static void splashwait(std::time_t shown) {
    while (std::time(nullptr) < shown + 2) Sleep(50);
}

// Every message already queued, before the saved windows open.
static void dispatchqueued() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!TranslateMDISysAccel(hwndClient, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

// F1 in a dialog or a menu asks for help; a mouse move along a child menu
// bar while one of its pop-ups is open switches to the neighbouring pop-up.
static LRESULT CALLBACK MsgFilterHook(int code, WPARAM wparam, LPARAM lparam) {
    MSG* msg = reinterpret_cast<MSG*>(lparam);
    if ((code == MSGF_DIALOGBOX || code == MSGF_MENU) && msg->message == WM_KEYDOWN && msg->wParam == VK_F1)
        PostMessageA(hwndFrame, FWM_HELP, static_cast<WPARAM>(code), 0);
    if (code == MSGF_MENU && msg->message == WM_MOUSEMOVE) {
        HWND bar = nullptr;
        POINT point{};
        if (ChildMenuSlide(msg, bar, point)) {
            LRESULT result = CallNextHookEx(filterhook, code, wparam, lparam);
            ChildMenuSwitch(bar, point);
            return result;
        }
    }
    return CallNextHookEx(filterhook, code, wparam, lparam);
}

// "-s NAME": the session is restored at once; any other option is refused.
static std::string ParseCommandOptions(const char* text) {
    StartupOptions options = parsecommandline(text);
    if (options.illegal) {
        dberror({"Illegal Option: ", text});
        return "";
    }
    if (!options.session.empty()) docmd(options.session.c_str(), 1);
    return options.rest;
}

}  // namespace vy

using namespace vy;

INT_PTR CALLBACK vy::AboutDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    static HBRUSH grey;
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, 144, NOTICELINE);
        SetDlgItemTextA(dialog, 141, kernelline.c_str());
        SetDlgItemTextA(dialog, 142, processorline.c_str());
        SetDlgItemTextA(dialog, 115, PRODUCTLINE);
        SetDlgItemTextA(dialog, 116, FORMATNAME);
        grey = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
        SetBkColor(reinterpret_cast<HDC>(wparam), RGB(192, 192, 192));
        return reinterpret_cast<INT_PTR>(grey);
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

bool vy::StartDebugger(HINSTANCE instance, const char* commandline, int show) {
    // 1-3: the system, the tiling mode and the about box's texts.
    ntfamily = (GetVersion() & 0x80000000u) == 0;
    hinst = instance;
    showcommand = show;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    tilemode = tilefromtext(ReadSetting("Options", "Tile", "Cascade"));
    kernelline = std::string("Kernel: ") + KERNELVERSION + " (" + BUILDDATE + " - " +
                 std::to_string(sizeof(void*) * 8) + " bits" + ")";
    processorline = std::string("Processor: ") + PROCESSORVERSION + " (" + BUILDDATE + ")";

    // 4: an invisible window until the frame's messages are all handled.
    HWND hidden = CreateWindowA("EDIT", "", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);

    // 5: the target model, the engine, fonts, colours and the frame's place.
    meminit();
    engineinit();
    setservices(&frameservices);
    LoadFontsAndColors();

    // 6-7: window classes, then the frame with its MDI client and status bar.
    for (const ClassRegistration& r : registrations)
        if (!r.registration()) {
            dberror({"Can't Register ", r.word, " Class "});
            return false;
        }
    if (!CreateFrameWindow()) return false;

    // 8-9: tiling, variable format and load mode.
    SendFrameCommand(tilemode);
    if (int command = varformatcommand(ReadSetting("Options", "VarFormat", "YES"))) SendFrameCommand(command);
    const char* symbolsonly = ReadSetting("Options", "LOAD_SYMB_ONLY", "N");
    if (symbolsonly[0] == 'y' || symbolsonly[0] == 'Y') SendFrameCommand(110);

    // 10-14: the splash time, the source path, the pop-up menus.
    std::time_t shown = std::time(nullptr);
    splashwait(shown);
    SourcePath = ReadSetting("Options", "Path", "");
    loadpopupmenus();
    CacheMenuHandles();
    if (hidden) DestroyWindow(hidden);

    // 15-17: queued messages, the saved windows, the integer format.
    dispatchqueued();
    RestoreSavedWindows();
    SendFrameCommand(radixcommand(ReadSetting("Options", "DefIntFormat", "D")));

    // 18-22: accelerators, the message filter, the status line, AUTOCMD.
    accelerators = LoadAcceleratorsA(instance, "VYRACCEL");
    filterhook = SetWindowsHookExA(WH_MSGFILTER, MsgFilterHook, nullptr, GetCurrentThreadId());
    ::LeftStatus("Command");
    const char* autocmd = ReadSetting("OPTIONS", "AUTOCMD", "NO");
    AutoCmd = autocmd[0] == 'y' || autocmd[0] == 'Y';

    // 23-25: the command line, the start-up command file, the target.
    std::string rest = commandline ? commandline : "";
    std::size_t first = rest.find_first_not_of(" \t");
    if (first != std::string::npos && rest[first] == '-') rest = ParseCommandOptions(rest.c_str() + first);
    else rest = parsecommandline(rest.c_str()).rest;
    static std::string loadname;   // lives until the load handler has run
    loadname = rest;
    if (!loadname.empty() && hwndFrame)
        PostMessageA(hwndFrame, WM_COMMAND, 102, reinterpret_cast<LPARAM>(loadname.c_str()));
    std::string startfile = ReadSetting("OPTIONS", "STARTFILE", "");
    if (!startfile.empty() && hwndFrame) docmdfile(startfile.c_str());
    CmdWindowPrompt();   // what the session and the start file printed is followed by the prompt
    tgtready();
    return true;
}

void vy::DispatchFrameMessage(MSG& msg) {
    WinSetFakeIo();
    // No run or loop of the language is in progress between messages:
    // a stop asked for while idle must not end the next one.
    StopRequest = false;
    if (TranslateMDISysAccel(hwndClient, &msg)) return;
    if (hwndFrame && accelerators && TranslateAcceleratorA(hwndFrame, accelerators, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

int vy::RunMessageLoop() {
    // 26: the message loop; the capture is reset before every message.
    MSG msg{};
    int status = 0;
    while (hwndFrame) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            status = got == 0 ? static_cast<int>(msg.wParam) : 0;
            break;
        }
        DispatchFrameMessage(msg);
    }
    // The frame cleared its handle while closing; its quit message follows.
    if (!hwndFrame) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message == WM_QUIT) {
                status = static_cast<int>(msg.wParam);
                break;
            } else {
                DispatchMessageA(&msg);
            }
    }
    return status;
}

void vy::ShutDebugger() {
    // Shut-down: no late output reaches a window from here on.
    redirclose();
    hwndFrame = nullptr;
    hwndCmdFrame = nullptr;
    hwndCmdEdit = nullptr;
    if (filterhook) UnhookWindowsHookEx(filterhook);
    filterhook = nullptr;
    unregisterclasses();
    destroypopupmenus();
    ShutdownGraphics();
    memclose();
    engineclose();
    if (tempfilecreated) DeleteFileA(SPOOLFILE);
}
