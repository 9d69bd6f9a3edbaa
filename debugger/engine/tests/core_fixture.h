// The older command core at its console: lines typed one after the other,
// errors as "#error: " lines among the output, and what the command window
// showed meanwhile.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "debugger/engine/channels.h"
#include "debugger/engine/core.h"
#include "debugger/target/memory.h"
#include "debugger/target/services.h"
#include "engine_fixture.h"

namespace vy {

class CoreTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        typed().clear();
        conread = typeline;
        CmdFileRunning = true;
    }
    void TearDown() override {
        conread = nullptr;
        CmdFileRunning = false;
        EngineTest::TearDown();
    }

    // Types the lines at the console: each is read by the next command line
    // or by a command that asks for one. Returns what was shown: the prompt
    // "-> ", each line as typed, and the output.
    std::string type(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) typed().push_back(line);
        shown();
        while (!typed().empty()) interp(nullptr, 1);
        return shown();
    }

    // Stores bytes at an address.
    static void poke(uint16_t address, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) wrbyte(address++, b);
    }

private:
    static std::deque<std::string>& typed() {
        static std::deque<std::string> lines;
        return lines;
    }
    // The console echoes what is typed.
    static bool typeline(std::string& line) {
        if (typed().empty()) return false;
        line = typed().front();
        typed().pop_front();
        services().cmdoutput(line);
        return true;
    }
};

}  // namespace vy
