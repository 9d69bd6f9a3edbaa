#include "window_fixture.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "debugger/frame/frame.h"

namespace windowtest {

namespace {

// Answers the boxes of this process from a thread of its own while the
// test thread sits in a box's modal loop.
class BoxWatcher {
public:
    void start() {
        self.attach(GetCurrentProcessId());
        watcher = std::thread([this] { watch(); });
    }
    void stop() {
        done = true;
        if (watcher.joinable()) watcher.join();
    }
    std::vector<WindowInfo> take() {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<WindowInfo> boxes;
        boxes.swap(answered);
        return boxes;
    }
    // A dialog of this title is a test's to work, not the watcher's.
    void leave(const std::string& title) {
        std::lock_guard<std::mutex> lock(mutex);
        driven = title;
    }

private:
    void watch() {
        std::vector<HWND> seen;
        while (!done) {
            for (HWND w : self.toplevel()) {
                if (uidriver::classof(w) != "#32770" || std::find(seen.begin(), seen.end(), w) != seen.end())
                    continue;
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    if (!driven.empty() && uidriver::textof(w) == driven) continue;
                }
                // The box is read once its texts are there.
                uidriver::waituntil([&] { return !uidriver::boxmessage(w).empty(); }, 2000);
                WindowInfo info{w, "#32770", uidriver::textof(w), uidriver::boxmessage(w)};
                seen.push_back(w);
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    answered.push_back(info);
                }
                uidriver::answer(w);
            }
            Sleep(5);
        }
    }

    uidriver::Program self;
    std::thread watcher;
    std::atomic<bool> done{false};
    std::mutex mutex;
    std::vector<WindowInfo> answered;
    std::string driven;
};

BoxWatcher boxes;
std::string workfolder;

// The debugger, brought up before the first test and closed after the
// last, as the menu's Exit closes it.
class Debugger : public ::testing::Environment {
public:
    void SetUp() override {
        // A settings file of defaults: no window is restored and nothing
        // runs at start.
        DeleteFileA(uidriver::settingsfile().c_str());
        const char* dir = std::getenv("VYR_ARTEFACTS");
        workfolder = dir ? uidriver::windowspath(dir) : "C:\\vyrtest";
        ASSERT_TRUE(uidriver::makefolders(workfolder)) << workfolder;
        boxes.start();
        ASSERT_TRUE(vy::StartDebugger(GetModuleHandleA(nullptr), "", SW_SHOWNORMAL));
        ASSERT_NE(vy::hwndFrame, nullptr);
        WindowTest::pump();
        WindowTest::answered();
    }
    void TearDown() override {
        if (vy::hwndFrame) WindowTest::command(117);
        EXPECT_EQ(vy::hwndFrame, nullptr) << "Exit did not close the frame";
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message != WM_QUIT) DispatchMessageA(&msg);
        vy::ShutDebugger();
        boxes.stop();
        uidriver::screenshot(nullptr, workfolder + "\\screen_at_end.png");
        CopyFileA(uidriver::settingsfile().c_str(), (workfolder + "\\VYRS11.INI").c_str(), FALSE);
    }
};

[[maybe_unused]] ::testing::Environment* const debugger = ::testing::AddGlobalTestEnvironment(new Debugger);

}  // namespace

HWND WindowTest::frame() { return vy::hwndFrame; }

std::string WindowTest::work() { return workfolder; }

std::vector<WindowInfo> WindowTest::command(int id) {
    std::vector<WindowInfo> opened;
    send(frame(), WM_COMMAND, static_cast<WPARAM>(id), 0, &opened);
    return opened;
}

LRESULT WindowTest::send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, std::vector<WindowInfo>* opened) {
    LRESULT result = SendMessageA(window, message, wparam, lparam);
    pump();
    std::vector<WindowInfo> now = boxes.take();
    if (opened) opened->insert(opened->end(), now.begin(), now.end());
    return result;
}

