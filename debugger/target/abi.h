// Where the system's C compiler puts things on the 68HC11: a function's
// frame pointer at its entry, where arguments and automatics lie relative to
// it, where a result is, and how the target stores floating values.
//
// The frame pointer is the address the compiler's entry sequence leaves in
// X plus OFST: one below the caller's return address, less the R bytes of a
// first argument that arrives in a register and is pushed there (B for a
// char, D for 16 bits, D and the word at 2,x for 32 bits). So at a
// function's entry, with the return address on top of the stack, it is
// SP - 1 - R; automatics lie below it (frame pointer - offset), stacked
// arguments above the return address (frame pointer + 4 + offset), and a
// pushed register argument at the frame pointer itself.
#pragma once
#include <cstdint>

namespace vy {

struct FrameNode;
struct FuncRec;
struct LocalRec;

// The register-argument class of a function (0: none; the base type of its
// first register argument, 64 for a derived type) and that argument's
// offset, as the call-frame tracker computes them.
struct RegArg {
    uint32_t cls = 0;
    uint16_t offset = 0;
};
RegArg regargof(const FuncRec* fn);
// R: the bytes the entry sequence pushes for the register argument: 0
// without one, 1 for a char at offset 0 (B), 4 for a long or float (D and
// 2,x), else 2 (D; a char at another offset was pushed as a word).
uint16_t regargbytes(uint32_t cls, uint16_t offset);

// The frame pointer at a function's entry: SP - 1 - R.
uint16_t framefromsp(uint32_t cls, uint16_t offset);
// The frame pointer of a function entered elsewhere than at its start, from
// its exit sequence at the code address and X. A class with bit 15 set
// (code read at the function's start) subtracts 2.
uint16_t framefromcode(uint32_t cls, uint16_t code, uint16_t offset);
// Records the argument base at a function's entry (SP - 1 - R, or SP + 1
// for a function that ends in rti); argbase gives it to the frame set-up.
void setargbase(uint32_t cls, uint16_t offset);
uint16_t argbase();

// The variable of that name among a function's arguments and locals (its
// class-18 records too), else among the file-level variables of its file;
// null when there is none. (The command engine's onvarlist adds what its
// commands can see at the moment.)
LocalRec* funcvar(const FuncRec* fn, const char* name);
// The address of a variable in a frame (0 when no frame from it to the
// oldest has the variable): fixed classes their address; a register
// argument whose frame is not yet fixed gives the register code (REG_B or
// REG_D) of where it still is.
uint16_t varaddr(const LocalRec* rec, const FrameNode* frame);
// The same in the frame that holds the variable, without the search.
uint16_t frameaddr(const LocalRec* rec, const FrameNode* frame);

// Where a function's result is, as text: "reg. b", "reg. d" or
// "reg. d and (2,x)".
const char* resultreg(uint32_t type);
// The result of the function just left: D, or for 32 bits the word at X + 2
// above D.
uint32_t getresult(int is32);
// Sets D for class 0; any other class prints "!PANIC writreg".
void writreg(uint32_t cls, uint32_t value);
// 2 for the types whose results travel through a hidden first argument
// (struct, double, long double), else 0.
uint32_t typeextra(uint32_t type);

// Target floats: IEEE single (4 bytes) and double (8 bytes), most
// significant byte first, without denormals. tgttodbl reads a single's
// infinities and NaNs as the largest single; dbltotgt truncates the
// mantissa.
double tgttodbl(const uint8_t* bytes, int isdouble);
void dbltotgt(double value, uint8_t* bytes, int isdouble);

}  // namespace vy
