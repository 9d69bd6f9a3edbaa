// The in-process window tests: the debugger's frame and views are linked
// into the test program, brought up once per process as vyrdbg's WinMain
// brings them up (an empty command line), and driven by messages sent on
// the test's own thread, so each check costs what the window does, not a
// program start. A watcher thread answers every message box and dialog
// the debugger opens, so no test waits on one, and keeps what it answered.
//
// A window test is a TEST_F of a fixture derived from WindowTest; see
// README.md beside this file.
#pragma once
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "test_files.h"
#include "ui_driver.h"

namespace windowtest {

using uidriver::WindowInfo;

class WindowTest : public ::testing::Test {
public:
    // The debugger's frame window.
    static HWND frame();
    // A folder for the test's files (the artefacts folder when the test
    // runs under CTest), as a Windows path without a trailing backslash.
    static std::string work();

    // Sends the frame a menu command, as the menu would; the boxes it
    // opened, answered.
    static std::vector<WindowInfo> command(int id);
    // Sends a message to a window and handles what it queued; the boxes
    // it opened are appended to `boxes`.
    static LRESULT send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0,
                        std::vector<WindowInfo>* boxes = nullptr);
    // Types the keys into a window as characters: each Enter's command
    // has ended when the next key goes.
    static void type(HWND window, const std::string& keys, std::vector<WindowInfo>* boxes = nullptr);
    // A key pressed and released.
    static void key(HWND window, UINT virtualkey);
    // A left click at a point of the window's client area.
    static void click(HWND window, POINT at, std::vector<WindowInfo>* boxes = nullptr);

    // A dialog worked by hand: `open` (on the test's thread) opens it and
    // returns when it has ended, while `drive` (on a thread of its own, so
    // its messages reach the dialog's modal loop) gets the dialog, found by
    // its title, and works it. A dialog that `drive` left open is answered
    // as any box; false when none with that title came.
    static bool dialog(const std::string& title, const std::function<void()>& open,
                       const std::function<void(HWND)>& drive);

    // Handles every queued message as the message loop would.
    static void pump();
    // Waits up to `ms` for the condition, handling messages meanwhile.
    static bool waitfor(const std::function<bool()>& condition, DWORD ms = 10000);
    // The boxes answered since the last call, in order.
    static std::vector<WindowInfo> answered();
};

// A window as it paints itself, drawn into a memory bitmap (WM_PRINT),
// whatever covers it on the screen.
class Picture {
public:
    // The client area (with `whole`: the frame and borders too).
    explicit Picture(HWND window, bool whole = false);
    // The client area (with `whole`: the window with its frame and
    // children, repainted first) as the screen shows it: what the window's
    // last paints (and scrolls) left there. The pictures kept for a look
    // are taken so.
    static Picture onscreen(HWND window, bool whole = false);
    int width() const { return w; }
    int height() const { return h; }
    COLORREF at(int x, int y) const;
    // How many pixels of the rectangle differ from `colour`.
    int differing(const RECT& r, COLORREF colour) const;
    bool save(const std::string& path) const;

    bool operator==(const Picture& other) const { return w == other.w && h == other.h && pixels == other.pixels; }

private:
    Picture() = default;
    int w = 0, h = 0;
    std::vector<uint32_t> pixels;
};

}  // namespace windowtest
