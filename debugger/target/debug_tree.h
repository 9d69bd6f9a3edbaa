// The debug tree of the loaded object file's ".debug" section: linked nodes
// that describe each source file's functions, their variables and the types
// of those variables. buildfile turns one file's part of it into the file,
// function and variable records of the debug tables.
//
// Layout (offsets from the start of the section; a word is 4 bytes most
// significant first, a type word 4 bytes least significant first):
//   file node      word 0 name offset, word 1 first function node
//   function node  +0 next node (0: the file-scope node, the last)
//                  +8 name offset (0: unnamed), +12 first line, +16 last line,
//                  +20 type word, +24 detail words, +28 variable list (0: none),
//                  +32 reference node
//   variable entry +0 name offset (0 ends a list), +4 value, +8 type word,
//                  +12 detail words
//   name string    the name, NUL, the storage-class byte; class 5 adds a word
//                  with the register number
//   member list    word 0 tag name offset (0: no tag), from +4 member entries
//                  ending with a zero name word whose value is the type's size
//   reference node word 0 called functions, word 1 referenced variables; the
//                  names are the debug strings at those two words
//   detail words   the register mask (when the file has a register map), the
//                  bit-field word, one word per derivation (also functions),
//                  the member-list node offset
#pragma once
#include <cstdint>
#include <string>

namespace vy {

struct DebugEntry;
struct FuncRec;
struct LocalRec;

// Reads of the tree. A read outside the section returns 0 and records the
// fault, which the build reports once.
uint32_t dbgword(uint32_t offset);
uint32_t dbgtype(uint32_t offset);
uint8_t dbgbyte(uint32_t offset);
std::string dbgstr(uint32_t offset);
// A heap copy of the string; with withclass the class byte behind its NUL
// too, and for class 5 the register number behind it kept in dbgregister.
char* dbgname(uint32_t offset, bool withclass);
extern uint32_t dbgregister;
// Whether a read went outside the section since the last dbgclear, and the
// first offset that did.
bool dbgfault();
uint32_t dbgfaultoffset();
void dbgclear();

// The register map of the file being built (16 entries) and whether it has
// one; mapregs translates a register mask through it.
extern uint16_t regmap[16];
extern bool regmapon;
void ldregmap(uint32_t offset);
uint16_t mapregs(uint32_t mask);

// The option record of the file being built, set by the load driver.
extern DebugEntry* curoption;

// A build pass over the file entries: lookups made once for all files.
void beginbuild();
void endbuild();
// Builds the records of the file whose file entry is given; false with the
// message in buildmessage when the tree is damaged or inconsistent.
bool buildfile(DebugEntry* entry);
extern std::string buildmessage;
// The defines of each file from the debug strings; 1.
int builddefines();

// The declaration of a variable entry of the tree as an argument:
// "int  count".
std::string declarg(uint32_t entryoffset);

}  // namespace vy
