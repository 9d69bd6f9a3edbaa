// The viewer "IOREGHOST": an MDI child of the debugger's frame holding one
// tree of a module's registers and fields, with their current values; the
// images of the tree; command 9110's refresh of every viewer.
#include <windows.h>

#include <commctrl.h>

#include <cstring>

#include "ioreg/item_text.h"
#include "ioreg/plugin.h"

namespace vy {

static HIMAGELIST normalimages, stateimages;

// Each bitmap is freed once added; the normal list must hold all five.
bool CreateImageLists() {
    normalimages = ImageList_Create(18, 15, ILC_COLOR24, 5, 0);
    if (!normalimages) {
        ErrorBox({"CAN'T CREATE THE IMAGE LIST "});
        return false;
    }
    for (const char* name : {"VARSMAP", "CIOMAP", "OIOMAP", "CREGMAP", "OREGMAP"}) {
        HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(hinstPlugin, name, IMAGE_BITMAP, 0, 0, LR_LOADTRANSPARENT));
        if (!bitmap) {
            ErrorBox({"CANT LOAD ", name, " "});
            continue;
        }
        ImageList_Add(normalimages, bitmap, nullptr);
        DeleteObject(bitmap);
    }
    if (ImageList_GetImageCount(normalimages) != 5) {
        ErrorBox({"IMAGE LIST INCOMPLETE "});
        return false;
    }
    stateimages = ImageList_Create(18, 15, ILC_COLOR24, 3, 0);
    if (!stateimages) {
        ErrorBox({"CAN'T CREATE THE STATE IMAGE LIST "});
        return false;
    }
    // State index 0 shows no image: CCODE fills it and serves index 1.
    for (const char* name : {"CCODE", "NCODE"}) {
        HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(hinstPlugin, name, IMAGE_BITMAP, 0, 0, LR_LOADTRANSPARENT));
        if (!bitmap) {
            ErrorBox({"CANT LOAD ", name, " "});
            return false;
        }
        ImageList_Add(stateimages, bitmap, nullptr);
        if (std::strcmp(name, "CCODE") == 0) ImageList_Add(stateimages, bitmap, nullptr);
        DeleteObject(bitmap);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Tree items

static HTREEITEM insertitem(HWND tree, HTREEITEM parent, const std::string& text, int image, LPARAM level) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(text.c_str());
    insert.item.iImage = insert.item.iSelectedImage = image;
    insert.item.lParam = level;
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void SetTreeText(HWND tree, TreeItem item, const std::string& text) {
    TVITEMA change{};
    change.mask = TVIF_TEXT;
    change.hItem = static_cast<HTREEITEM>(item);
    change.pszText = const_cast<char*>(text.c_str());
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change));
}

void SetStateImage(HWND tree, TreeItem item, int state) {
    TVITEMA change{};
    change.mask = TVIF_STATE;
    change.hItem = static_cast<HTREEITEM>(item);
    change.state = INDEXTOSTATEIMAGEMASK(state);
    change.stateMask = TVIS_STATEIMAGEMASK;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change));
}

static void setimage(HWND tree, HTREEITEM item, int image) {
    TVITEMA change{};
    change.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    change.hItem = item;
    change.iImage = change.iSelectedImage = image;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change));
}

void SetItemText(IodRegister* reg, HWND tree) {
    for (IodField* field = reg->fields; field; field = field->link) SetTreeText(tree, field->item, FieldText(field));
}

void RegisterItemText(IodRegister* reg, HWND tree) {
    reg->value = ReadRegister(reg);
    SetTreeText(tree, reg->item, RegisterText(reg));
}

// Reads the module's file and puts its registers and fields under the root
// item; a file that cannot be read leaves the root without children.
static void LoadIodModule(HWND tree, HTREEITEM root, IodModule* module) {
    if (!vy::LoadIodModule(module)) return;
    for (IodRegister* reg = module->registers; reg; reg = reg->link) {
        reg->item = insertitem(tree, root, RegisterText(reg), IMAGE_REGISTER, LEVEL_REGISTER);
        SetStateImage(tree, reg->item, STATE_LIVE);
        for (IodField* field = reg->fields; field; field = field->link)
            field->item = insertitem(tree, static_cast<HTREEITEM>(reg->item), field->name, IMAGE_FIELD, LEVEL_FIELD);
    }
    for (IodRegister* reg = module->registers; reg; reg = reg->link) SetItemText(reg, tree);
}

static void InsertModuleItem(HWND tree, IodModule* module) {
    HTREEITEM root = insertitem(tree, TVI_ROOT, module->title, IMAGE_MODULE, LEVEL_MODULE);
    LoadIodModule(tree, root, module);
}

