// The runtime library in the target model's simulator, for its tests and
// its benchmark. The library is assembled from its sources, made into
// rt11.lib and linked with an object that refers to every routine (and
// with further sources when asked); each call runs from a stub
// "jsr c_name" (followed by the routine's inline operand bytes) until it
// comes back.
//
// Memory during a call: the stub at STUB, the caller's frame pointer X =
// FRAME (the long register's high word at FRAME+2), operands at OPERAND and
// OPERAND2, the stack below STACK, the program's code from 0x8000 and its
// data from 0x2000.
#pragma once
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace rtsim {

constexpr uint16_t STUB = 0x1000;
constexpr uint16_t FRAME = 0x6000;
constexpr uint16_t OPERAND = 0x3000;
constexpr uint16_t OPERAND2 = 0x3100;
constexpr uint16_t STACK = 0x7E00;

// Register bits of the optimiser's runtime table.
enum : uint16_t { R_A = 0x01, R_B = 0x02, R_X = 0x04, R_Y = 0x08, R_SP = 0x10 };

struct Regs {
    uint16_t d = 0, x = FRAME, y = OPERAND, sp = STACK;
    uint8_t cc = 0;
};

struct Call {
    std::string routine;
    Regs in;
    std::vector<uint8_t> inline_bytes;
    std::map<uint16_t, std::vector<uint8_t>> memory;  // set before the call
    std::vector<uint16_t> stops;  // addresses that end the run besides the return
    // Instructions in place of the stub (routine and inline bytes unused);
    // the run ends behind them.
    std::vector<uint8_t> code;
};

struct Outcome {
    bool ok = false;       // came back (or reached a stop) within the bound
    uint16_t pc = 0;       // where it ended
    Regs out;
    uint32_t cycles = 0;   // from the jsr to the end, the jsr included
    std::string error;
};

class Target {
public:
    // The program, built once per test program.
    static Target& get();
    // The library with `extra` assembly sources (paths) linked in front of
    // it. Only one Target may exist in a process: the simulator is one.
    explicit Target(const std::vector<std::string>& extra = {});

    uint16_t symbol(const std::string& name) const;
    bool has(const std::string& name) const { return symbols_.count(name) != 0; }

    Outcome run(const Call& call, uint32_t max_steps = 400000);

    static void poke(uint16_t address, const std::vector<uint8_t>& bytes);
    static std::vector<uint8_t> peek(uint16_t address, size_t count);
    static void poke32(uint16_t address, uint32_t v);
    static uint32_t peek32(uint16_t address);
    static uint16_t peek16(uint16_t address);

    // The long register of a call with X = FRAME.
    static void set_lr(Call& c, uint32_t v);
    static uint32_t lr(const Outcome& o);

    std::string build_errors;

private:
    std::map<std::string, uint16_t> symbols_;
    std::vector<std::pair<uint16_t, uint8_t>> image_;
};

// The uses and effects words of a routine in the optimiser's table; false
// when it is not there.
bool routine_words(const std::string& name, uint16_t& uses, uint16_t& effects);

// The names of every routine in the optimiser's table.
std::vector<std::string> table_routines();

// Checks the register contract of one call against the table: registers
// outside the effects are kept, and the result (the registers inside the
// effects, the flags when `flags` is set, and the memory ranges named) does
// not change when the registers outside the uses, and the flags, are
// changed. Returns an empty string when all holds, else what failed.
std::string check_contract(const Call& call, const Outcome& first, std::mt19937& rng, bool flags,
                           const std::vector<std::pair<uint16_t, size_t>>& results);

// The number of random cases per routine: 200, or RT11_CASES.
int random_cases(int in_ci = 200);

}  // namespace rtsim
