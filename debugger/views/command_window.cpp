#include "debugger/views/command_window.h"

#include <windows.h>
// after windows.h
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/runstate.h"
#include "debugger/frame/frame.h"
#include "debugger/frame/host_windows.h"
#include "debugger/views/command_history.h"

namespace vy {

HWND hwndCmdFrame;
HWND hwndCmdEdit;

static HMENU cmdmenu;
static WNDPROC editbase;    // the window procedure of the system's EDIT class
static HWND cmdhost;
static int column;          // where the typed line begins is column 4
static uint32_t charcount;  // characters appended since the control was emptied
static bool busy;           // a typed command is running
// A command asks the user for a line: the next Enter hands the typed line
// to it instead of running it.
static struct {
    bool waiting, given;
    std::string line;
} userline;
static CommandHistory history;

constexpr int CMDID = 1100;
constexpr int PROMPTLENGTH = 4;

// ---------------------------------------------------------------------------
// Appending text

static LRESULT base(UINT message, WPARAM wparam, LPARAM lparam) {
    return CallWindowProcA(editbase, hwndCmdEdit, message, wparam, lparam);
}

static void caretatend() {
    int length = GetWindowTextLengthA(hwndCmdEdit);
    SendMessageA(hwndCmdEdit, EM_SETSEL, static_cast<WPARAM>(length), length);
}

static void insert(const char* text) { SendMessageA(hwndCmdEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text)); }

// The text of the control's last line as it stands, whatever its length.
static std::string lastlinetext() {
    LRESULT last = SendMessageA(hwndCmdEdit, EM_GETLINECOUNT, 0, 0) - 1;
    LRESULT start = SendMessageA(hwndCmdEdit, EM_LINEINDEX, static_cast<WPARAM>(last), 0);
    LRESULT length = SendMessageA(hwndCmdEdit, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    if (last < 0 || start < 0 || length <= 0) return {};
    length = std::min<LRESULT>(length, 0xFFFF);
    std::string text(static_cast<std::size_t>(length) + sizeof(WORD), '\0');
    *reinterpret_cast<WORD*>(text.data()) = static_cast<WORD>(length);
    LRESULT n =
        SendMessageA(hwndCmdEdit, EM_GETLINE, static_cast<WPARAM>(last), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(n < 0 ? 0 : std::min(n, length)));
    return text;
}

// One piece of output, and with `newline` the end of its line. A control
// that holds more than the limit is emptied before the line ends; the part
// of the line already shown (output comes in pieces) goes in again first, so
// the line stays whole.
static void appendpiece(const std::string& piece, bool newline) {
    if (newline && charcount >= static_cast<uint32_t>(CMDTEXTLIMIT) + 1) {
        std::string begun = lastlinetext();
        SendMessageA(hwndCmdEdit, EM_SETSEL, 0, -1);
        insert("");
        charcount = 0;
        if (!begun.empty()) {
            insert(begun.c_str());
            charcount = static_cast<uint32_t>(begun.size());
        }
    }
    caretatend();
    insert(piece.c_str());
    charcount += static_cast<uint32_t>(piece.size());
    if (newline) base(WM_CHAR, '\r', 0);
}

void CmdWindowOutput(const char* text) {
    if (!hwndCmdEdit) return;
    // One output line at a time through a 1024-byte line buffer; a longer
    // line goes in pieces.
    std::string line;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') {
            appendpiece(line, true);
            line.clear();
        } else if (*p != '\r') {
            line += *p;
            if (line.size() == 1023) {
                appendpiece(line, false);
                line.clear();
            }
        }
    }
    if (!line.empty()) appendpiece(line, false);
}

// The prompt begins a line: output left without a line end is ended first,
// so what is typed next is not read as part of it. A prompt that stands
// with nothing after it (a line typed and run while a run went on wrote it)
// is not written again.
static void writeprompt() {
    std::string last = lastlinetext();
    if (last != PROMPT) {
        if (!last.empty()) appendpiece("", true);
        caretatend();
        insert(PROMPT);
        charcount += PROMPTLENGTH;
    }
    caretatend();
    column = PROMPTLENGTH;
}

// ---------------------------------------------------------------------------
// Typing

