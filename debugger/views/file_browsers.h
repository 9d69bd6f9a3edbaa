// The file and function browsers: list windows of the loaded program's
// source files and functions, whose names are links; a click on a
// function's mark switches its activation. Their lists are saved (".fls",
// ".fns") and printed. The link action here serves every list window.
#pragma once
#include <windows.h>

#include <string>

namespace vy {

// Browse > File List (640), Browse > Function List (650) and the function
// list of one file (a file link clicked with Shift).
void FileBrowser();
void FunctionBrowser(const char* file, int details);

// A double-click on a link of a list window: the link's letter and payload.
void LinkAction(const std::string& link, HWND window, int x, int y, WPARAM keys);
// A click on a function's activation mark at client y.
void ToggleFunctionState(const std::string& link, HWND window, int y);

// Save (118) and Print (121) of a file or function list window.
void SaveFileList();
void PrintFileList();
void SaveFunctionList();
void PrintFunctionList();

// The print spool of long lists, in the current directory.
inline constexpr const char* SPOOLFILE = "VYR_TEMP.VYR";

}  // namespace vy
