#include "debugger/frame/browse_dialogs.h"

#include <cstring>
#include <string>

#include "debugger/engine/hooks.h"
#include "debugger/frame/dialog_controls.h"
#include "debugger/frame/frame.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/symbols.h"
#include "debugger/views/browser_text.h"
#include "debugger/views/view_calls.h"
#include "support/format.h"

namespace vy {

std::string browsename;
constexpr int NAMELIMIT = 512;

// The file and function the program stands in.
static const FuncRec* currentfunction() { return curframe ? curframe->func : nullptr; }
static const char* currentfile() {
    const FuncRec* fn = currentfunction();
    return fn && fn->file ? fn->file->name : nullptr;
}

static void add(HWND dialog, int control, const char* text) {
    SendDlgItemMessageA(dialog, control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

static bool allfiles(const char* file) { return !file || !*file || std::strcmp(file, "*.*") == 0; }

// ---------------------------------------------------------------------------
// Fillers

void FillFileCombo(HWND dialog, int control, bool all) {
    bool any = false;
    for (const FileRec* f = filelist; morefiles(f); f = f->next) {
        if (!listedfile(*f)) continue;
        add(dialog, control, f->name);
        any = true;
    }
    if (!any) return;
    if (all) add(dialog, control, "*.*");
    else if (const char* file = currentfile()) SelectFileInCombo(dialog, file);
}

void FillFunctionCombo(HWND dialog, int control, const char* file) {
    // A file hidden from the lists (a name that is not unique) is skipped:
    // its functions would come twice.
    for (const FileRec* f = filelist; morefiles(f); f = f->next) {
        if (!listedfile(*f) || (!allfiles(file) && std::strcmp(f->name, file) != 0)) continue;
        for (const FuncRec* fn = f->funcs; fn; fn = fn->next)
            if (fn->name && fn->name[0] && fn->name[0] != '.') add(dialog, control, fn->name);
    }
}

// Walks the listed file-level variables; stops when `visit` returns true.
template <class Visit>
static LocalRec* eachvariable(const char* file, Visit visit) {
    for (FileRec* f = filelist; morefiles(f); f = f->next) {
        bool named = !allfiles(file);
        if (named && std::strcmp(f->name, file) != 0) continue;
        // The file's own variables are in the last record of its chain.
        FuncRec* outer = f->funcs;
        while (outer && outer->next) outer = outer->next;
        for (uint32_t i = 0; outer && outer->locals && i < outer->nlocals; ++i) {
            LocalRec* v = &outer->locals[i];
            uint8_t cls = classof(v);
            if (!v->name || cls == CL_TYPEDEF || cls == CL_LOCAL18 || cls == CL_GLOBAL) continue;
            if (visit(v)) return v;
        }
        if (named) break;
    }
    return nullptr;
}

void FillVariableCombo(HWND dialog, int control, const char* file) {
    eachvariable(file, [&](LocalRec* v) {
        add(dialog, control, v->name);
        return false;
    });
}

LocalRec* GetNthVariable(int n, const char* file) {
    if (n < 0) return nullptr;
    return eachvariable(file, [&](LocalRec*) { return n-- == 0; });
}

void FillSymbolList(HWND dialog) {
    for (const SymRec* s = symlist; s; s = s->next)
        if (s->name()[0] != '.') add(dialog, 612, s->name());
}

void SelectFileInCombo(HWND dialog, const char* name) {
    if (name) SendDlgItemMessageA(dialog, 610, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
}

void SelectFunctionInCombos(HWND dialog, const char* function) {
    const FuncRec* fn = function ? findfunc(function) : nullptr;
    if (!fn) return;
    if (fn->file) SelectFileInCombo(dialog, fn->file->name);
    SendDlgItemMessageA(dialog, 611, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(function));
    browsename = function;
}

// ---------------------------------------------------------------------------
// The dialogs

static std::string itemtext(HWND dialog, int control) {
    char text[NAMELIMIT + 1] = "";
    GetDlgItemTextA(dialog, control, text, sizeof text);
    return text;
}

static std::string selectedtext(HWND dialog, int control) {
    LRESULT at = SendDlgItemMessageA(dialog, control, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR) return itemtext(dialog, control);
    LRESULT length = SendDlgItemMessageA(dialog, control, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendDlgItemMessageA(dialog, control, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text.substr(0, NAMELIMIT);
}

// The help context in front while a selection dialog is open.
static int savedhelp;

static void opened(int help) {
    savedhelp = helpcontext;
    helpcontext = help;
}

static void end(HWND dialog, int result) {
    helpcontext = savedhelp;
    EndDialog(dialog, result);
}

// Cancel and Esc: no name.
static void cancel(HWND dialog) {
    browsename.clear();
    end(dialog, 0);
}

// What every selection dialog does with the look messages; true when the
// message was one of them (`result` holds the answer).
static bool look(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) {
    switch (message) {
    case WM_CTLCOLORSTATIC:
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) == 613) return false;
        [[fallthrough]];
    case WM_CTLCOLORDLG:
        result = DialogGrey(reinterpret_cast<HDC>(wparam));
        return true;
    case WM_PAINT:
        PaintDialogFrame(dialog);
        result = TRUE;
        return true;
    }
    return false;
}

// A combo's notification as 610 of FILEBROWSER takes it: a selection
// copies the name, a double click copies it and ends, typing copies the
// edit's text.
static void namecombo(HWND dialog, int control, int code) {
    if (code == CBN_SELCHANGE) browsename = selectedtext(dialog, control);
    else if (code == CBN_DBLCLK) {
        browsename = selectedtext(dialog, control);
        end(dialog, 1);
    } else if (code == CBN_EDITCHANGE) {
        browsename = itemtext(dialog, control);
    }
}

INT_PTR CALLBACK FileBrowserDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    INT_PTR result = 0;
    if (look(dialog, message, wparam, lparam, result)) return result;
    switch (message) {
    case WM_INITDIALOG:
        opened(1);
        browsename.clear();
        FillFileCombo(dialog, 610, false);
        browsename = selectedtext(dialog, 610);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case 601: end(dialog, 1); break;
        case 602:
        case IDCANCEL: cancel(dialog); break;
        case 603:
            SelectFileInCombo(dialog, currentfile());
            browsename = selectedtext(dialog, 610);
            break;
        case 610: namecombo(dialog, 610, HIWORD(wparam)); break;
        }
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK FuncBrowserDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    INT_PTR result = 0;
    if (look(dialog, message, wparam, lparam, result)) return result;
    switch (message) {
    case WM_INITDIALOG:
        opened(2);
        browsename.clear();
        FillFileCombo(dialog, 610, true);
        FillFunctionCombo(dialog, 611, "");
        if (const FuncRec* fn = currentfunction()) SelectFunctionInCombos(dialog, fn->name);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case 601: end(dialog, 1); break;
        case 602:
        case IDCANCEL: cancel(dialog); break;
        case 603:
            if (const FuncRec* fn = currentfunction()) SelectFunctionInCombos(dialog, fn->name);
            break;
        case 609:
            if (itemtext(dialog, 611).empty()) {
                ErrorBeep();
                break;
            }
            browsename = itemtext(dialog, 611);
            end(dialog, 1);
            break;
        case 610:
            if (HIWORD(wparam) == CBN_SELCHANGE) {
                std::string file = selectedtext(dialog, 610);
                browsename = file;
                SendDlgItemMessageA(dialog, 611, CB_RESETCONTENT, 0, 0);
                SetDlgItemTextA(dialog, 611, "");
                FillFunctionCombo(dialog, 611, file.c_str());
            }
            break;
        case 611: namecombo(dialog, 611, HIWORD(wparam)); break;
        }
        return TRUE;
    }
    return FALSE;
}

static void showsymbol(HWND dialog, bool typedname) {
    const SymRec* s = rensym(browsename.c_str());
    if (s) {
        char value[16];
        uint32_t n = fmtbuf(value, sizeof value - 1, "0x%hl", s->value);
        value[n] = '\0';
        SetDlgItemTextA(dialog, 613, value);
    } else if (typedname) {
        SetDlgItemTextA(dialog, 613, "");
    }
}

INT_PTR CALLBACK SymbolSelectDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    INT_PTR result = 0;
    if (look(dialog, message, wparam, lparam, result)) return result;
    switch (message) {
    case WM_INITDIALOG:
        opened(16);
        browsename.clear();
        FillSymbolList(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case 612:
            if (HIWORD(wparam) == CBN_SELCHANGE) {
                browsename = selectedtext(dialog, 612);
                showsymbol(dialog, false);
            } else if (HIWORD(wparam) == CBN_EDITCHANGE) {
                browsename = itemtext(dialog, 612);
                showsymbol(dialog, true);
            }
            break;
        case 614:
            if (rensym(browsename.c_str())) end(dialog, 1);
            else ErrorBeep();
            break;
        case 601: end(dialog, 0); break;
        case IDCANCEL: cancel(dialog); break;
        }
        return TRUE;
    }
    return FALSE;
}

int SelectSymbolDialog(uint32_t* value, HWND owner) {
    if (DialogBoxParamA(hinst, "SYMBSELECT", owner, SymbolSelectDlgProc, 0) != 1) return 0;
    const SymRec* s = rensym(browsename.c_str());
    if (!s) return 0;
    if (value) *value = s->value;
    return 1;
}

void BrowseFileDialog() {
    if (DialogBoxParamA(hinst, "FILEBROWSER", hwndFrame, FileBrowserDlgProc, 0) == 1 && !browsename.empty())
        OpenSourceFile(browsename.c_str(), 0);
}

void BrowseFunctionDialog() {
    if (DialogBoxParamA(hinst, "FUNCBROWSER", hwndFrame, FuncBrowserDlgProc, 0) == 1 && !browsename.empty())
        OpenFunctionSource(browsename.c_str(), nullptr, 0);
}

}  // namespace vy
