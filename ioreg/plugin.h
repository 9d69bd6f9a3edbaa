// The plug-in vyrioreg.dll: the state its window files share and the
// functions they call in one another. Everything runs on the debugger's
// window thread.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "ioreg/iod_module.h"

namespace vy {

// ---------------------------------------------------------------------------
// Exports, handles and message boxes (plugin.cpp)

extern HWND hwndFrame;
extern HWND hwndClient;
extern HINSTANCE hinstDebugger;
extern HINSTANCE hinstPlugin;
// One record per open viewer, freed when the viewer is destroyed.
extern IodModule* openmodules;

// Message boxes without owner, task-modal and brought to the foreground,
// captioned "Error" and "Warning"; the texts are joined.
void ErrorBox(std::initializer_list<std::string_view> texts);
void WarningBox(std::initializer_list<std::string_view> texts);

// ---------------------------------------------------------------------------
// Module selection (select_dialog.cpp): the dialog "IOREGSELECT" of command
// 9100, then a viewer for each module picked.

void SelectModules();

// ---------------------------------------------------------------------------
// Viewers and their trees (viewer_window.cpp)

// A viewer's window words (pointer-sized): its module, and the in-place
// editor last opened in it.
constexpr int VIEWER_MODULE = 0;
constexpr int VIEWER_EDITOR = sizeof(LONG_PTR);

// Tree items carry their level in their parameter word.
constexpr LPARAM LEVEL_MODULE = 1, LEVEL_REGISTER = 2, LEVEL_FIELD = 4;
// Images of the normal list and of the state list.
enum { IMAGE_FIELD, IMAGE_MODULE, IMAGE_MODULE_OPEN, IMAGE_REGISTER, IMAGE_REGISTER_OPEN };
enum { STATE_LIVE = 1, STATE_FROZEN = 2 };

bool CreateImageLists();
bool RegisterViewerClass();
// When the library is freed: the class and the image lists go.
void UnregisterViewerClass();
// Creates a viewer for the module and fills it; false when no viewer was
// made (the module is then not the caller's to keep in the open list).
bool OpenViewer(HWND frame, HWND client, IodModule* module);
HWND CreateViewerWindow(HWND client, const char* title);
void RefreshViewers();
void RefreshViewer(HWND viewer, IodModule* module);
// Reads the register again and renews its item's text.
void RegisterItemText(IodRegister* reg, HWND tree);
// Renews the texts of the register's field items.
void SetItemText(IodRegister* reg, HWND tree);
void SetTreeText(HWND tree, TreeItem item, const std::string& text);
void SetStateImage(HWND tree, TreeItem item, int state);

// ---------------------------------------------------------------------------
// The tree and its in-place editors (item_editor.cpp)

bool RegisterEditorClasses();
void UnregisterEditorClasses();
void BeginItemEdit(HWND viewer, HWND tree);
// Closes the open editor, which commits its value.
void DestroyEditor();
// The open editor (list box or edit box), or null.
HWND OpenEditor();

}  // namespace vy