// Replaces the line being typed with the prompt and a history entry.
static void showentry(const std::string* entry) {
    if (!entry) return;
    LRESULT start = SendMessageA(hwndCmdEdit, EM_LINEINDEX, static_cast<WPARAM>(-1), 0);
    SendMessageA(hwndCmdEdit, EM_SETSEL, static_cast<WPARAM>(start), GetWindowTextLengthA(hwndCmdEdit));
    insert((std::string(PROMPT) + *entry).c_str());
    column = static_cast<int>(entry->size()) + PROMPTLENGTH;
}

// The last line of the control without a leading prompt.
static std::string typedline() {
    LRESULT last = SendMessageA(hwndCmdEdit, EM_GETLINECOUNT, 0, 0) - 1;
    char buffer[1024];
    *reinterpret_cast<WORD*>(buffer) = 1022;
    LRESULT n = SendMessageA(hwndCmdEdit, EM_GETLINE, static_cast<WPARAM>(last), reinterpret_cast<LPARAM>(buffer));
    std::string line(buffer, static_cast<std::size_t>(n < 0 ? 0 : n));
    if (line.compare(0, PROMPTLENGTH, PROMPT) == 0) line.erase(0, PROMPTLENGTH);
    return line;
}

static void enter(bool typed) {
    std::string line = typedline();
    caretatend();
    base(WM_CHAR, '\r', 0);
    if (!typed) return;
    if (userline.waiting) {
        userline = {false, true, line};
        return;
    }
    if (!line.empty()) {
        busy = true;
        doblock(line.c_str(), 1);
        history.add(line);
        busy = false;
    }
    if (!hwndCmdEdit) return;   // the command closed the window
    if (cmdhost) SendMessageA(hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(cmdhost), 0);
    SetFocus(hwndCmdEdit);
    writeprompt();
}

static LRESULT character(UINT message, WPARAM wparam, LPARAM lparam) {
    if (wparam == '\b') {
        if (column == PROMPTLENGTH) {
            ErrorBeep();
            return 0;
        }
        --column;
    } else if (wparam == '\r') {
        enter(message == WM_CHAR);
        return 0;
    } else {
        ++column;
    }
    return base(WM_CHAR, wparam, lparam);
}

static LRESULT CALLBACK CmdEditProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return 0;   // the mouse never moves the caret
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (wparam >= VK_F1 && wparam <= VK_F12) return 0;   // the key bindings' dispatcher
        switch (wparam) {
        case VK_PRIOR:
        case VK_NEXT:
        case VK_END:
        case VK_HOME:
            ErrorBeep();
            return 0;
        case VK_UP:
            if (message == WM_KEYDOWN) showentry(history.older());
            return 0;
        case VK_DOWN:
            if (message == WM_KEYDOWN) showentry(history.newer());
            return 0;
        case VK_LEFT:
            if (message == WM_KEYUP) break;
            if (column == PROMPTLENGTH) {
                ErrorBeep();
                return 0;
            }
            --column;
            break;
        case VK_RIGHT:
            if (message == WM_KEYDOWN) ++column;
            break;
        }
        break;
    case WM_CHAR:
    case VWM_CHAR:
        return character(message, wparam, lparam);
    }
    return CallWindowProcA(editbase, edit, message, wparam, lparam);
}

// ---------------------------------------------------------------------------
// The frame below the menu bar

// The edit control's text memory, when it runs out: a fresh empty block of
// the same size (at least 512 bytes); the visible text is cleared.
static void renewtextmemory() {
    HLOCAL old = reinterpret_cast<HLOCAL>(SendMessageA(hwndCmdEdit, EM_GETHANDLE, 0, 0));
    SIZE_T size = old ? LocalSize(old) : 0;
    if (size < 512) size = 512;
    HLOCAL fresh = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, size);
    if (!fresh) {
        SetWindowTextA(hwndCmdEdit, "");
    } else {
        SendMessageA(hwndCmdEdit, EM_SETHANDLE, reinterpret_cast<WPARAM>(fresh), 0);
        if (old) LocalFree(old);
    }
    charcount = 0;
}

