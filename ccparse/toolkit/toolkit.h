// Console tool library: the start-up and command-line layer that every
// console pass (ccparse, ccgen, ccopt, ccasm) links. Program name, banner
// and version line, the option parser with its usage text, wildcard
// expansion, directory lists from the environment, numbers, and allocation
// that ends the program when memory runs out.
//
// Every message here goes to standard error and every fatal path ends the
// program with status 1 through `toolexit`, whose hook tests may replace.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vy {

// ---------------------------------------------------------------- texts

// Version and release-date texts of the program (ccparse: "V4.3k" and
// "03 Jan 2002"); either may stay null.
extern const char* version_text;
extern const char* date_text;

// The program name: the base name of argv[0] after the last '/' or '\', up to
// the first '.', lower-cased. Empty until `setprogname` ran.
const char* progname();
void setprogname(const char* first_word);

// "Talvex Software", the title and the version text, without a line end.
std::string banner_text(const char* title);
void putbanner(const char* title);

// The banner, " - " and the date when set, " - Win32" and a line end.
std::string version_line(const char* title);

// ------------------------------------------------------------- options

// A list of option values (or directories from `envpaths`): N slots filled
// from the top. `free_slots()` is the number of slots still free; values
// land in slot N, N-1, ... so the used slots are free_slots()+1 .. N, the
// most recent one lowest.
class OptionList {
public:
    explicit OptionList(int capacity = 0) { reset(capacity); }
    OptionList(const OptionList&) = delete;
    OptionList& operator=(const OptionList&) = delete;

    // N free slots, nothing stored.
    void reset(int capacity);
    // Stores a value in the next slot; false (nothing stored) when no slot is free.
    bool add(const char* value);
    // Keeps a copy of `text` for as long as the list lives and returns it.
    const char* keep(std::string_view text);

    int capacity() const { return static_cast<int>(slots_.size()) - 1; }
    int free_slots() const { return free_; }
    int size() const { return capacity() - free_; }
    // Slot i (1..N) as the layout above numbers them; null when unused.
    const char* slot(int i) const { return slots_[static_cast<std::size_t>(i)]; }
    // The used values, most recent first, and in the order they were given.
    std::vector<const char*> newest_first() const;
    std::vector<const char*> oldest_first() const;

private:
    std::vector<const char*> slots_;  // slot 0 is unused
    int free_ = 0;
    std::deque<std::string> owned_;
};

// Where an option's value goes: an int (flags, numbers, characters), a text
// pointer ('*'), or a list ('>').
using OptionTarget = std::variant<int*, const char**, OptionList*>;

// One option: its descriptor text (match characters, kind characters
// '#', '##', '*', '?', '>', then blanks and the help text; a leading '<'
// hides it from the usage listing) and the target of its value.
struct OptionDescriptor {
    const char* text;
    OptionTarget target;
};

// Parses the options. On entry `argc` counts all words and `argv` points at
// the program name; on return `argv` points at the first word that is not an
// option and `argc` counts the words left (after wildcard expansion). A null
// `usage_tail` makes the parser tolerant: an unknown option returns at once,
// and there is neither wildcard expansion nor usage for an empty command line.
void parse_command_line(int& argc, char**& argv, const char* title, const char* usage_tail,
                        std::span<const OptionDescriptor> options);

// The usage text for `title`, `usage_tail` and the options (what "-help"
// prints before the program ends with status 1).
std::string usage_text(const char* title, const char* usage_tail,
                       std::span<const OptionDescriptor> options);

// Called once by the parser before it reads the first argument; does nothing.
void optionhook();

// Expands the arguments that hold '*' or '?' into the names of the files
// that match; a pattern that matches nothing is removed. At most 127
// arguments, else `toomanynames`.
void expandwild(int& argc, char**& argv);

// Appends the ';'-separated directories of an environment variable to a list;
// a trailing '\' or '/' of a directory is dropped. Unset: nothing happens.
void envpaths(OptionList& list, const char* variable);

// Parses a number (blanks, an optional sign, digits in `base`; base 1 picks
// 16 for "0x", 8 for a leading 0, else 10) into `result` in 32-bit wrapping
// arithmetic, and returns the position of the first character not used.
const char* getnum(const char* text, std::int32_t* result, int base);

// ---------------------------------------------------------- allocation

// A zero-filled block of at least `size` bytes (at least one pointer) whose
// first word holds `link`. Never returns null: when memory runs out it ends
// the program as `nomemory` does.
void* toolalloc(std::size_t size, void* link);
// Frees `node` and returns `next`, so that a list's head is popped in one step.
void* toolfree(void* node, void* next);

// Running out of memory is a failure like any other: writes the diagnostic
// line "#error <program> <input>:0 no memory" and ends the program with
// status 1. Installed by the programs as the new-handler so that library
// containers end the same way.
[[noreturn]] void nomemory();
// The input that `nomemory` names: the file the program is working on (the
// program name until one is set).
void set_input_name(std::string_view name);

// The program name and ": too many expanded filenames\n"; status 1.
[[noreturn]] void toomanynames();

// ------------------------------------------------------------- endings

// Ends the program with `status`. The exit hook runs first; when it returns,
// the process exits. Tests install a hook that throws `ToolExit` instead.
[[noreturn]] void toolexit(int status);
using ExitHook = void (*)(int status);
ExitHook set_exit_hook(ExitHook hook);

// What a test hook throws to unwind out of a program-ending path.
struct ToolExit {
    int status;
};

// Messages of this library are written straight to standard error (file
// descriptor 2, unbuffered); `toolstream` ones go through the stderr stream.
// Tests may route both into a buffer.
void toolwrite(std::string_view text);
void toolstream(std::string_view text);
using ErrorWriter = void (*)(std::string_view text);
ErrorWriter set_error_writer(ErrorWriter writer);

// Removes a file that the program wrote and now gives up (a partial output,
// an error file without errors), but only a plain file: a name that is a
// device (/dev/null, /dev/full, NUL) or a directory is left alone. Safe in a
// signal handler on POSIX. True when the file was removed.
bool removefile(const char* path);

}  // namespace vy
