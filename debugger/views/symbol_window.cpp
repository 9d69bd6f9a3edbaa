#include "debugger/views/symbol_window.h"

#include <windows.h>

#include "debugger/frame/browse_dialogs.h"
#include "debugger/frame/frame.h"
#include "debugger/target/services.h"
#include "debugger/views/list_window.h"
#include "debugger/views/symbol_list.h"
#include "debugger/views/view_messages.h"

namespace vy {

void BrowseSymbols(int id) {
    BeginWait();
    std::vector<const SymRec*> order;
    if (id == 672) {
        ::RightStatus("Sorting Symbols");
        order = nameorder();
        ::RightStatus("");
    } else {
        order = valueorder();
    }
    OpenListWindow("Symbols", LIST_SYMBOLS, 0, nullptr, "Symbols", "Symbol",
                   [&order](TextBuf& buf) { return fillsymbols(buf, order); });
    EndWait();
}

void SymbolBrowserDialog() {
    HWND owner = CreateWindowA("SYMBWIN", "", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, 10, 10, nullptr, nullptr, hinst,
                               nullptr);
    if (!owner) return;
    DialogBoxParamA(hinst, "SYMBBROWSER", owner, SymbolSelectDlgProc, 0);
    DestroyWindow(owner);
}

bool RegisterSymbolClass() {
    WNDCLASSA wc{};
    wc.style = CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcA;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = hinst;
    wc.hIcon = LoadIconA(hinst, "LISTIcon");
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "SYMBWIN";
    return RegisterClassA(&wc) != 0;
}

void UnregisterSymbolClass() { UnregisterClassA("SYMBWIN", hinst); }

}  // namespace vy
