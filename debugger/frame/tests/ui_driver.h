// A small driver of Windows programs for tests: it starts a program, finds
// its windows, reads and sets their texts, sends them commands and typed
// characters, answers the message boxes and dialogs they open, counts what
// they hold, takes pictures of the screen and waits for the program's end.
// Every wait is bounded.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace uidriver {

// A window the driver saw: its handle, class, title and (for a message box)
// the text of its message.
struct WindowInfo {
    HWND window;
    std::string classname;
    std::string title;
    std::string message;
};

// A started program.
class Program {
public:
    // Starts `commandline` in `directory` (empty: the current one).
    bool start(const std::string& commandline, const std::string& directory = "");
    // Takes a running process by its id (it is not ended with this object).
    bool attach(DWORD pid);
    ~Program();

    DWORD pid() const { return info.dwProcessId; }
    HANDLE process() const { return info.hProcess; }
    bool running() const;
    // Waits up to `ms` for the end; false when it did not end.
    bool wait(DWORD ms);
    // The exit status (STILL_ACTIVE while running).
    DWORD exitcode() const;
    void kill();

    // Its visible top-level windows, and all its windows (children too).
    std::vector<HWND> toplevel() const;
    std::vector<HWND> allwindows() const;
    // The first top-level window of the class, waiting up to `ms`.
    HWND waittoplevel(const std::string& classname, DWORD ms) const;
    // The message boxes and dialogs it shows (class "#32770").
    std::vector<WindowInfo> dialogs() const;

private:
    PROCESS_INFORMATION info{};
    bool owned = false;
};

std::string classof(HWND window);
std::string textof(HWND window);
bool settext(HWND window, const std::string& text);
// The first descendant of the class (depth first), or null.
HWND findchild(HWND parent, const std::string& classname);
// The message of a box: the longest static text in it.
std::string boxmessage(HWND box);
// Answers a box or dialog: Cancel when it has such a button, else OK when
// it has one, else as Esc would. An open or save dialog is given the name
// set by answerfilewith, once, and OK.
void answer(HWND dialog);
void answerfilewith(const std::string& path);
bool isfiledialog(HWND dialog);

// Sends a message from a helper thread and, until it returns (at most
// `ms`), answers every box and dialog the program opens; returns what was
// answered, in order. `handled`, when given, tells whether the message was
// handled within `ms` (false: it timed out, or the program ended first).
// With UIDRIVER_TRACE set in the environment, the times of the send, of
// each box and of the return go to standard error.
std::vector<WindowInfo> sendanswering(const Program& program, HWND window, UINT message, WPARAM wparam,
                                      LPARAM lparam, DWORD ms = 20000, bool* handled = nullptr);

// How long a typed Enter may take: the command it runs ends before the
// send returns, and a long command file on a busy machine takes a while.
constexpr DWORD ENTERBOUND = 120000;

// Types text into a window as characters, each sent and handled before the
// next (a '\r' runs through sendanswering with ENTERBOUND, so the command
// it starts has ended when the next character goes, and the boxes the
// command opens are answered and kept in `answered`). False when a
// character was not handled in time: what the window shows is then not the
// command's whole output.
bool type(const Program& program, HWND window, const std::string& text, std::vector<WindowInfo>* answered = nullptr);
// A key press (down and up) sent to a window.
void key(HWND window, UINT virtualkey);

// Waits up to `ms` until the condition holds.
bool waituntil(const std::function<bool()>& condition, DWORD ms);

// The USER and GDI objects and the kernel handles of a process, as far as
// the system reports them (0 when it does not).
struct HandleCounts {
    DWORD user, gdi, kernel;
};
HandleCounts handlecounts(HANDLE process);

// A picture of a window's screen rectangle (the whole screen for null)
// written as a PNG file; false when it cannot be taken.
bool screenshot(HWND window, const std::string& path);
// Pixels of 32 bits (blue, green, red, unused), top row first, written as
// a PNG file.
bool savepng(const std::string& path, int width, int height, const uint8_t* pixels);

// A Unix path as the Windows programs see it (drive Z:).
std::string windowspath(const std::string& unixpath);

}  // namespace uidriver
