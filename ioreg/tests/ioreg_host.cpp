#include "ioreg_host.h"

#include <string>

#include "debugger/frame/iod_name.h"
#include "target_standin.h"

// The debugger's eight functions, exported by name as vyrdbg exports them.
extern "C" {
void MDIUpdate() { vy::standin::mdiupdate(); }
uint32_t ReadByte(uint32_t address) { return vy::standin::readbyte(address); }
uint32_t ReadWord(uint32_t address) { return vy::standin::readword(address); }
uint32_t ReadLong(uint32_t address) { return vy::standin::readlong(address); }
void WriteByte(uint32_t address, uint32_t value) { vy::standin::writebyte(address, value); }
void WriteWord(uint32_t address, uint32_t value) { vy::standin::writeword(address, value); }
void WriteLong(uint32_t address, uint32_t value) { vy::standin::writelong(address, value); }
int32_t VyrDataMemUpdate(int32_t full) { return vy::standin::datamemupdate(full); }
}

namespace ioreghost {

HWND frame;
HWND client;
HMODULE plugin;
IORegInitFn ioreginit;
IORegFn ioreg;

enum { ID_VIEW = 9100, ID_REFRESH = 9110, ID_EXIT = 100, ID_STEP = 101, ID_FIRSTCHILD = 50000 };

static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: {
        CLIENTCREATESTRUCT create{GetSubMenu(GetMenu(window), 1), ID_FIRSTCHILD};
        client = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                 WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0, 0, 0, 0, window,
                                 nullptr, GetModuleHandleA(nullptr), &create);
        return client ? 0 : -1;
    }
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        if (id >= 9100 && id < 9200) return ioreg ? ioreg(window, message, wparam, lparam) : 0;
        if (id == ID_EXIT) {
            DestroyWindow(window);
            return 0;
        }
        // As if the target ran a step: every byte counts up, then the stop.
        if (id == ID_STEP) {
            for (uint8_t& byte : vy::standin::memory) ++byte;
            return command(ID_REFRESH);
        }
        break;
    }
    case WM_DESTROY:
        frame = client = nullptr;
        PostQuitMessage(0);
        return 0;
    }
    return DefFrameProcA(window, client, message, wparam, lparam);
}

bool createframe(int show) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = "IOREGTESTHOST";
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    HMENU menu = CreateMenu();
    HMENU target = CreatePopupMenu();
    AppendMenuA(target, MF_STRING | MF_GRAYED, ID_VIEW, "&View I/O Registers");
    AppendMenuA(target, MF_STRING, ID_REFRESH, "&Stop (refresh the viewers)");
    AppendMenuA(target, MF_STRING, ID_STEP, "S&tep (every byte counts up)");
    AppendMenuA(target, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(target, MF_STRING, ID_EXIT, "E&xit");
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(target), "&Target");
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "&Windows");
    frame = CreateWindowExA(0, "IOREGTESTHOST", "I/O-register plug-in host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                            1000, 760, nullptr, menu, GetModuleHandleA(nullptr), nullptr);
    if (!frame) return false;
    ShowWindow(frame, show);
    UpdateWindow(frame);
    return true;
}

// A plain file of the current directory whose name ends in ".iod".
static bool iodfilehere() {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("*.*", &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    const DWORD skipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_TEMPORARY;
    bool found = false;
    do {
        std::string name = entry.cFileName;
        found = name != "." && name != ".." && !(entry.dwFileAttributes & skipped) && vy::IsIodFile(name.data());
    } while (!found && FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

void freeplugin() {
    if (frame) EnableMenuItem(GetMenu(frame), ID_VIEW, MF_BYCOMMAND | MF_GRAYED);
    if (plugin) FreeLibrary(plugin);
    plugin = nullptr;
    ioreginit = nullptr;
    ioreg = nullptr;
}

bool loadplugin() {
    freeplugin();
    plugin = LoadLibraryA("VYRIOREG.DLL");
    if (!plugin) return false;
    ioreg = reinterpret_cast<IORegFn>(reinterpret_cast<void (*)()>(GetProcAddress(plugin, "IOReg")));
    ioreginit = reinterpret_cast<IORegInitFn>(reinterpret_cast<void (*)()>(GetProcAddress(plugin, "IORegInit")));
    if (!ioreg || !ioreginit || !ioreginit(frame, client, GetModuleHandleA(nullptr), plugin) || !iodfilehere()) {
        freeplugin();
        return false;
    }
    EnableMenuItem(GetMenu(frame), ID_VIEW, MF_BYCOMMAND | MF_ENABLED);
    DrawMenuBar(frame);
    return true;
}

bool viewenabled() { return !(GetMenuState(GetMenu(frame), ID_VIEW, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)); }

LRESULT command(int id) { return SendMessageA(frame, WM_COMMAND, static_cast<WPARAM>(id), 0); }

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (client && TranslateMDISysAccel(client, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace ioreghost
