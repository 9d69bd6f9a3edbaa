#include "debugger/views/file_browsers.h"

#include <windows.h>
// after windows.h
#include <commdlg.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "debugger/engine/commands.h"
#include "debugger/frame/frame.h"
#include "debugger/frame/print_text.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/services.h"
#include "debugger/views/browser_text.h"
#include "debugger/views/list_text.h"
#include "debugger/views/list_window.h"
#include "debugger/views/view_calls.h"
#include "debugger/views/view_messages.h"

namespace vy {

void FileBrowser() {
    OpenListWindow("File Browser", LIST_HOSTED, LISTKIND_FILES, nullptr, "File Browser", "File",
                   [](TextBuf& buf) { return fillfilebrowser(buf); });
}

void FunctionBrowser(const char* file, int details) {
    std::string title = file ? std::string("Function Browser") + " for " + file : "Function Browser";
    OpenListWindow(title.c_str(), LIST_HOSTED, LISTKIND_FUNCTIONS, file, "Function Browser", "Function",
                   [file](TextBuf& buf) { return fillfunctionbrowser(buf, file); });
}

// ---------------------------------------------------------------------------
// Links

void ToggleFunctionState(const std::string& link, HWND window, int y) {
    ViewRecord* r = viewrecord(window);
    if (!r || !r->text.base) return;
    int32_t n = lineat(*r, y);
    std::string name = functionlinkname(textline(r->text.text(), n));
    if (name.empty() || !findfunc(name.c_str())) return;
    std::string command = togglecommand(link, name);
    docmd(command.c_str(), 1);
    // The command may have changed the tables; the function is looked up
    // again.
    const FuncRec* fn = findfunc(name.c_str());
    if (!fn || !IsWindow(window) || !(r = viewrecord(window))) return;
    std::string mark = togglebytes(fn->active == 1);
    LinePut put{mark.data(), static_cast<uint16_t>(mark.size())};
    SendMessageA(window, VWM_PUTLINE, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(&put));
    RECT row{0, (n - 1 - r->topline) * r->lineheight, r->clientwidth, (n - r->topline) * r->lineheight};
    InvalidateRect(window, &row, FALSE);
    UpdateWindow(window);
}

void LinkAction(const std::string& link, HWND window, int x, int y, WPARAM keys) {
    if (link.empty()) return;
    std::string payload = link.substr(1);
    switch (link[0]) {
    case 'E': OpenFunctionSource(payload.c_str(), nullptr, 0); break;
    case 'F':
        if (keys & MK_SHIFT) FunctionBrowser(payload.c_str(), 1);
        else OpenSourceFile(payload.c_str(), 0);
        break;
    case 'L': OpenSourceFile(payload.c_str(), 0); break;
    case 'S': ToggleFunctionState(link, window, y); break;
    case 'V': WordPopup(window, x, y); break;
    default: dberror({"!!! SELECT ", link});
    }
}

// ---------------------------------------------------------------------------
// Saving and printing

// The save dialog of a list: the path chosen, empty when cancelled.
static std::string savename(const char* filter) {
    char name[MAX_PATH] = "";
    OPENFILENAMEA of{};
    of.lStructSize = sizeof of;
    of.hwndOwner = hwndFrame;
    of.lpstrFilter = filter;
    of.nFilterIndex = 1;
    of.lpstrFile = name;
    of.nMaxFile = sizeof name;
    of.lpstrTitle = "File List";
    of.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    return GetOpenFileNameA(&of) ? name : "";
}

// Writes a text file under the wait cursor; `made` tells whether it was
// opened (and so is this run's).
static bool writetext(const std::string& path, const std::string& text, bool* made = nullptr) {
    BeginWait();
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (made) *made = f != nullptr;
    bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && std::fclose(f) != 0) ok = false;
    EndWait();
    return ok;
}

static void writelist(const std::string& path, const std::string& text) {
    if (!writetext(path, text)) dberror({"Can't write ", path});
}

void SaveFileList() {
    std::string path = savename("Files(*.fls)\0*.fls\0All Files(*.*)\0*.*\0");
    if (!path.empty()) writelist(path, savedfilelist());
}

void SaveFunctionList() {
    std::string path = savename("Functions(*.fns)\0*.fns\0All Files(*.*)\0*.*\0");
    if (!path.empty()) writelist(path, savedfunctionlist());
}

// A text handed to the printer line by line.
static PrintReader linesof(std::string text) {
    auto lines = std::make_shared<std::vector<std::string>>();
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        lines->push_back(text.substr(at, end - at));
        at = end;
    }
    auto next = std::make_shared<std::size_t>(0);
    return [lines, next](bool first) -> const char* {
        if (first) *next = 0;
        return *next < lines->size() ? (*lines)[(*next)++].c_str() : nullptr;
    };
}

void PrintFileList() { PrintText("Files List", linesof(savedfilelist())); }

void PrintFunctionList() {
    bool made = false;
    bool written = writetext(SPOOLFILE, savedfunctionlist(true), &made);
    if (made) tempfilecreated = true;
    if (!written) {
        dberror({"Can't PRINT ", SPOOLFILE});
        return;
    }
    // The spool file read back a line at a time.
    auto spool = std::make_shared<std::FILE*>(nullptr);
    auto line = std::make_shared<std::string>();
    PrintText("Functions List", [spool, line](bool first) -> const char* {
        if (first) {
            if (*spool) std::fclose(*spool);
            *spool = std::fopen(SPOOLFILE, "r");
        }
        if (*spool && readtextline(*spool, *line)) {
            *line += '\n';
            return line->c_str();
        }
        if (*spool) std::fclose(*spool);
        *spool = nullptr;
        return nullptr;
    });
    if (*spool) std::fclose(*spool);
}

}  // namespace vy
