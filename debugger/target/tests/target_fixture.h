// A fresh target model for each test: empty memory and symbol list, zero
// registers and run flags, the special symbols of start-up, and services
// that keep output and errors for inspection.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "debugger/target/console_services.h"

namespace vy {

class TargetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stores bytes at an address.
    void poke(uint16_t address, std::initializer_list<uint8_t> bytes);
    // A file in the test's temporary directory with the given contents.
    std::string tempfile(const std::string& name, const std::string& contents);

    ConsoleServices console;
};

}  // namespace vy
