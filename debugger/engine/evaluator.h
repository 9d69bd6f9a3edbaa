// The expression evaluator: C expressions written by the user, resolved
// against the registers, the cycle counter, the debugger's own variables,
// the symbol table and (through ProgramNames) the program's C names, and
// computed on the simulated target; and the printer of their values.
#pragma once
#include <cstdint>

#include "debugger/engine/names.h"
#include "debugger/target/exports.h"

namespace vy {

// Storage kinds of a result besides the storage classes of C variables.
enum : uint8_t {
    ST_VALUE = 0,       // a computed value, not an object
    ST_MEMORY = 1,      // target memory reached through *, [], . or ->
    ST_UNDERSCORE = 6,  // a symbol found under its '_' name
    ST_REGISTER = 13,   // a CPU register; the address is its code
    ST_CYCLES = 24,     // the cycle counter; the address is 1
    ST_DEBUGVAR = 25,   // a debugger variable, the symbol ".." and its name
    ST_SYMBOL = 26,     // a linker symbol without debug type
};

// The storage classes of locals held in registers or in a frame.
inline bool isframeclass(uint8_t storage) {
    return storage == 4 || storage == 5 || storage == 7 || storage == 20;
}

// One evaluated expression: made by xexpr, freed by xfree.
struct ResultRecord {
    char* text;                 // as written; behind its NUL the storage kind (9 for 0)
    void* reserved0;
    uint16_t address;           // object address; register code; 1 for the cycle counter
    uint16_t reserved1;
    uint32_t size;              // target bytes of an object, 0 for a computed value
    uint32_t type;              // TypeCode
    uint16_t aux;
    uint8_t reserved2[2];
    const TypeDetail* detail;     // owned when `owned` is set
    uint8_t reserved3[12];
    union {
        int32_t integer;        // an integer value (its low word)
        double real;            // a floating value (types 40, 41, 42)
    } value;
    uint32_t count;             // array elements to print, 0 for one value
    uint8_t storage;
    uint8_t owned;
};

// '=' is an operator; the update command switches this off while it reads
// its target, so that '=' ends that expression.
extern bool exprassign;

// The line printer of the eval command: four blanks, the text and " = "
// before a value that is not an aggregate, the value, and a line end (after
// an aggregate only while a typed command runs).
void putevalline(ResultRecord* r, char letter);

// Loads an object's value from the target by its type.
void fetchval(ResultRecord* r);
// Prints a floating value in the debugger's short form.
void putfloat(const double* value);
// Writes one character as printable C text; returns its length (at most 4).
int escchar(char* out, char c);
// A pointer to, or an array of, a character type.
int isstring(const ResultRecord* r);
// The value as a 32-bit integer (a floating value cut toward zero and held
// to 32 bits).
int32_t intvalue(const ResultRecord* r);

// The text putfloat writes, without writing it.
const char* floattext(double value);

// Set while a command typed in the command window runs: aggregates print
// inline instead of opening browsers.
bool printinline();

}  // namespace vy

extern "C" {
// Parses (and with `evaluate` computes) one expression at *position, moves
// the position past it, and returns a new record; *error is 0 or a message
// number.
VY_EXPORT vy::ResultRecord* xexpr(const char** position, int* error, int evaluate);
// Evaluates a whole text: the value as a double (isfloat 1) or an integer;
// the error number, or 58 when anything but blanks follows the expression.
VY_EXPORT int Expression(int evaluate, const char* text, int* isfloat, int32_t* integer, double* real);
// Prints a value on the current output with a format letter (0: natural).
VY_EXPORT void putresult(vy::ResultRecord* r, int letter);
VY_EXPORT void xfree(vy::ResultRecord* r);
}
