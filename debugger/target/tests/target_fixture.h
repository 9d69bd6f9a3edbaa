// A fresh target model for each test: empty memory and symbol list, zero
// registers and run flags, the special symbols of start-up, and services
// that keep output and errors for inspection.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "debugger/target/console_services.h"
#include "debugger/target/services.h"

namespace vy {

// A memory event put into the list in number order (the older core makes
// them with newnode; the command text starts 4 bytes into its block), after
// which the lists are indexed again.
MemEvent* addmemevent(uint16_t number, uint16_t flags, uint16_t low, uint16_t high,
                      const char* command = nullptr);
// Removes every memory event.
void freememevents();

// Services whose event commands act as the older command core's: "{go}"
// lets the run go on, "{stop}" does not, "{del}" marks the running event
// deleted and "{add}" adds a read event on the byte behind the address hit,
// numbered after the last; each keeps the lists indexed, as the engine
// does. Other commands are kept as ConsoleServices keeps them.
class CoreServices : public ConsoleServices {
public:
    void interp(const char* text, int flag) override;
    int commandsrun = 0;
};

class TargetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stores bytes at an address.
    void poke(uint16_t address, std::initializer_list<uint8_t> bytes);
    // A path in the test's temporary directory.
    static std::string temppath(const std::string& name);
    // A file in the test's temporary directory with the given contents.
    std::string tempfile(const std::string& name, const std::string& contents);
    std::string tempfile(const std::string& name, const std::vector<uint8_t>& contents);
    // All 64 KB of target memory as the program reads it.
    static std::vector<uint8_t> memorybytes();
    // Fills memory with a pattern, so that a refused load shows if it wrote.
    static void fillbytes();

    ConsoleServices console;
};

}  // namespace vy
