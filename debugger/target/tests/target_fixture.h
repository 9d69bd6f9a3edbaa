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

namespace vy {

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
