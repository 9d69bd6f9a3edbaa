// The plug-in's two exports: IORegInit binds it to the debugger (handles,
// the eight debugger functions, window classes and images), IOReg takes the
// frame's commands 9100 (select modules) and 9110 (refresh the viewers).
#include "ioreg/plugin.h"

#include <commctrl.h>

namespace vy {

HWND hwndFrame;
HWND hwndClient;
HINSTANCE hinstDebugger;
HINSTANCE hinstPlugin;
IodModule* openmodules;

static bool classesregistered;

static void messagebox(const char* caption, std::initializer_list<std::string_view> texts) {
    std::string text;
    for (std::string_view piece : texts) text += piece;
    MessageBoxA(nullptr, text.c_str(), caption, MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL | MB_SETFOREGROUND);
}

void ErrorBox(std::initializer_list<std::string_view> texts) { messagebox("Error", texts); }
void WarningBox(std::initializer_list<std::string_view> texts) { messagebox("Warning", texts); }

// The eight functions in their order; none is taken unless all are there.
static bool lookupdebugger(HINSTANCE debugger) {
    FARPROC found[std::size(debuggercallnames)];
    for (std::size_t i = 0; i < std::size(debuggercallnames); ++i)
        if (!(found[i] = GetProcAddress(debugger, debuggercallnames[i]))) return false;
    // Through the plain function type, which casts to any other.
    auto take = [&](auto& pointer, std::size_t i) {
        pointer = reinterpret_cast<std::decay_t<decltype(pointer)>>(reinterpret_cast<void (*)()>(found[i]));
    };
    take(dbgcalls.mdiupdate, 0);
    take(dbgcalls.readbyte, 1);
    take(dbgcalls.readword, 2);
    take(dbgcalls.readlong, 3);
    take(dbgcalls.writebyte, 4);
    take(dbgcalls.writeword, 5);
    take(dbgcalls.writelong, 6);
    take(dbgcalls.datamemupdate, 7);
    return true;
}

}  // namespace vy

using namespace vy;

extern "C" int IORegInit(HWND frame, HWND client, HINSTANCE debugger, HINSTANCE plugin) {
    hwndFrame = frame;
    hwndClient = client;
    hinstDebugger = debugger;
    hinstPlugin = plugin;
    if (!lookupdebugger(debugger)) return 0;
    if (!classesregistered) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        if (!CreateImageLists() || !RegisterViewerClass() || !RegisterEditorClasses()) return 0;
        classesregistered = true;
    }
    return 1;
}

extern "C" int IOReg(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_COMMAND) return 0;
    switch (LOWORD(wparam)) {
    case 9100: SelectModules(); return 1;
    case 9110: RefreshViewers(); return 1;
    default: return 0;
    }
}

// A library freed by its host (not one whose process ends) takes its window
// classes and images with it, so that a later load can register them again.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && !reserved && classesregistered) {
        UnregisterEditorClasses();
        UnregisterViewerClass();
        classesregistered = false;
    }
    return TRUE;
}
