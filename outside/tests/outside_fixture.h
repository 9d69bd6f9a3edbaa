// Test fixture of the stand-ins: a private directory per test, sources
// assembled in-process, links run in-process or through the programs
// themselves, and the linked program read back as memory.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ccasm/asm.h"
#include "ccasm/tools/objfile.h"
#include "outside/lomar/linker.h"

namespace outside_test {

// Text with CRLF line ends as LF.
std::string lf_lines(const std::string& s);

// A linked program read back.
struct Program {
    std::vector<uint8_t> image;
    objfile::Object obj;
    std::map<uint32_t, uint8_t> memory;  // the bytes a loader puts in memory

    bool read(const std::vector<uint8_t>& bytes);
    uint8_t byte(uint32_t address) const;
    uint16_t word(uint32_t address) const;
    std::vector<uint8_t> bytes(uint32_t address, size_t count) const;
    // The value of a symbol; fails the test when there is none.
    uint32_t symbol(const std::string& name) const;
    bool has_symbol(const std::string& name) const;
    const objfile::Section* section(const std::string& name) const { return obj.find(name); }
    // The program as Motorola S-records (S1 lines and an S9 end).
    std::string srecords() const;
};

struct LinkRun {
    bool ok = false;
    std::string errors;
    std::string map;
    std::string verbose;
    Program program;
};

struct ToolRun {
    int status = -1;
    std::string out, err;
};

class OutsideTest : public ::testing::Test {
protected:
    std::string old_dir, dir;

    void SetUp() override;
    void TearDown() override;

    static void write(const std::string& name, const std::string& text);
    static void write_bytes(const std::string& name, const std::vector<uint8_t>& bytes);
    static std::string read(const std::string& name);
    static std::vector<uint8_t> read_bytes(const std::string& name);
    static bool exists(const std::string& name);

    // Assembles `text` as NAME.s into NAME.o; the test fails on errors.
    static void assemble(const std::string& name, const std::string& text, ccasm::Options opt = {});
    // Links the link command file `text` (written as t.lkf) in-process.
    static LinkRun link(const std::string& text, const lomar::LinkOptions& options = {});

    // A program of the build (lomar, cc11, vyrsim, ...), as the host runs it.
    static std::string tool(const std::string& name);
    // Runs a program of the build in the test's directory.
    static ToolRun run_tool(const std::string& name, const std::string& args);
    static ToolRun run_path(const std::string& path, const std::string& args);

    // Where the build keeps its programs and their data files.
    static std::string bin_dir();
};

}  // namespace outside_test
