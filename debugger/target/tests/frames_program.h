// frames.c for the tests: frames.s is its code as the code generator builds
// it, framestree() its debug tree as the front end describes it.
#pragma once
#include <cstdint>

#include "program_fixture.h"

namespace vy {

progbuild::Program framestree();

// frames.s loaded with its tree, the stack below 0x8000; exitaddress is
// where the startup code waits after main returned.
class FramesProgramTest : public ProgramTest {
protected:
    void SetUp() override;
    uint16_t exitaddress = 0;
};

}  // namespace vy
