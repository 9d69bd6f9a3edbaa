// Stand-ins for the parts that the list windows call before those parts
// exist: opening a source and the symbol pop-up say so through the error
// output; the word pop-up, help, hints and drags do nothing yet. Each goes
// when its part is built.
#include <string>

#include "debugger/target/services.h"
#include "debugger/views/view_calls.h"

namespace vy {

static std::string lineword(int line) { return line ? " line " + std::to_string(line) : std::string(); }

void OpenSourceFile(const char* file, int line) {
    if (!file) return;
    dberror({"Source window for ", file, lineword(line), ": not built into this debugger yet"});
}

void OpenFunctionSource(const char* function, const char* file, int line) {
    if (!function) return;
    dberror({"Source window for ", function, "()", lineword(line), ": not built into this debugger yet"});
}

void OpenAsmPopup(HWND, int, int, const char* symbol) {
    dberror({"Symbol pop-up for ", symbol ? symbol : "", ": not built into this debugger yet"});
}
void AsmSymbolCommand(HWND, int) {}
void WordPopup(HWND, int, int) {}
bool KeywordHelp(const char*) { return false; }
bool LibraryHelp(const char*) { return false; }
void DefineHint(HWND, const char*, const char*, bool) {}
void BeginDrag(HWND, int, const char*) {}

}  // namespace vy
