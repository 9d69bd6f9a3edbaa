// The source files of a run: opening with the include search, the stack of
// files suspended by #include, physical line reading and line counting.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vy::cc {

struct Symbol;

// One file opened during the run; kept until the run ends.
struct SourceFile {
    SourceFile* next = nullptr;
    Symbol* debug_symbols = nullptr;  // symbols described with this file
    Symbol* debug_tail = nullptr;     // the last of them
    bool scrambled = false;
    std::uint32_t lines = 0;          // lines read, as renumbered by #line
    std::uint16_t handle[2] = {0, 0}; // debug-information handles
    std::string name;                 // as opened, with the include directory
    bool included = false;            // opened by #include
};

void source_reset();

// Opens a source file and makes it current; the file opened before it is
// suspended. With `search`, a name that does not open as given is tried in
// each include directory. Reports "can't open %s" and returns false.
bool openfile(std::string_view name, bool search);

// Reads the next physical line (without its line end) into `line`,
// switching back to the including file at end of file. False at the end of
// all input. A file past `vy::input_size_limit` bytes is "file too large" and
// ends there.
bool readsrc(std::string& line);

// True when the current file has no more lines: a logical line (joined
// lines, a comment begun on a directive line) ends with its file and never
// takes lines of the including file.
bool source_at_end();

// Ends every open file that #include opened, back to the source or header
// that began the nesting: a nesting too deep is given up as a whole, so that
// a file that includes itself twice ends with one diagnostic, not 2^depth.
void give_up_includes();

SourceFile* current_source();
// The number of files suspended by #include (or headers) under the current one.
int include_depth();
SourceFile* first_source();

// The line number of the last line read in the current file.
std::uint32_t current_line();
// Makes the next line read get number `next`.
void set_next_line(std::uint32_t next);
// The name diagnostics and debug information use: the #line name when set,
// else the current file's name, else the source named on the command line.
std::string_view diag_file_name();
void set_line_name(std::string_view name);
bool has_line_name();

// Opens `name` for binary reading; '\' and '/' both separate directories.
std::FILE* open_source_path(const std::string& name);

// The encoding of scrambled sources (first byte 0xFE): each following byte
// is XORed with a key that steps by 0x3B from 0xA7. Tests use `scramble`.
std::uint8_t scramble_key(std::uint32_t index);
std::string scramble(std::string_view plain);

}  // namespace vy::cc
