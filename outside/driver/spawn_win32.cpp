// Running the passes on Windows: CreateProcess with a command line quoted
// as the C runtime splits it, and the pass's exit code.
#include "outside/driver/spawn.h"

#include <windows.h>

namespace cc11 {

const char* const EXE_SUFFIX = ".exe";

namespace {

volatile LONG interrupt_seen = 0;

BOOL WINAPI on_control(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    InterlockedExchange(&interrupt_seen, 1);
    return TRUE;  // the pass gets the interrupt too and ends itself
}

// One argument as the C runtime's command-line splitter reads it back.
std::string quoted(const std::string& a) {
    if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) return a;
    std::string q = "\"";
    size_t backslashes = 0;
    for (char c : a) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') q.append(backslashes * 2 + 1, '\\');
        else q.append(backslashes, '\\');
        backslashes = 0;
        q += c;
    }
    q.append(backslashes * 2, '\\');
    return q + "\"";
}

}  // namespace

std::string program_directory(const char* argv0) {
    char buf[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    std::string path = n > 0 && n < sizeof buf ? std::string(buf, n) : std::string(argv0 ? argv0 : "");
    size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash);
}

std::string command_text(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& a : args) {
        if (!text.empty()) text += ' ';
        text += quoted(a);
    }
    return text;
}

bool run_program(const std::string& path, const std::vector<std::string>& args, int& status) {
    std::string line = command_text(args);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // A start that fails for want of resources is tried again (a loaded
    // machine, Wine above all, now and then refuses one); a program that is
    // not there, or no program, is not.
    for (int tries = 1;; ++tries) {
        if (CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) break;
        DWORD error = GetLastError();
        if (tries == 3 || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            error == ERROR_BAD_EXE_FORMAT || error == ERROR_ACCESS_DENIED)
            return false;
        Sleep(200 * tries);
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // an exception code (a pass that crashed) is a failure like any other
    status = code > 255 ? 1 : static_cast<int>(code);
    return true;
}

bool interrupted() { return interrupt_seen != 0; }

void catch_interrupt() { SetConsoleCtrlHandler(on_control, TRUE); }

}  // namespace cc11
