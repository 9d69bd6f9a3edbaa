#include "ui_driver.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace uidriver {

// ---------------------------------------------------------------------------
// The program

bool Program::start(const std::string& commandline, const std::string& directory) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string line = commandline;
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &si, &info) != 0 &&
           (owned = true);
}

bool Program::attach(DWORD pid) {
    info.hProcess = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid);
    info.dwProcessId = pid;
    return info.hProcess != nullptr;
}

Program::~Program() {
    if (owned && running()) kill();
    if (info.hProcess) CloseHandle(info.hProcess);
    if (info.hThread) CloseHandle(info.hThread);
}

bool Program::running() const { return info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; }

bool Program::wait(DWORD ms) { return info.hProcess && WaitForSingleObject(info.hProcess, ms) == WAIT_OBJECT_0; }

DWORD Program::exitcode() const {
    DWORD code = STILL_ACTIVE;
    if (info.hProcess) GetExitCodeProcess(info.hProcess, &code);
    return code;
}

void Program::kill() {
    if (!info.hProcess) return;
    TerminateProcess(info.hProcess, 99);
    WaitForSingleObject(info.hProcess, 5000);
}

struct Collect {
    DWORD pid;
    bool visibleonly;
    std::vector<HWND>* out;
};

static BOOL CALLBACK collecttop(HWND window, LPARAM context) {
    auto* c = reinterpret_cast<Collect*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == c->pid && (!c->visibleonly || IsWindowVisible(window))) c->out->push_back(window);
    return TRUE;
}

