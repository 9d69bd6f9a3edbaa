// Typed values of the target: reading a value of a C type from wherever its
// storage class says it is (memory, a register, the function result, a
// constant), writing one back, choosing its display format by type and
// radix, and printing whole variables, arrays and structures.
//
// Storage classes as read here: 4 the function result; 7, 15, 20 a
// register; 12 a constant (the address is the value); 5 the result for
// single bits; any other class target memory. A variable record of a frame
// goes through readvar, which gives its address and the class to read it
// with (an argument that arrived in a register is in memory once its frame
// is set up).
#pragma once
#include <cstdint>
#include <string>

namespace vy {

struct FrameNode;
struct FuncRec;
struct LocalRec;

// The two-bit derivation fields of a type word, from the outermost.
enum : uint8_t { DERIV_NONE = 0, DERIV_POINTER = 1, DERIV_FUNCTION = 2, DERIV_ARRAY = 3 };
inline uint8_t derivation(uint32_t type, int k) { return static_cast<uint8_t>(type >> (30 - 2 * k) & 3); }
// The number of derivations (at most eleven; the first empty field ends them).
int nderivations(uint32_t type);
// Whether a base type carries a bit-field word in its detail.
bool hasbitfield(uint8_t base);
// Whether a base type is a structure, union or enumeration.
inline bool hasmembers(uint8_t base) { return base >= 72 && base <= 78; }

// Size in target bytes of a variable: the base type's size (2 for a
// pointer), a structure's or union's size from its member list, arrays
// times their counts.
uint32_t typesize(const LocalRec* rec);
// The number of pointer derivations from the outermost; setptrdepth makes
// a record's type its base type under n pointers.
int ptrdepth(uint32_t type);
void setptrdepth(LocalRec* rec, int n);
// 1 for unsigned char, short, int and long.
int isunsigned(uint32_t type);

// A value read from the target: 32 bits, or a host double for the floating
// types.
struct TargetValue {
    uint32_t bits = 0;
    double real = 0;
    bool isreal = false;
};
// Reads a value of a type (a pointer-derived type reads as a pointer).
// detail is the type's first detail word: the bit-field word (width in bits
// 0-7, shift in bits 8-12; the bit number for one-bit types) or the pointer
// word (its bits 0x3000 give the pointer's width). 8- and 16-bit values
// are sign-extended, unsigned char and unsigned int masked.
TargetValue rdvalue(uint16_t address, uint32_t detail, uint8_t cls, uint32_t type);
// Writes a value of a type back; a bit-field keeps every bit outside the
// field. Register and result classes set D.
void wrvalue(const TargetValue& value, uint16_t address, uint32_t type, uint8_t cls, uint32_t detail);
// A pointer-sized value: registers for classes 4, 7 and 15, else 8, 16 or
// 32 bits of memory by the pointer word's width bits; writepointer leaves
// registers alone.
uint32_t readpointer(uint8_t cls, uint16_t address, uint32_t detail);
void writepointer(uint8_t cls, uint16_t address, uint32_t value, uint32_t detail);

// A variable of a frame: its address (varaddr) and the class to read it
// with; the first detail word of its type.
struct VarPlace {
    uint16_t address = 0;
    uint8_t cls = 0;
};
VarPlace readvar(const LocalRec* rec, const FrameNode* frame);
uint32_t firstdetail(const LocalRec* rec);

// Display formats. A type's position is its place in the base-type order
// (26 for a type not in it); the radix is 0 decimal, 1 octal, 2
// hexadecimal, 4 binary.
extern int radix;
int typeposition(uint32_t type);
const char* typefmt(int position, uint32_t detail);
// 1 when the first conversion of a format prints a string.
int fmtisstr(const char* format);
// 460 decimal, 461 octal, 462 hexadecimal, 463 binary (0 when taken);
// other ids are returned unchanged.
int setradix(int id);

// Prints one value of a type position with the format (null: the type's):
// a string format prints the string the value points to (" NULL" for 0),
// floats print through the services' float text, a type without a format
// prints "(no format)".
void showvalue(uint16_t address, const char* format, uint32_t detail, uint8_t cls, int position);
// Prints a variable at an address: arrays element by element, structures
// and unions member by member with their declarations and addresses,
// enumerations by the name of their value; returns the size shown.
// dispshort does the same on one line.
uint32_t dispvar(const LocalRec* rec, uint16_t address, const char* format);
uint32_t dispshort(const LocalRec* rec, uint16_t address, const char* format);
// " = " and the variable in the current frame.
void showlocal(const LocalRec* rec, const char* format);
// The variables of a frame in the variables browser: letters 'v' or 'V'
// plain, 'p' with pointed-to values, '&' with addresses.
void showvars(FrameNode* frame, const char* letters);

// File-level variables: the first of a name over all files; of a name and
// class in a named file; the static (class 1) and the file-level (class 6)
// one of a file.
LocalRec* findglobal(const char* name);
LocalRec* filevar(const char* name, const char* file, uint8_t cls);
LocalRec* filestatic(const char* name, const char* file);
LocalRec* fileglobal(const char* name, const char* file);
// 0 when the function's result or an argument is a structure, union, float
// or double, or an array; else 1 (the debugger can call it).
int callable(const FuncRec* fn);
// A copy of the call-frame stack, for a source-trace snapshot; the caller
// frees it (freechain).
FrameNode* copyframes();

}  // namespace vy
