// A fresh engine for each test, without windows, in a directory of its own:
// what the command window shows is in headless.cmdwindow, error boxes in
// headless.boxes.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace vy {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A file in the test's directory (the current directory).
    void write(const std::string& name, const std::string& contents);
    std::string read(const std::string& name);
    bool exists(const std::string& name);

    // Runs lines as a command file and returns what the command window
    // showed meanwhile.
    std::string run(const std::string& lines);
    // What the command window showed since the last call.
    std::string shown();

    // Assembles NAME.s from the source with ccasm (absolute, full debug
    // information, local symbols kept) into NAME.o and loads it; false when
    // the assembler or the load failed.
    bool assemble(const std::string& name, const std::string& source);

private:
    std::filesystem::path dir_, home_;
};

// The engine and the target model as a fresh debugger starts them (no
// symbol or debugger variable of an earlier test left), and everything a
// loaded program leaves dropped again: under Wine all tests run in one
// process.
void startengine();
void stopengine();

// Text with LF line ends (text files have CRLF on Windows).
std::string lflines(std::string text);

// How many generated cases a random test runs: VY_FUZZ_CASES when set, else
// the number given (a quarter of it under Windows, where tests run slower).
int generatedcases(int native);

}  // namespace vy
