// The target model and vyrsim on hostile input: operand expressions nested
// without end, control bytes in the texts an error quotes, endless program
// files; and a fuzz run of what vyrsim does (load, assemble, disassemble,
// step) on mutated and endless files and hostile assembly lines.
#include <chrono>
#include <cstdlib>
#include <random>
#include <string>

#include "debugger/target/decoder.h"
#include "debugger/target/line_asm.h"
#include "debugger/target/loader.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/semantics.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "support/one_line.h"
#include "support/tests/endless_input.h"
#include "support/tests/fuzz_budget.h"
#include "support/tests/line_checks.h"
#include "target_fixture.h"

namespace vy {
namespace {

using RobustTest = TargetTest;

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST_F(RobustTest, OperandsNestedBeyondTheBoundAreNestingTooDeep) {
    const std::string texts[] = {
        "ldaa #" + repeat("(", 30000) + "1" + repeat(")", 30000),
        "ldd " + repeat("-", 100000) + "1",
        "ldx " + repeat("(-", 50000) + "1",
        repeat("(", 100000),
    };
    for (const std::string& text : texts) {
        wrbyte(0x8000, 0xEE);
        console.errors.clear();
        reader.pos = text.c_str();
        EXPECT_EQ(asmline(0x8000), 0) << text.substr(0, 20);
        EXPECT_EQ(console.errors, "nesting too deep\n") << text.substr(0, 20);
        EXPECT_EQ(rdbyte(0x8000), 0xEE);
        EXPECT_TRUE(reader.pos >= text.c_str() && reader.pos <= text.c_str() + text.size());
    }
    // Nesting within the bound is an operand like any other.
    std::string text = "ldaa #" + repeat("(-", 100) + "1" + repeat(")", 100);
    reader.pos = text.c_str();
    console.errors.clear();
    EXPECT_EQ(asmline(0x8000), 2);
    EXPECT_EQ(console.errors, "");
    EXPECT_EQ(rdbyte(0x8001), 0x01);
}

TEST_F(RobustTest, ErrorsQuotingInputStayOneLine) {
    ldprog("no\nsuch\x1b[2J\rfile.s19", 0, 0, 0, 0);
    EXPECT_EQ(LoadFailed, 1);
    EXPECT_EQ(console.errors, "!PANIC can't open: no\\x0Asuch\\x1B[2J\\x0Dfile.s19\n");
}

#ifndef _WIN32
TEST_F(RobustTest, EndlessProgramFilesAreRefused) {
    if (vytest::has_dev_zero()) {
        wrbyte(0x0000, 0x5A);
        EXPECT_EQ(ldprog("/dev/zero", 1, 0, 0, 0), 0);
        EXPECT_EQ(LoadFailed, 1);
        EXPECT_EQ(console.errors, "***** absolute *****\nread error absolu: file too large\n");
        EXPECT_EQ(rdbyte(0x0000), 0x5A);
    }
    {
        vytest::EndlessFifo fifo(tempfile("endless.s19", "") + ".fifo", "S1130000000102030405060708090A0B0C0D0E0F74\n");
        ASSERT_TRUE(fifo.made());
        console.errors.clear();
        EXPECT_EQ(ldprog(fifo.path().c_str(), 0, 0, 0, 0), 0);
        EXPECT_EQ(LoadFailed, 1);
        EXPECT_EQ(console.errors, "read error S-record/Hex: file too large\n");
        EXPECT_EQ(rdbyte(0x0001), 0x00);
    }
    vytest::EndlessFifo fifo(tempfile("endless.bin", "") + ".fifo", "\x01\x02\x03");
    console.errors.clear();
    EXPECT_EQ(ldprog(fifo.path().c_str(), 1, 0, 0x100, 0), 0);
    EXPECT_EQ(LoadFailed, 1);
    EXPECT_EQ(console.errors, "***** absolute *****\nread error absolu: file too large\n");
}
#endif

std::string hex2(unsigned byte) {
    static const char digits[] = "0123456789ABCDEF";
    return {digits[(byte >> 4) & 0xF], digits[byte & 0xF]};
}

std::string srecord(uint16_t address, const std::string& data) {
    unsigned sum = static_cast<unsigned>(data.size() + 3) + (address >> 8) + (address & 0xFF);
    std::string line = "S1" + hex2(static_cast<unsigned>(data.size() + 3)) + hex2(address >> 8) + hex2(address & 0xFF);
    for (char c : data) sum += static_cast<uint8_t>(c), line += hex2(static_cast<uint8_t>(c));
    return line + hex2(~sum & 0xFF) + "\n";
}

// What vyrsim does with a program file and its commands, on hostile input:
// mutated S-record and raw files (some endless), assembly lines nested
// 100,000 deep or holding control bytes, disassembly and steps. Nothing may
// crash or hang, and every error is one line.
// VY_FUZZ_SEED and VY_FUZZ_CASES change the seed and the number of cases.
TEST_F(RobustTest, VyrsimRunsOnHostileInputEndCleanly) {
    std::mt19937 random(static_cast<unsigned>(vytest::fuzzseed(28006)));
    auto below = [&random](uint32_t n) { return static_cast<uint32_t>(random() % n); };
    const int cases = vytest::fuzzcases(1500, 300);
    const std::string lines[] = {
        "ldaa #1", "staa <0x20", "bra 0x8000", "ldx #lbl", "bset 0,x,0x81", "lbl: nop", "inx", "jmp 0x8000",
        "ldaa #" + repeat("(", 100000) + "1", "ldd " + repeat("-", 100000) + "1", "ldaa #\x1b[31m\r",
        std::string("ldaa #\0x", 8), "\x7f\x01 nop", "lbl\x02: nop", "ldaa (1+2", "bra lbl\n\x1a",
    };
    const std::string program = srecord(0x8000, "\x86\x05\x4A\x26\xFD\x97\x20\x20\xF7") + "S9038000" + hex2(0x7C) + "\n";
    const std::string path = tempfile("fuzz.prog", "");
    int failed_loads = 0;
    for (int i = 0; i < cases; ++i) {
        std::string file = program;
        bool raw = below(4) == 0;
        if (raw) {
            file.assign(below(3000), '\0');
            for (char& c : file) c = static_cast<char>(random());
        }
        for (uint32_t m = below(4); m > 0 && !file.empty(); --m) {
            std::size_t at = below(static_cast<uint32_t>(file.size()));
            switch (below(4)) {
            case 0: file[at] = static_cast<char>(random()); break;
            case 1: file[at] = "\0\n\r\x1b\x7f"[below(5)]; break;
            case 2: file.resize(at); break;
            default: file.insert(at, std::string(below(100), "0F"[below(2)])); break;
            }
        }
        if (below(50) == 0) file.append(70000, '\x01');  // beyond the address space
        std::string name = path;
        if (below(20) == 0) name += std::string("\x1b\n", 2);  // a name that does not open
        else {
            std::FILE* f = std::fopen(path.c_str(), "wb");
            std::fwrite(file.data(), 1, file.size(), f);
            std::fclose(f);
        }
        console.errors.clear();
        console.out.clear();
        meminit();
        regs = RegImage{};
#ifndef _WIN32
        if (below(200) == 0 && vytest::has_dev_zero()) name = "/dev/zero", raw = true;
#endif
        ldprog(name.c_str(), raw, 0, 0x8000, 0);
        closeobj();
        if (LoadFailed) ++failed_loads;
        for (uint32_t c = below(6); c > 0; --c) {
            const std::string& text = lines[below(std::size(lines))];
            reader.pos = text.c_str();
            asmline(static_cast<uint16_t>(0x8000 + below(16)));
        }
        std::string text;
        for (uint16_t a = 0x8000, n = 0; n < 16; ++n) {
            uint16_t len = decinstr(a, DEC_TEXT, &text);
            a = static_cast<uint16_t>(a + (len == NOINSTR ? 1 : len));
        }
        setpc(0x8000);
        for (int s = 0; s < 200; ++s) {
            if (decinstr(getpc(), DEC_EXEC, nullptr) == NOINSTR) break;
        }
        SCOPED_TRACE("case " + std::to_string(i));
        ASSERT_TRUE(vytest::clean_lines(console.errors)) << one_line(console.errors);
    }
    EXPECT_GT(failed_loads, 0);
    EXPECT_LT(failed_loads, cases);
}

}  // namespace
}  // namespace vy
