// The texts of the file and function browsers, built from the debug
// tables: the list windows' hypertext (each name a link, each function's
// activation mark a link too), the saved file list (".fls") and function
// list (".fns"), and the printed lists.
#pragma once
#include <string>
#include <string_view>

#include "debugger/frame/text_buffer.h"

namespace vy {

struct FileRec;
struct FuncRec;

// The files and functions that are listed: a file whose name is not unique
// is not, nor a function without a start, a nameless one or one whose name
// begins with '.'.
bool listedfile(const FileRec& file);
bool listedfunction(const FuncRec& function);

// The window texts; false when memory ran out (the buffer is then freed).
// A function list of one file (`file` named exactly) or of all files.
bool fillfilebrowser(TextBuf& buf);
bool fillfunctionbrowser(TextBuf& buf, const char* file);

// A function's activation mark at the start of its line: 15 bytes, 8
// columns, its state as a link 'S' ("Son" or "Soff").
std::string statemark(bool on);
// The 13 bytes that a toggle writes over the start of the line: with the 2
// bytes after them the line then holds the other mark.
std::string togglebytes(bool on);
// The name of a line's first function link, codes removed ("" when none).
std::string functionlinkname(std::string_view line);
// What a click on a mark runs: "deact NAME()" when the clicked link's
// payload begins with "on", else "activ NAME()".
std::string togglecommand(std::string_view link, std::string_view name);

// The saved lists, and the printed function list (the saved one without
// the tabs before each file's heading and each function).
std::string savedfilelist();
std::string savedfunctionlist(bool printed = false);

}  // namespace vy