// "File Input" runs a command file, "File Output" starts redirection; the
// directory and name chosen are kept in section CommandFile.
static void commandfiledialog(bool input) {
    const char* dirkey = input ? "InDir" : "OutDir";
    const char* filekey = input ? "InFile" : "OutFile";
    std::string directory = ReadSetting("CommandFile", input ? "InDir" : "Outdir", "");
    if (!directory.empty() && directory.back() != '\\') directory += '\\';
    char name[MAX_PATH] = "";
    std::strncpy(name, ReadSetting("CommandFile", filekey, ""), sizeof name - 1);
    OPENFILENAMEA of{};
    of.lStructSize = sizeof of;
    of.hwndOwner = hwndFrame;
    of.lpstrFilter = input ? "Command Files(*.in)\0*.in\0All Files(*.*)\0*.*\0"
                           : "Output Files(*.out)\0*.out\0All Files(*.*)\0*.*\0";
    of.nFilterIndex = 1;
    of.lpstrFile = name;
    of.nMaxFile = sizeof name;
    of.lpstrInitialDir = directory.empty() ? nullptr : directory.c_str();
    of.lpstrTitle = input ? "Command Input" : "Command Output";
    of.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&of)) return;
    if (input) docmdfile(name);
    else setoutput(name, false);
    std::string path = name;
    std::size_t cut = path.find_last_of(":\\");
    WriteSetting("CommandFile", filekey, cut == std::string::npos ? path.c_str() : path.substr(cut + 1).c_str());
    WriteSetting("CommandFile", dirkey, cut == std::string::npos ? "" : path.substr(0, cut).c_str());
}

static LRESULT CALLBACK CmdFrameProc(HWND frame, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_KEYDOWN:
        if (wparam >= VK_F1 && wparam <= VK_F12) return 0;   // the key bindings' dispatcher
        break;
    case WM_CHAR:
        if (hwndCmdEdit) {
            SetFocus(hwndCmdEdit);
            SendMessageA(hwndCmdEdit, WM_CHAR, wparam, lparam);
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wparam) == 139 || LOWORD(wparam) == 140) {
            commandfiledialog(LOWORD(wparam) == 139);
            return 0;
        }
        if (HIWORD(wparam) == EN_ERRSPACE && reinterpret_cast<HWND>(lparam) == hwndCmdEdit) {
            renewtextmemory();
            return 0;
        }
        break;
    case WM_CTLCOLOREDIT:
        SetTextColor(reinterpret_cast<HDC>(wparam), fonts[FONT_COMMAND].textcolour);
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_WINDOWPOSCHANGED:
        if (hwndCmdEdit) {
            RECT client;
            GetClientRect(frame, &client);
            MoveWindow(hwndCmdEdit, 0, 0, client.right, client.bottom, TRUE);
        }
        break;
    case WM_DESTROY: {
        if (hwndCmdEdit) DestroyWindow(hwndCmdEdit);
        hwndCmdEdit = nullptr;
        RECT r, client;
        if (cmdhost && GetWindowRect(cmdhost, &r) && GetWindowRect(hwndClient, &client))
            viewrects[RECT_COMMAND] = {r.left - client.left, r.top - client.top, r.right - client.left,
                                       r.bottom - client.top};
        MDIUpdate();
        hwndCmdFrame = nullptr;
        cmdhost = nullptr;
        if (hwndFrame) CheckMenuItem(GetMenu(hwndFrame), 300, MF_UNCHECKED);
        break;
    }
    }
    return DefWindowProcA(frame, message, wparam, lparam);
}

// ---------------------------------------------------------------------------
// Opening and closing

bool RegisterCmdClasses() {
    cmdmenu = LoadMenuA(hinst, "CMD_MENU");
    WNDCLASSA frame{};
    frame.style = CS_DBLCLKS;
    frame.lpfnWndProc = CmdFrameProc;
    frame.hInstance = hinst;
    frame.hIcon = LoadIconA(hinst, "CMDIcon");
    frame.hCursor = LoadCursor(nullptr, IDC_ARROW);
    frame.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    frame.lpszClassName = "MAINCMD";
    if (!cmdmenu || !RegisterClassA(&frame)) return false;
    WNDCLASSA edit{};
    if (!GetClassInfoA(nullptr, "EDIT", &edit)) return false;
    editbase = edit.lpfnWndProc;
    edit.lpfnWndProc = CmdEditProc;
    edit.hInstance = hinst;
    edit.lpszClassName = "WINCMD";
    return RegisterClassA(&edit) != 0;
}

