// I/O modules as the ".iod" description files give them: a module's
// registers, each register's bit fields and each field's named values, the
// value of a field within its register, and reading and writing registers
// through the debugger's accessors.
//
// A file is text, one record per line, told apart by its first two
// characters: the first line is the module's title; a line that does not
// begin with a blank is a register ("B 1020,TCTL1": size letter, address in
// hexadecimal, name); a blank and another character begin a bit field of the
// last register (" W 7,6,OM2": access, high bit, low bit, name; a high bit
// of 20 makes a scattered field whose second number is its mask); two
// blanks begin a named value of the last field ("  1,Toggle", or "  X,Other"
// for any value not named). Lines are read in pieces of 509 characters.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "debugger/target/plugin_exports.h"

namespace vy {

// An item of a viewer's tree; only the window code looks inside.
using TreeItem = void*;

struct IodField;
struct IodRegister;

struct IodValue {
    IodValue* link;
    IodField* field;
    uint8_t other;       // the line for any value not named ("X")
    uint32_t value;      // 0 on the other-value line
    char* text;
};

struct IodField {
    IodField* link;
    IodRegister* reg;
    uint8_t highbit;     // SCATTERED for a field given by its mask
    uint8_t lowbit;
    uint32_t mask;       // the bits of a scattered field
    char access;         // 'R': read only
    uint32_t valuecount;
    char* name;
    IodValue* values;
    TreeItem item;
};

struct IodRegister {
    IodRegister* link;
    uint8_t size;        // 1, 2 or 4 bytes
    uint8_t frozen;      // not read again on refresh
    uint32_t address;    // from the line, plus the module's offset
    uint32_t value;      // last read from or written to the target
    char* name;
    TreeItem item;
    IodField* fields;
};

struct IodModule {
    IodModule* link;
    int32_t offset;      // added to every register's address
    char* title;
    char* filename;
    IodRegister* registers;
};

// The high bit that marks a scattered field.
constexpr uint8_t SCATTERED = 0x20;
// Lines (and titles) are read in pieces of at most this many characters.
constexpr std::size_t IODPIECE = 509;

// The debugger's functions as the plug-in found them.
extern DebuggerCalls dbgcalls;

// A zero-ended copy of the text in a list-node block (freed with freenode).
char* newtext(std::string_view text);

// A new zero-filled module record with its title, pushed onto `link`.
IodModule* newmodule(IodModule* link, std::string_view title);
// Frees a module with its texts, registers, fields and values; returns its
// link, so that a list goes in one loop.
IodModule* freemodule(IodModule* module);
void freemodules(IodModule*& list);
// Unlinks `module` from `list` (nothing when it is not there).
void unlinkmodule(IodModule*& list, IodModule* module);

// Reads the module's file (its file name) into registers, fields and
// values; each register is read from the target as its line is met.
// False when the file cannot be opened (the module stays empty).
bool LoadIodModule(IodModule* module);
// The same from the file's whole text.
void LoadIodText(IodModule* module, std::string_view text);

// The title of a description file: its first line (at most 509
// characters); false when the file cannot be read or is empty.
bool ReadIodTitle(const char* path, std::string& title);

// The register's value in the target, by its size.
uint32_t ReadRegister(const IodRegister* reg);
// Writes the register's value by its size; a live register then has the
// debugger repaint its data-memory windows.
void WriteRegister(const IodRegister* reg);

// The field's value within a register value: a bit range shifted down, a
// scattered field's bits packed from its mask's lowest bit up. A bit range
// with a bit above 31 or its low bit above its high bit is empty (0).
uint32_t FieldValue(uint32_t regvalue, const IodField* field);
// As many low one-bits as the field is wide.
uint32_t FieldWidthMask(const IodField* field);
// The register value with the field's bits replaced by `value`, cut to the
// field's width first.
uint32_t FieldInserted(uint32_t regvalue, uint32_t value, const IodField* field);
// Puts `value` into the field of the register's value and writes the
// register.
void InsertField(uint32_t value, IodField* field, IodRegister* reg);

}  // namespace vy
