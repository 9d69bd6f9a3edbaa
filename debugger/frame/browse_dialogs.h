// The selection dialogs of files, functions and symbols (FILEBROWSER,
// FUNCBROWSER, SYMBSELECT, SYMBBROWSER) and the combo-box fillers that
// other dialogs reuse. A dialog leaves the chosen name in `browsename`.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace vy {

struct LocalRec;

// The name chosen in the last selection dialog (at most 512 characters).
extern std::string browsename;

// The source files of the debug tables that are listed, in table order;
// with `all` "*.*" after them (when there is one), else the current file
// selected.
void FillFileCombo(HWND dialog, int control, bool all);
// The functions of a file, or of all files for "" and "*.*".
void FillFunctionCombo(HWND dialog, int control, const char* file);
// The file-level variables of a file (of all for "" and "*.*"): types and
// tags left out. GetNthVariable counts the same ones from 0.
void FillVariableCombo(HWND dialog, int control, const char* file);
LocalRec* GetNthVariable(int n, const char* file);
// Every symbol whose name does not begin with '.' into control 612.
void FillSymbolList(HWND dialog);
void SelectFileInCombo(HWND dialog, const char* name);
void SelectFunctionInCombos(HWND dialog, const char* function);

INT_PTR CALLBACK FileBrowserDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK FuncBrowserDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK SymbolSelectDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// SYMBSELECT: 1 with the chosen symbol's value through `value` (when
// given), 0 when none was chosen or the name is no symbol.
int SelectSymbolDialog(uint32_t* value, HWND owner);

// Browse > File (620) and Browse > Function (622): the dialog, then the
// chosen file's or function's source.
void BrowseFileDialog();
void BrowseFunctionDialog();

}  // namespace vy
