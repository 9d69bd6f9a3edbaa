// The tree "IOREGTREE" of a viewer and its in-place editors: a right click
// on a register or field opens an edit box ("IOREGEDIT") or a drop-down
// list of the field's named values ("IOREGCOMBO") over the item's value;
// every way of closing an editor writes what it holds. A right click on a
// register's state image freezes or thaws it instead.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cstdio>

#include "ioreg/item_text.h"
#include "ioreg/plugin.h"

namespace vy {

// The base procedures of the three superclasses.
static WNDPROC basetree, basecombo, baseedit;

// At most one editor in the whole plug-in.
static HWND openlist;           // IOREGCOMBO while open
static HWND openedit;           // IOREGEDIT while open
static IodField* editfield;     // the field of the open editor
static IodRegister* editreg;    // or the register
static const IodValue* otherline;   // labels a typed field value
static POINT listpos;           // where the open list was placed
static POINT mousepos;          // last pointer position over a tree
static bool listentered;        // Enter was typed in the open list

HWND OpenEditor() { return openlist ? openlist : openedit; }

void DestroyEditor() {
    if (openlist) {
        DestroyWindow(openlist);
        openlist = nullptr;
    } else if (openedit) {
        DestroyWindow(openedit);
        openedit = nullptr;
    }
}

static HFONT treefont(HWND tree) { return reinterpret_cast<HFONT>(SendMessageA(tree, WM_GETFONT, 0, 0)); }

static SIZE textsize(HWND tree, const char* text) {
    SIZE size{};
    HDC dc = GetDC(tree);
    HGDIOBJ old = SelectObject(dc, treefont(tree));
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
    SelectObject(dc, old);
    ReleaseDC(tree, dc);
    return size;
}

// Right after the item's text, or 20 pixels in from the right edge when
// the tree is narrower than that; at the item's top.
static POINT placement(HWND tree, TreeItem item) {
    // The item goes in the rectangle's first bytes.
    RECT rect{};
    std::memcpy(&rect, &item, sizeof item);
    SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    RECT client;
    GetClientRect(tree, &client);
    return {client.right < rect.right ? client.right - 20 : rect.right, rect.top};
}

static std::string hextext(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
    return text;
}

// An edit box 70 pixels wide and as high as a line of the tree's font.
static void openeditbox(HWND viewer, HWND tree, POINT at, uint32_t value) {
    int height = textsize(tree, "1").cy + 2 * GetSystemMetrics(SM_CYBORDER);
    openedit = CreateWindowExA(0, "IOREGEDIT", "", WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, at.x, at.y, 70, 15, tree,
                               nullptr, hinstPlugin, nullptr);
    if (!openedit) return;
    SetWindowPos(openedit, nullptr, 0, 0, 70, height, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageA(openedit, WM_SETFONT, reinterpret_cast<WPARAM>(treefont(tree)), 0);
    SetWindowLongPtrA(viewer, VIEWER_EDITOR, reinterpret_cast<LONG_PTR>(openedit));
    SetWindowTextA(openedit, hextext(value).c_str());
    ShowWindow(openedit, SW_SHOW);
    SetFocus(openedit);
}

static void EditRegister(IodRegister* reg, HWND viewer, HWND tree, UINT hit) {
    if (hit & TVHT_ONITEMSTATEICON) {
        reg->frozen = !reg->frozen;
        SetStateImage(tree, reg->item, reg->frozen ? STATE_FROZEN : STATE_LIVE);
        if (!reg->frozen) RegisterItemText(reg, tree);
        return;
    }
    editreg = reg;
    editfield = nullptr;
    SetTreeText(tree, reg->item, RegisterEditText(reg));
    openeditbox(viewer, tree, placement(tree, reg->item), reg->value);
}

static void EditField(IodField* field, HWND viewer, HWND tree) {
    if (field->access == 'R') {
        WarningBox({"Field is READ ONLY "});
        return;
    }
    editfield = field;
    editreg = nullptr;
    SetTreeText(tree, field->item, FieldEditText(field));
    POINT at = placement(tree, field->item);
    uint32_t value = FieldValue(field->reg->value, field);
    if (field->valuecount == 1) {
        otherline = field->values;
        openeditbox(viewer, tree, at, value);
        return;
    }
    std::vector<std::string> entries = ValueEntries(field);
    LONG width = 250;
    for (const IodValue* v = field->values; v; v = v->link) width = std::max(width, textsize(tree, v->text).cx);
    openlist = CreateWindowExA(WS_EX_CLIENTEDGE, "IOREGCOMBO", "",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, at.x, at.y, width + 15, 70, tree,
                               nullptr, hinstPlugin, nullptr);
    if (!openlist) return;
    listpos = at;
    listentered = false;
    SendMessageA(openlist, WM_SETFONT, reinterpret_cast<WPARAM>(treefont(tree)), 0);
    LRESULT itemheight = SendMessageA(openlist, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    if (itemheight > 2) SendMessageA(openlist, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemheight - 2);
    for (const std::string& entry : entries)
        SendMessageA(openlist, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SendMessageA(openlist, CB_SETCURSEL, static_cast<WPARAM>(ValueSelection(field)), 0);
    SetWindowLongPtrA(viewer, VIEWER_EDITOR, reinterpret_cast<LONG_PTR>(openlist));
    SetFocus(openlist);
}

void BeginItemEdit(HWND viewer, HWND tree) {
    TVHITTESTINFO hit{};
    hit.pt = mousepos;
    TreeItem item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    IodModule* module = reinterpret_cast<IodModule*>(GetWindowLongPtrA(viewer, VIEWER_MODULE));
    if (!item || !module) return;
    for (IodRegister* reg = module->registers; reg; reg = reg->link) {
        if (reg->item == item) return EditRegister(reg, viewer, tree, hit.flags);
        for (IodField* field = reg->fields; field; field = field->link)
            if (field->item == item) return EditField(field, viewer, tree);
    }
}

// ---------------------------------------------------------------------------
// The editors' window procedures

// An editor that Enter closes hands the keyboard back to its tree, unless
// a follow-on editor has taken it.
static void keepfocus(HWND editor) {
    if (GetFocus() == editor) SetFocus(GetParent(editor));
}

// The list closes: a named value is written; "Other value" after Enter
// gives way to an edit box at the same place; any other close writes
// nothing and the field shows its value again.
static void closelist(HWND list) {
    openlist = nullptr;
    HWND tree = GetParent(list);
    IodField* field = editfield;
    LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    const IodValue* value = field && index >= 0 ? ValueAt(field, static_cast<int>(index)) : nullptr;
    if (value && !value->other) {
        SetTreeText(tree, field->item, ChooseValue(field, value));
        SetTreeText(tree, field->reg->item, RegisterText(field->reg));
    } else if (value && listentered && !openedit) {
        otherline = value;
        openeditbox(GetParent(tree), tree, listpos, FieldValue(field->reg->value, field));
    } else if (field) {
        SetTreeText(tree, field->item, FieldText(field));
    }
}

static LRESULT CALLBACK IORegComboProc(HWND list, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CHAR:
        if (wparam == '\r') {
            listentered = true;
            PostMessageA(list, WM_CLOSE, 0, 0);
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        DestroyEditor();
        break;
    case WM_CLOSE:
    case WM_DESTROY:
        if (list == openlist) closelist(list);
        if (message == WM_CLOSE) keepfocus(list);
        break;
    }
    return CallWindowProcA(basecombo, list, message, wparam, lparam);
}

// The edit box closes: its whole text is the value; a text without a
// number writes nothing and the item shows its stored value again.
static void closeedit(HWND edit) {
    openedit = nullptr;
    HWND tree = GetParent(edit);
    int length = GetWindowTextLengthA(edit);
    std::string typed(static_cast<std::size_t>(length) + 1, '\0');
    typed.resize(static_cast<std::size_t>(GetWindowTextA(edit, typed.data(), length + 1)));
    if (IodField* field = editfield) {
        std::string text;
        if (!TypeFieldValue(field, otherline, typed, text)) text = FieldText(field);
        SetTreeText(tree, field->item, text);
        SetTreeText(tree, field->reg->item, RegisterText(field->reg));
    } else if (IodRegister* reg = editreg) {
        TypeRegisterValue(reg, typed);
        SetTreeText(tree, reg->item, RegisterText(reg));
        SetItemText(reg, tree);
    }
}

static LRESULT CALLBACK IORegEditProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CHAR:
        if (wparam == '\r') {
            PostMessageA(edit, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_CLOSE:
    case WM_DESTROY:
        if (edit == openedit) closeedit(edit);
        if (message == WM_CLOSE) keepfocus(edit);
        break;
    }
    return CallWindowProcA(baseedit, edit, message, wparam, lparam);
}

// Scrolling (by the bars or the wheel) closes the open editor; the pointer
// position is kept for the right click's hit test.
static LRESULT CALLBACK IORegTreeProc(HWND tree, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
        DestroyEditor();
        break;
    case WM_MOUSEMOVE:
        mousepos = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        break;
    }
    return CallWindowProcA(basetree, tree, message, wparam, lparam);
}

// A superclass: the base class's information under a new name, with the
// plug-in's procedure in front of the base procedure.
static bool superclass(const char* base, const char* name, WNDPROC procedure, WNDPROC& baseprocedure) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(nullptr, base, &wc)) return false;
    baseprocedure = wc.lpfnWndProc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = hinstPlugin;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.hIcon = wc.hIconSm = nullptr;
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

bool RegisterEditorClasses() {
    return superclass(WC_TREEVIEWA, "IOREGTREE", IORegTreeProc, basetree) &&
           superclass("COMBOBOX", "IOREGCOMBO", IORegComboProc, basecombo) &&
           superclass("EDIT", "IOREGEDIT", IORegEditProc, baseedit);
}

void UnregisterEditorClasses() {
    for (const char* name : {"IOREGTREE", "IOREGCOMBO", "IOREGEDIT"}) UnregisterClassA(name, hinstPlugin);
}

}  // namespace vy
