// frames.c for the tests: frames.s is its code as the code generator builds
// it, framestree() its debug tree as the front end describes it; and the
// harness that runs a program made from frames.c against the host's run of
// it, whichever way the program was made.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "frames_host.h"
#include "program_fixture.h"

namespace vy {

struct FrameNode;
struct FuncRec;

progbuild::Program framestree();

// Reads "name", "*name", "name.member" and "name->member" in a frame, with
// the debugger's own lookups, as the host holds such a value.
host::Value readexpr(const FrameNode* frame, std::string text);
// Whether an address lies in a function's code (from its start to its end
// entry).
bool infunction(const FuncRec* fn, uint16_t address);
// Every frame's return address, read from the simulated stack where the
// frame pointer says the entry sequence left it, lies in the function of
// the frame below.
void checkstack();
// Runs a program made from frames.c by steps until the PC reaches halt:
// the stack checked at every step, each stop on a line noted in stops as
// "function:line/depth", and at each probe the argument and local values
// compared with the host's run. Ends with main returned and no error.
void walkprogram(uint16_t halt, std::vector<std::string>& stops);

// frames.s loaded with its tree; exitaddress is where the start-up code
// halts after main returned.
class FramesProgramTest : public ProgramTest {
protected:
    void SetUp() override;
    uint16_t exitaddress = 0;
};

}  // namespace vy