void UnregisterCmdClasses() {
    if (cmdmenu) DestroyMenu(cmdmenu);
    cmdmenu = nullptr;
    UnregisterClassA("WINCMD", hinst);
    UnregisterClassA("MAINCMD", hinst);
}

HWND ShowCmdWindow(bool show) {
    if (!show) {
        if (cmdhost) SendMessageA(hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(cmdhost), 0);
        hwndCmdFrame = nullptr;
        hwndCmdEdit = nullptr;
        cmdhost = nullptr;
        return nullptr;
    }
    if (hwndCmdFrame) return hwndCmdFrame;
    MDICREATESTRUCTA mc{};
    mc.szClass = "CMDHOST";
    mc.szTitle = "Command";
    mc.hOwner = hinst;
    mc.x = mc.y = mc.cx = mc.cy = CW_USEDEFAULT;
    if (tilemode == TILE_FREE) {
        const WindowRect& r = viewrects[RECT_COMMAND];
        mc.x = r.left;
        mc.y = r.top;
        mc.cx = rectspan(r.left, r.right);
        mc.cy = rectspan(r.top, r.bottom);
    }
    cmdhost = reinterpret_cast<HWND>(SendMessageA(hwndClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
    if (!cmdhost) return nullptr;
    RECT client;
    GetClientRect(cmdhost, &client);
    int bar = childmenuheight();
    hwndCmdFrame = CreateWindowA("MAINCMD", "", WS_CHILD | WS_BORDER | WS_VISIBLE, 0, bar, client.right,
                                 client.bottom - bar, cmdhost, reinterpret_cast<HMENU>(static_cast<INT_PTR>(CMDID)),
                                 hinst, nullptr);
    HWND menubar = hwndCmdFrame ? AttachChildMenu(cmdhost, cmdmenu) : nullptr;
    if (!hwndCmdFrame || !menubar) {
        ShowCmdWindow(false);
        return nullptr;
    }
    sethostwindows(cmdhost, menubar, hwndCmdFrame);
    RECT inside;
    GetClientRect(hwndCmdFrame, &inside);
    hwndCmdEdit = CreateWindowA("WINCMD", "", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE |
                                    ES_AUTOHSCROLL | ES_AUTOVSCROLL, 0, 0, inside.right, inside.bottom,
                                hwndCmdFrame, reinterpret_cast<HMENU>(static_cast<INT_PTR>(CMDID)), hinst, nullptr);
    if (!hwndCmdEdit) {
        ShowCmdWindow(false);
        return nullptr;
    }
    // The count of appended characters empties the control, so its own
    // limit must not cut a line first.
    SendMessageA(hwndCmdEdit, EM_SETLIMITTEXT, 0, 0);
    SetCmdWindowFont();
    charcount = 0;
    history.resetcursor();
    ShowWindow(hwndCmdEdit, SW_SHOW);
    SetFocus(hwndCmdEdit);
    writeprompt();
    return hwndCmdFrame;
}

void SetCmdWindowFont() {
    if (hwndCmdEdit) SendMessageA(hwndCmdEdit, WM_SETFONT, reinterpret_cast<WPARAM>(fonts[FONT_COMMAND].font), TRUE);
}

void CmdWindowCommand(WPARAM, LPARAM) {}

void CmdWindowPrompt() {
    if (hwndCmdEdit) writeprompt();
}

bool CmdWindowBusy() { return busy; }

// The line is typed into the command window (opened when it is closed);
// the window's messages and the rest of the program's run meanwhile. Esc
// or the end of the frame gives up.
bool ReadUserLine(const char* prompt, std::string& line) {
    if (!hwndCmdEdit) OpenCmdWindow();
    if (!hwndCmdEdit) return false;
    SetFocus(hwndCmdEdit);
    userline = {true, false, ""};
    MSG msg;
    while (userline.waiting && hwndFrame && hwndCmdEdit) {
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.message == WM_CHAR && msg.wParam == VK_ESCAPE) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    bool given = userline.given;
    line = userline.line;
    userline = {false, false, ""};
    return given;
}

}  // namespace vy
