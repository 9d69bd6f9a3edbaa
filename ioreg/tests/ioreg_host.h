// The test host of the I/O-register plug-in: a small MDI frame that stands
// where the debugger stands. It exports the debugger's eight functions over
// the stand-in target (a 64 KB array, every call logged: target_standin.h),
// loads the plug-in by name as the debugger does at start-up, and forwards
// it the frame's commands 9100 to 9199 (9100 "&View I/O Registers", 9110
// the refresh after a stop).
#pragma once
#include <windows.h>

namespace ioreghost {

using IORegInitFn = int (*)(HWND frame, HWND client, HINSTANCE debugger, HINSTANCE plugin);
using IORegFn = int (*)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

extern HWND frame;
extern HWND client;
// The plug-in and its entry points while it is loaded.
extern HMODULE plugin;
extern IORegInitFn ioreginit;
extern IORegFn ioreg;

// The frame (shown) with its MDI client and its menu; false on failure.
bool createframe(int show);
// Loads "VYRIOREG.DLL" and keeps it only when both entry points are there,
// IORegInit(frame, client, this program, plug-in) returns nonzero and the
// current directory holds an ".iod" file (plain files only); then enables
// menu item 9100. Otherwise the library is freed again.
bool loadplugin();
void freeplugin();
// Whether menu item 9100 is enabled.
bool viewenabled();
// The frame's command as a menu sends it: forwarded to the plug-in when it
// is loaded (ids 9100 to 9199). Returns what the plug-in returned.
LRESULT command(int id);
// Handles every pending window message.
void pump();

}  // namespace ioreghost
