// Console interrupt on Windows: the handler runs on a thread of its own, so
// it only raises a flag; the reader sees it before the next line.
#include "ccparse/interrupt.h"

#include <windows.h>

namespace vy::cc {

namespace {

volatile LONG requested = 0;

BOOL WINAPI on_control(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    InterlockedExchange(&requested, 1);
    return TRUE;
}

}  // namespace

void install_interrupt_handler() {
    requested = 0;
    SetConsoleCtrlHandler(on_control, TRUE);
}

void remove_interrupt_handler() { SetConsoleCtrlHandler(on_control, FALSE); }

void set_interrupt_output(const char*) {}

bool interrupt_requested() { return requested != 0; }

}  // namespace vy::cc
