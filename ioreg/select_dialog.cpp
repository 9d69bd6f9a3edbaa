// Command 9100: the dialog "IOREGSELECT" lists the ".iod" files of the
// current directory by title; OK opens a viewer for each title picked,
// with the "Offset" field's number added to every register address.
#include <string>
#include <vector>

#include "debugger/frame/iod_name.h"
#include "ioreg/module_select.h"
#include "ioreg/plugin.h"
#include "ioreg/typed_number.h"

namespace vy {

enum { ID_MODULES = 120, ID_OFFSET = 126 };

// The files listed while the dialog is open; the modules picked and the
// offset they open with.
static IodModule* available;
static IodModule* selected;
static int32_t offset;
static HBRUSH greybrush;
static COLORREF greycolour;

// Plain files only: not ".", "..", directories, hidden, system or
// temporary entries; a file that cannot be read or is empty is left out.
static void listmodules(HWND dialog) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("*.*", &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    const DWORD skipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_TEMPORARY;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == ".." || (entry.dwFileAttributes & skipped) || !IsIodFile(name.data())) continue;
        std::string title;
        if (!ReadIodTitle(name.c_str(), title)) continue;
        SendDlgItemMessageA(dialog, ID_MODULES, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title.c_str()));
        AddAvailableModule(available, title, name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

// The titles of the entries picked, in the order of their positions.
static std::vector<std::string> pickedtitles(HWND dialog) {
    HWND list = GetDlgItem(dialog, ID_MODULES);
    LRESULT count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    std::vector<std::string> titles;
    if (count <= 0) return titles;
    std::vector<int> positions(static_cast<std::size_t>(count));
    count = SendMessageA(list, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(positions.data()));
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(positions[i]), 0);
        if (length < 0) continue;
        std::string title(static_cast<std::size_t>(length) + 1, '\0');
        length = SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(positions[i]), reinterpret_cast<LPARAM>(title.data()));
        title.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
        titles.push_back(title);
    }
    return titles;
}

static void takeselection(HWND dialog) {
    char text[384] = "";
    GetDlgItemTextA(dialog, ID_OFFSET, text, sizeof text);
    offset = OffsetValue(text);
    freemodules(selected);
    std::vector<std::string> unmatched;
    selected = MatchSelection(available, pickedtitles(dialog), unmatched);
    for (const std::string& title : unmatched) ErrorBox({"PANIC FOR NAME: ", title});
}

static INT_PTR CALLBACK SelectDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        listmodules(dialog);
        greybrush = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
        greycolour = RGB(192, 192, 192);
        return 1;
    case WM_CTLCOLORDLG:
        SetBkColor(reinterpret_cast<HDC>(wparam), greycolour);
        return reinterpret_cast<INT_PTR>(greybrush);
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            takeselection(dialog);
            EndDialog(dialog, 1);
            return 1;
        case IDCANCEL:
            freemodules(available);
            EndDialog(dialog, 0);
            return 1;
        case ID_MODULES:
            return 1;
        }
        return 0;
    }
    return 0;
}

void SelectModules() {
    if (DialogBoxParamA(hinstPlugin, "IOREGSELECT", hwndFrame, SelectDlgProc, 0) != 1) {
        freemodules(available);
        return;
    }
    while (IodModule* module = selected) {
        selected = module->link;
        module->link = nullptr;
        module->offset += offset;
        if (!OpenViewer(hwndFrame, hwndClient, module)) {
            freemodule(module);
            continue;
        }
        module->link = openmodules;
        openmodules = module;
    }
}

}  // namespace vy