void WindowTest::type(HWND window, const std::string& keys, std::vector<WindowInfo>* opened) {
    // The queue is handled after each Enter and at the end: the paints of
    // the characters before come together, as they do when a user types
    // faster than the window paints.
    for (char c : keys) {
        if (c == '\r') send(window, WM_CHAR, '\r', 1, opened);
        else SendMessageA(window, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    send(window, WM_NULL, 0, 0, opened);
}

void WindowTest::key(HWND window, UINT virtualkey) {
    send(window, WM_KEYDOWN, virtualkey, 1);
    send(window, WM_KEYUP, virtualkey, 0xC0000001);
}

void WindowTest::click(HWND window, POINT at, std::vector<WindowInfo>* opened) {
    LPARAM where = MAKELPARAM(at.x, at.y);
    send(window, WM_LBUTTONDOWN, MK_LBUTTON, where, opened);
    send(window, WM_LBUTTONUP, 0, where, opened);
}

void WindowTest::pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        vy::DispatchFrameMessage(msg);
    }
}

bool WindowTest::waitfor(const std::function<bool()>& condition, DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        pump();
        if (condition()) return true;
        if (GetTickCount() - start >= ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

std::vector<WindowInfo> WindowTest::answered() { return boxes.take(); }

bool WindowTest::dialog(const std::string& title, const std::function<void()>& open,
                        const std::function<void(HWND)>& drive) {
    boxes.leave(title);
    uidriver::Program self;
    self.attach(GetCurrentProcessId());
    std::atomic<bool> found{false};
    std::thread driver([&] {
        HWND dialog = nullptr;
        uidriver::waituntil(
            [&] {
                for (HWND w : self.toplevel())
                    if (uidriver::classof(w) == "#32770" && uidriver::textof(w) == title) dialog = w;
                return dialog != nullptr;
            },
            10000);
        if (!dialog) return;
        found = true;
        drive(dialog);
        if (IsWindow(dialog)) uidriver::answer(dialog);
    });
    open();
    driver.join();
    boxes.leave("");
    pump();
    return found;
}

// ---------------------------------------------------------------------------
// Pictures

Picture::Picture(HWND window, bool whole) {
    RECT r{};
    if (whole) {
        GetWindowRect(window, &r);
        OffsetRect(&r, -r.left, -r.top);
    } else {
        GetClientRect(window, &r);
    }
    w = r.right;
    h = r.bottom;
    if (w <= 0 || h <= 0) return;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        PatBlt(memory, 0, 0, w, h, WHITENESS);
        SendMessageA(window, WM_PRINT, reinterpret_cast<WPARAM>(memory),
                     PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN | (whole ? PRF_NONCLIENT : 0));
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        pixels.assign(p, p + static_cast<std::size_t>(w) * h);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

Picture Picture::onscreen(HWND window, bool whole) {
    Picture p;
    RECT r{};
    if (whole) {
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        GetWindowRect(window, &r);
        OffsetRect(&r, -r.left, -r.top);
    } else {
        GetClientRect(window, &r);
    }
    p.w = r.right;
    p.h = r.bottom;
    if (p.w <= 0 || p.h <= 0) return p;
    HDC source = whole ? GetWindowDC(window) : GetDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), p.w, -p.h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, p.w, p.h, source, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* px = static_cast<const uint32_t*>(bits);
        p.pixels.assign(px, px + static_cast<std::size_t>(p.w) * p.h);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(window, source);
    return p;
}

COLORREF Picture::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= w || y >= h || pixels.empty()) return CLR_INVALID;
    uint32_t p = pixels[static_cast<std::size_t>(y) * w + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int Picture::differing(const RECT& r, COLORREF colour) const {
    int n = 0;
    for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, h); ++y)
        for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, w); ++x)
            if (at(x, y) != colour) ++n;
    return n;
}

bool Picture::save(const std::string& path) const {
    return !pixels.empty() && uidriver::savepng(path, w, h, reinterpret_cast<const uint8_t*>(pixels.data()));
}

}  // namespace windowtest