static BOOL CALLBACK collectchild(HWND window, LPARAM context) {
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

std::vector<HWND> Program::toplevel() const {
    std::vector<HWND> windows;
    Collect c{pid(), true, &windows};
    EnumWindows(collecttop, reinterpret_cast<LPARAM>(&c));
    return windows;
}

std::vector<HWND> Program::allwindows() const {
    std::vector<HWND> top, all;
    Collect c{pid(), false, &top};
    EnumWindows(collecttop, reinterpret_cast<LPARAM>(&c));
    for (HWND w : top) {
        all.push_back(w);
        EnumChildWindows(w, collectchild, reinterpret_cast<LPARAM>(&all));
    }
    return all;
}

HWND Program::waittoplevel(const std::string& classname, DWORD ms) const {
    HWND found = nullptr;
    waituntil(
        [&] {
            for (HWND w : toplevel())
                if (classof(w) == classname) found = w;
            return found != nullptr;
        },
        ms);
    return found;
}

std::vector<WindowInfo> Program::dialogs() const {
    std::vector<WindowInfo> found;
    for (HWND w : toplevel())
        if (classof(w) == "#32770") found.push_back({w, "#32770", textof(w), boxmessage(w)});
    return found;
}

// ---------------------------------------------------------------------------
// Windows and texts

std::string classof(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string textof(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return "";
    std::string text(length + 1, '\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 5000, &got))
        return "";
    text.resize(std::min<std::size_t>(got, length));
    return text;
}

bool settext(HWND window, const std::string& text) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                               5000, &result) != 0;
}

struct FindChild {
    const std::string* classname;
    HWND found;
};

static BOOL CALLBACK findchildproc(HWND window, LPARAM context) {
    auto* f = reinterpret_cast<FindChild*>(context);
    if (classof(window) == *f->classname) {
        f->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findchild(HWND parent, const std::string& classname) {
    FindChild f{&classname, nullptr};
    EnumChildWindows(parent, findchildproc, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

std::string boxmessage(HWND box) {
    std::vector<HWND> children;
    EnumChildWindows(box, collectchild, reinterpret_cast<LPARAM>(&children));
    std::string longest;
    for (HWND c : children) {
        if (classof(c) != "Static") continue;
        std::string text = textof(c);
        if (text.size() > longest.size()) longest = text;
    }
    return longest;
}

// The name that the next file dialog is given, guarded: the in-process
// tests answer boxes from a thread of their own.
static std::mutex filemutex;
static std::string nextfile;

void answerfilewith(const std::string& path) {
    std::lock_guard<std::mutex> lock(filemutex);
    nextfile = path;
}

// The file name box of an open or save dialog: the combo box of the
// Explorer-style dialog, or the edit of the older one.
static HWND filenamebox(HWND dialog) {
    if (HWND combo = GetDlgItem(dialog, 0x47C)) return combo;
    return GetDlgItem(dialog, 0x480);
}

bool isfiledialog(HWND dialog) { return filenamebox(dialog) != nullptr; }

static void press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void answer(HWND dialog) {
    std::string file;
    if (isfiledialog(dialog)) {
        std::lock_guard<std::mutex> lock(filemutex);
        file.swap(nextfile);
    }
    if (!file.empty()) {
        SendMessageA(filenamebox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
        press(dialog, IDOK);
        return;
    }
    // Cancel when there is such a button, else OK when there is one, else
    // what Esc gives.
    press(dialog, GetDlgItem(dialog, IDCANCEL) || !GetDlgItem(dialog, IDOK) ? IDCANCEL : IDOK);
}

bool waituntil(const std::function<bool()>& condition, DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= ms) return false;
        Sleep(20);
    }
}

// ---------------------------------------------------------------------------
// Commands and typing

std::vector<WindowInfo> sendanswering(const Program& program, HWND window, UINT message, WPARAM wparam,
                                      LPARAM lparam, DWORD ms, bool* handled) {
    std::vector<WindowInfo> answered;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool intime = false;
    std::thread sender([&] {
        DWORD_PTR result = 0;
        intime = SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, ms, &result) != 0;
        SetEvent(done);
    });
    std::vector<HWND> seen;
    if (std::getenv("UIDRIVER_TRACE")) std::fprintf(stderr, "%lu send\n", GetTickCount());
    while (WaitForSingleObject(done, 20) == WAIT_TIMEOUT) {
        if (!program.running()) break;
        for (const WindowInfo& d : program.dialogs()) {
            if (std::find(seen.begin(), seen.end(), d.window) != seen.end()) continue;
            // The box is read once its texts are there.
            waituntil([&] { return !boxmessage(d.window).empty(); }, 2000);
            WindowInfo info{d.window, d.classname, textof(d.window), boxmessage(d.window)};
            if (std::getenv("UIDRIVER_TRACE")) std::fprintf(stderr, "%lu box %p\n", GetTickCount(), (void*)d.window);
            seen.push_back(d.window);
            answered.push_back(info);
            answer(d.window);
        }
    }
    sender.join();
    if (std::getenv("UIDRIVER_TRACE")) std::fprintf(stderr, "%lu %s\n", GetTickCount(), intime ? "done" : "timed out");
    CloseHandle(done);
    if (handled) *handled = intime;
    return answered;
}

bool type(const Program& program, HWND window, const std::string& text, std::vector<WindowInfo>* answered) {
    bool intime = true;
    for (char c : text) {
        bool handled = false;
        if (c == '\r') {
            std::vector<WindowInfo> boxes = sendanswering(program, window, WM_CHAR, '\r', 1, ENTERBOUND, &handled);
            if (answered) answered->insert(answered->end(), boxes.begin(), boxes.end());
        } else {
            DWORD_PTR result = 0;
            handled = SendMessageTimeoutA(window, WM_CHAR, static_cast<unsigned char>(c), 1, SMTO_NORMAL, 20000,
                                          &result) != 0;
        }
        if (!handled) {
            std::fprintf(stderr, "uidriver: typed character %d was not handled (timed out, or the program ended)\n", c);
            intime = false;
        }
    }
    return intime;
}

void key(HWND window, UINT virtualkey) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_KEYDOWN, virtualkey, 1, SMTO_NORMAL, 5000, &result);
    SendMessageTimeoutA(window, WM_KEYUP, virtualkey, 0xC0000001, SMTO_NORMAL, 5000, &result);
}

HandleCounts handlecounts(HANDLE process) {
    HandleCounts counts{GetGuiResources(process, GR_USEROBJECTS), GetGuiResources(process, GR_GDIOBJECTS), 0};
    GetProcessHandleCount(process, &counts.kernel);
    return counts;
}

// ---------------------------------------------------------------------------
// Pictures: a PNG of uncompressed deflate blocks, enough for a test's
// artefact and readable by every viewer.

static uint32_t crc32(const uint8_t* data, std::size_t n, uint32_t crc = 0) {
    static std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

static void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

static void chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    put32(png, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    put32(png, crc32(body.data(), body.size()));
}

static std::vector<uint8_t> pngfile(int width, int height, const std::vector<uint8_t>& rows) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    put32(header, static_cast<uint32_t>(width));
    put32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});   // 8-bit RGB
    chunk(png, "IHDR", header);
    std::vector<uint8_t> z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t byte : rows) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < rows.size() || at == 0;) {
        std::size_t n = std::min<std::size_t>(rows.size() - at, 65535);
        bool last = at + n >= rows.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), rows.begin() + static_cast<std::ptrdiff_t>(at),
                 rows.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
        if (last) break;
    }
    put32(z, (b << 16) | a);
    chunk(png, "IDAT", z);
    chunk(png, "IEND", {});
    return png;
}

bool screenshot(HWND window, const std::string& path) {
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window) GetWindowRect(window, &r);
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&r, &r, &screen);
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    HDC screendc = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screendc);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screendc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap != nullptr;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screendc, r.left, r.top, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, old);
    }
    if (ok) ok = savepng(path, width, height, static_cast<const uint8_t*>(bits));
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screendc);
    return ok;
}

bool savepng(const std::string& path, int width, int height, const uint8_t* pixels) {
    std::vector<uint8_t> rows;
    rows.reserve(static_cast<std::size_t>(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        rows.push_back(0);   // no filter
        const uint8_t* row = pixels + static_cast<std::size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x) rows.insert(rows.end(), {row[4 * x + 2], row[4 * x + 1], row[4 * x]});
    }
    std::vector<uint8_t> png = pngfile(width, height, rows);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool written = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && written;
}

std::string windowspath(const std::string& unixpath) {
    if (unixpath.size() > 1 && unixpath[1] == ':') return unixpath;
    std::string path = "Z:" + unixpath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

}  // namespace uidriver