// Expanding a module or register item opens its picture, collapsing closes
// it; field items keep theirs.
static void SetItemImage(HWND tree, const NMTREEVIEWA* change) {
    bool expanding = change->action & TVE_EXPAND;
    if (change->itemNew.lParam == LEVEL_MODULE)
        setimage(tree, change->itemNew.hItem, expanding ? IMAGE_MODULE_OPEN : IMAGE_MODULE);
    else if (change->itemNew.lParam == LEVEL_REGISTER)
        setimage(tree, change->itemNew.hItem, expanding ? IMAGE_REGISTER_OPEN : IMAGE_REGISTER);
}

// ---------------------------------------------------------------------------
// The viewer

static IodModule* viewermodule(HWND viewer) {
    return reinterpret_cast<IodModule*>(GetWindowLongPtrA(viewer, VIEWER_MODULE));
}

static LRESULT CALLBACK IORegHostProc(HWND viewer, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_SIZE: {
        LRESULT result = DefMDIChildProcA(viewer, message, wparam, lparam);
        if (HWND tree = GetWindow(viewer, GW_CHILD)) MoveWindow(tree, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
        return result;
    }
    case WM_DESTROY:
        // The editor commits while the records it writes still exist.
        if (HWND editor = OpenEditor(); editor && IsChild(viewer, editor)) DestroyEditor();
        dbgcalls.mdiupdate();
        if (IodModule* module = viewermodule(viewer)) {
            SetWindowLongPtrA(viewer, VIEWER_MODULE, 0);
            unlinkmodule(openmodules, module);
            freemodule(module);
        }
        break;
    case WM_NOTIFY: {
        const NMHDR* note = reinterpret_cast<const NMHDR*>(lparam);
        HWND tree = GetWindow(viewer, GW_CHILD);
        if (note->hwndFrom != tree) break;
        if (note->code == TVN_ITEMEXPANDINGA || note->code == TVN_ITEMEXPANDINGW) {
            SetItemImage(tree, reinterpret_cast<const NMTREEVIEWA*>(lparam));
            return 0;
        }
        if (note->code == NM_RCLICK) {
            DestroyEditor();
            BeginItemEdit(viewer, tree);
        } else if (note->code == NM_CLICK) {
            DestroyEditor();
        }
        break;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
        DestroyEditor();
        break;
    }
    return DefMDIChildProcA(viewer, message, wparam, lparam);
}

bool RegisterViewerClass() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = IORegHostProc;
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);
    wc.hInstance = hinstPlugin;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "IOREGHOST";
    return RegisterClassExA(&wc) != 0;
}

void UnregisterViewerClass() {
    UnregisterClassA("IOREGHOST", hinstPlugin);
    ImageList_Destroy(normalimages);
    ImageList_Destroy(stateimages);
    normalimages = stateimages = nullptr;
}

HWND CreateViewerWindow(HWND client, const char* title) {
    MDICREATESTRUCTA create{};
    create.szClass = "IOREGHOST";
    create.szTitle = title;
    create.hOwner = hinstPlugin;
    create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
    HWND viewer = reinterpret_cast<HWND>(SendMessageA(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
    dbgcalls.mdiupdate();
    return viewer;
}

bool OpenViewer(HWND frame, HWND client, IodModule* module) {
    std::string title = std::string(module->title) + " Browser";
    HWND viewer = CreateViewerWindow(client, title.c_str());
    if (!viewer) return false;
    SetWindowLongPtrA(viewer, VIEWER_MODULE, reinterpret_cast<LONG_PTR>(module));
    RECT area;
    GetClientRect(viewer, &area);
    HWND tree = CreateWindowExA(0, "IOREGTREE", "Tree View", WS_CHILD | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT,
                                0, 0, area.right, area.bottom, viewer, nullptr, hinstPlugin, nullptr);
    if (!tree) return true;
    SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(normalimages));
    SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(stateimages));
    InsertModuleItem(tree, module);
    ShowWindow(tree, SW_SHOW);
    return true;
}

void RefreshViewer(HWND viewer, IodModule* module) {
    HWND tree = GetWindow(viewer, GW_CHILD);
    if (!tree) return;
    for (IodRegister* reg = module->registers; reg; reg = reg->link) {
        if (reg->frozen) continue;
        RegisterItemText(reg, tree);
        SetItemText(reg, tree);
    }
}

static BOOL CALLBACK refreshone(HWND window, LPARAM) {
    char name[16];
    if (GetClassNameA(window, name, sizeof name) && std::strcmp(name, "IOREGHOST") == 0)
        if (IodModule* module = viewermodule(window)) RefreshViewer(window, module);
    return TRUE;
}

void RefreshViewers() {
    if (hwndClient) EnumChildWindows(hwndClient, refreshone, 0);
}

}  // namespace vy
