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
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "engine_fixture.h"

namespace vy {

// Stores bytes at an address.
inline void poke(uint16_t address, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) wrbyte(address++, b);
}

class CoreTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        // No symbol or register value of an earlier test.
        std::vector<std::string> names;
        for (SymRec* s = symlist; s; s = s->next) names.emplace_back(s->name());
        for (const std::string& name : names)
            if (name != ".irq" && name != ".time" && name != ".merr") undefsym(name.c_str());
        regs = RegImage{};
        pending().clear();
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
        queue(lines);
        shown();
        while (!pending().empty()) interp(nullptr, 1);
        return shown();
    }

    // Lines typed ahead, read by whatever reads the console next.
    static void queue(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) pending().push_back(line);
    }

private:
    static std::deque<std::string>& pending() {
        static std::deque<std::string> lines;
        return lines;
    }
    // The console echoes what is typed.
    static bool typeline(std::string& line) {
        if (pending().empty()) return false;
        line = pending().front();
        pending().pop_front();
        services().cmdoutput(line);
        return true;
    }
};

}  // namespace vy
