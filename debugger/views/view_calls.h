// What the list windows call in views and frame parts of their own: the
// source windows, the expression pop-ups, keyword help and drag and drop.
// Until those parts are built, view_standins.cpp answers for them.
#pragma once
#include <windows.h>

namespace vy {

// Opens (or raises) the source window of a file, at a line when it is
// not 0; of a function's file at the function, or at a line.
void OpenSourceFile(const char* file, int line);
void OpenFunctionSource(const char* function, const char* file, int line);

// The assembler-symbol pop-up menu at a client point of a window, and its
// commands (920 to 939, 941 to 943).
void OpenAsmPopup(HWND window, int x, int y, const char* symbol);
void AsmSymbolCommand(HWND window, int id);
// The pop-up of the word under the pointer; it acts by the window's source
// kind, which list windows have none of.
void WordPopup(HWND window, int x, int y);

// Help on a C keyword and on a C library function: true when it took the
// word.
bool KeywordHelp(const char* word);
bool LibraryHelp(const char* word);
// The macro value of a word in a loaded source file, shown at the pointer
// (or only looked up).
void DefineHint(HWND window, const char* file, const char* word, bool show);

// A drag of a name begins: item kind 1 a variable, 4 a function, 5 a file.
void BeginDrag(HWND window, int kind, const char* text);

}  // namespace vy
