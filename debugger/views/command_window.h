// The command window: the debugger's console, an MDI window titled
// "Command" with the child menu bar "CMD_MENU", in which the user types
// command lines after the prompt "Vyr>" and sees what every command prints.
// (CmdWindowOutput, which appends output, is one of the engine's hooks.)
#pragma once
#include <windows.h>

namespace vy {

// The frame below the menu bar and the edit control in it; null while the
// window is closed.
extern HWND hwndCmdFrame;
extern HWND hwndCmdEdit;

// Registers MAINCMD and WINCMD (a superclass of EDIT) and loads the menu.
bool RegisterCmdClasses();
void UnregisterCmdClasses();
// Opens the window (returns its frame, or null when a window cannot be
// made) or, with show false, closes it.
HWND ShowCmdWindow(bool show);
void SetCmdWindowFont();
// A command forwarded by the frame (id 1100): no action.
void CmdWindowCommand(WPARAM wparam, LPARAM lparam);
// The prompt after commands that no Enter ran (the start-up command file),
// when the window is open.
void CmdWindowPrompt();

// The prompt, and the largest number of characters the control keeps
// before it is emptied.
inline constexpr const char* PROMPT = "Vyr>";
inline constexpr int CMDTEXTLIMIT = 32000;

}  // namespace vy
