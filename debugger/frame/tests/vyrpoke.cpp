// vyrpoke: pokes at the windows of a running Windows program, a test tool.
//
//   vyrpoke find CLASS             top-level windows of a class: handle, process id
//   vyrpoke windows PID            its windows: handle, class, title
//   vyrpoke boxes PID [answer]     its boxes and dialogs (and answers them)
//   vyrpoke text HWND              a window's text
//   vyrpoke settext HWND TEXT      sets a window's text
//   vyrpoke command HWND ID PID    sends WM_COMMAND ID, answering boxes
//   vyrpoke type HWND TEXT PID     types TEXT ("\r" for Enter), answering boxes
//   vyrpoke shot FILE [HWND]       a PNG of the screen or of a window
//
// Handles are hexadecimal as printed. Exit status 0, 1 on failure, 2 for a
// wrong command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui_driver.h"

using namespace uidriver;

static HWND handle(const char* text) { return reinterpret_cast<HWND>(std::strtoull(text, nullptr, 16)); }

static BOOL CALLBACK printclass(HWND window, LPARAM classname) {
    if (classof(window) == reinterpret_cast<const char*>(classname)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        std::printf("%llx %lu \"%s\"\n", reinterpret_cast<unsigned long long>(window), pid, textof(window).c_str());
    }
    return TRUE;
}

static void show(const std::vector<WindowInfo>& answered) {
    for (const WindowInfo& a : answered) std::printf("answered [%s] %s\n", a.title.c_str(), a.message.c_str());
}

static std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'r') {
            out += '\r';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

int main(int argc, char** argv) {
    std::string verb = argc > 1 ? argv[1] : "";
    Program program;
    if (verb == "find" && argc == 3) {
        EnumWindows(printclass, reinterpret_cast<LPARAM>(argv[2]));
        return 0;
    }
    if (verb == "windows" && argc == 3 && program.attach(std::strtoul(argv[2], nullptr, 10))) {
        for (HWND w : program.allwindows())
            std::printf("%llx %s \"%s\"\n", reinterpret_cast<unsigned long long>(w), classof(w).c_str(),
                        textof(w).c_str());
        return 0;
    }
    if (verb == "boxes" && argc >= 3 && program.attach(std::strtoul(argv[2], nullptr, 10))) {
        for (const WindowInfo& d : program.dialogs()) {
            std::printf("%llx [%s] %s\n", reinterpret_cast<unsigned long long>(d.window), d.title.c_str(),
                        d.message.c_str());
            if (argc == 4) answer(d.window);
        }
        return 0;
    }
    if (verb == "text" && argc == 3) {
        std::printf("%s\n", textof(handle(argv[2])).c_str());
        return 0;
    }
    if (verb == "settext" && argc == 4) return settext(handle(argv[2]), argv[3]) ? 0 : 1;
    if (verb == "command" && argc == 5 && program.attach(std::strtoul(argv[4], nullptr, 10))) {
        show(sendanswering(program, handle(argv[2]), WM_COMMAND, std::strtoul(argv[3], nullptr, 10), 0));
        return 0;
    }
    if (verb == "type" && argc == 5 && program.attach(std::strtoul(argv[4], nullptr, 10))) {
        std::vector<WindowInfo> answered;
        type(program, handle(argv[2]), unescaped(argv[3]), &answered);
        show(answered);
        return 0;
    }
    if (verb == "shot" && (argc == 3 || argc == 4)) return screenshot(argc == 4 ? handle(argv[3]) : nullptr, argv[2]) ? 0 : 1;
    std::fprintf(stderr, "usage: vyrpoke find|windows|boxes|text|settext|command|type|shot ... (see the source's head)\n");
    return 2;
}
