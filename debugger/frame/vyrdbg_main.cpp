// vyrdbg: the entry point of the Windows debugger.
#include <windows.h>

#include "debugger/frame/frame.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandline, int show) {
    if (!vy::StartDebugger(instance, commandline, show)) return 0;
    int status = vy::RunMessageLoop();
    vy::ShutDebugger();
    return status;
}
