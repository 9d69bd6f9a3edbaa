// Differential test against the GNU assembler for the 68HC11: every opcode
// row of the instruction table in its addressing mode with boundary
// operands, and branch lengthening on far targets. Native only; skipped
// when binutils-m68hc1x is not installed.
#include <cstdlib>
#include <filesystem>
#include <set>

#include "ccasm/tests/asm_fixture.h"

namespace {

using ccasm::AsmOpcodeRow;

// One instruction (or a small block) in both dialects.
struct Case {
    std::string ours;
    std::string gas;
};

bool have_tool(const char* name) {
    std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// Operand texts for the address part of a mode: {ours, gas}.
std::vector<std::pair<std::string, std::string>> address_operands(uint8_t mode) {
    switch (mode & 0x07) {
    case ccasm::MODE_DIR:
        return {{"0", "*0"}, {"0xFF", "*0xFF"}, {"0x7F", "*0x7F"}};
    case ccasm::MODE_EXT:
        return {{">0", "0"}, {"0x100", "0x100"}, {"0xFFFF", "0xFFFF"}};
    case ccasm::MODE_INDX:
        return {{"0,x", "0,x"}, {"255,X", "255,x"}, {",x", "0,x"}};
    case ccasm::MODE_INDY:
        return {{"0,y", "0,y"}, {"255,Y", "255,y"}, {"y", "0,y"}};
    case ccasm::MODE_IMM8:
        return {{"#0", "#0"}, {"#255", "#0xFF"}, {"#-128", "#-128"}, {"#127", "#0x7F"}};
    case ccasm::MODE_IMM16:
        return {{"#0", "#0"}, {"#0xFFFF", "#0xFFFF"}, {"#-32768", "#-32768"}, {"#255", "#0xFF"}};
    default:
        return {};
    }
}

// Every row of the table with boundary operands. Relative targets are
// labels placed by padding, so that the displacements are exactly -128
// and +127.
std::vector<Case> instruction_cases() {
    std::vector<Case> cases;
    const AsmOpcodeRow* rows = ccasm::opcode_rows();
    int label = 0;
    for (int i = 1; i < ccasm::opcode_row_count(); ++i) {
        const AsmOpcodeRow& r = rows[i];
        if (!r.mnemonic) continue;
        std::string mn(ccasm::mnemonic_name(r.mnemonic));
        int length = (r.prefix ? 1 : 0) + 1;
        if (r.mode == ccasm::MODE_INH) {
            cases.push_back({"\t" + mn, "\t" + mn});
            continue;
        }
        if (r.mode & ccasm::MODE_MASK) {
            // bset/bclr and brset/brclr: address byte, mask, maybe a target
            std::vector<std::pair<std::string, std::string>> addrs;
            switch (r.mode & 0x07) {
            case ccasm::MODE_DIR: addrs = {{"0", "*0"}, {"0xFF", "*0xFF"}}; break;
            case ccasm::MODE_INDX: addrs = {{"0,x", "0,x"}, {"255,x", "255,x"}}; break;
            default: addrs = {{"0,y", "0,y"}, {"255,y", "255,y"}}; break;
            }
            const char* masks[][2] = {{"#0xFF", "#0xFF"}, {"0", "#0"}};
            length += 2;
            for (int k = 0; k < 2; ++k) {
                std::string ours = "\t" + mn + "\t" + addrs[k].first + "," + masks[k][0];
                std::string gas = "\t" + mn + "\t" + addrs[k].second + " " + masks[k][1];
                if (!(r.mode & ccasm::MODE_TARGET)) {
                    cases.push_back({ours, gas});
                    continue;
                }
                length = (r.prefix ? 1 : 0) + 4;
                std::string f = "F" + std::to_string(++label), b = "B" + std::to_string(label);
                if (k == 0)
                    cases.push_back({ours + "," + f + "\n\tds\t127\n" + f + ":", gas + " " + f + "\n\t.skip\t127\n" + f + ":"});
                else
                    cases.push_back({b + ":\tds\t" + std::to_string(128 - length) + "\n" + ours + "," + b,
                                     b + ":\t.skip\t" + std::to_string(128 - length) + "\n" + gas + " " + b});
            }
            continue;
        }
        if (r.mode == ccasm::MODE_REL) {
            std::string f = "F" + std::to_string(++label), b = "B" + std::to_string(label);
            cases.push_back({"\t" + mn + "\t" + f + "\n\tds\t127\n" + f + ":", "\t" + mn + "\t" + f + "\n\t.skip\t127\n" + f + ":"});
            cases.push_back({b + ":\tds\t126\n\t" + mn + "\t" + b, b + ":\t.skip\t126\n\t" + mn + "\t" + b});
            continue;
        }
        for (const auto& [ours, gas] : address_operands(r.mode))
            cases.push_back({"\t" + mn + "\t" + ours, "\t" + mn + "\t" + gas});
    }
    return cases;
}

class OracleTest : public AsmTest {
protected:
    void SetUp() override {
        AsmTest::SetUp();
        if (!have_tool("m68hc11-as") || !have_tool("m68hc11-objcopy") || !have_tool("m68hc11-ld"))
            GTEST_SKIP() << "binutils-m68hc1x is not installed";
    }

    // Code bytes of the GNU assembler; `relax` links the object so that
    // lengthened branches get their targets.
    static bool gas_bytes(const std::string& text, bool relax, std::vector<uint8_t>& bytes, std::string& error) {
        write("g.s", text + "\n");
        write("l.x", "SECTIONS { .text 0x0 : { *(.text) } }\n");
        std::filesystem::remove("g.bin");
        std::string cmd = relax ? "m68hc11-as -o g.o g.s 2>g.err && m68hc11-ld -T l.x -o g.elf g.o 2>>g.err && "
                                  "m68hc11-objcopy -O binary -j .text g.elf g.bin 2>>g.err"
                                : "m68hc11-as -S -o g.o g.s 2>g.err && m68hc11-objcopy -O binary -j .text g.o g.bin 2>>g.err";
        if (std::system(cmd.c_str()) != 0) {
            error = read("g.err");
            return false;
        }
        bytes = read_bytes("g.bin");
        return true;
    }

    static bool our_bytes(const std::string& text, bool relax, std::vector<uint8_t>& bytes, std::string& error) {
        ccasm::Options opt;
        opt.no_branch_opt = !relax;
        AsmRun r = assemble(text + "\n", opt);
        if (r.status != 0 || !r.has_object) {
            error = r.diagnostics;
            return false;
        }
        bytes = r.bytes();
        return true;
    }

    // Compares the whole program; on a difference, each case alone.
    void compare(const std::vector<Case>& cases, bool relax) {
        std::string ours, gas;
        for (const Case& c : cases) {
            ours += c.ours + "\n";
            gas += c.gas + "\n";
        }
        std::vector<uint8_t> a, b;
        std::string error;
        ASSERT_TRUE(gas_bytes(gas, relax, b, error)) << error;
        ASSERT_TRUE(our_bytes(ours, relax, a, error)) << error;
        if (a == b) return;
        for (const Case& c : cases) {
            std::vector<uint8_t> x, y;
            std::string e1, e2;
            bool ok1 = our_bytes(c.ours, relax, x, e1), ok2 = gas_bytes(c.gas, relax, y, e2);
            EXPECT_TRUE(ok1 && ok2 && x == y) << c.ours << "\n" << e1 << e2 << "bytes " << x.size() << " vs " << y.size();
        }
        FAIL() << "the programs differ";
    }
};

TEST_F(OracleTest, EveryOpcodeRowInItsModeWithBoundaryOperands) {
    std::vector<Case> cases = instruction_cases();
    // every opcode and prefix combination of the table appears
    std::set<int> combos;
    const AsmOpcodeRow* rows = ccasm::opcode_rows();
    for (int i = 1; i < ccasm::opcode_row_count(); ++i)
        if (rows[i].mnemonic) combos.insert(rows[i].prefix << 8 | rows[i].opcode);
    EXPECT_EQ(combos.size(), 308u);
    compare(cases, false);
}

TEST_F(OracleTest, FarBranchesAreLengthenedLikeTheGnuAssembler) {
    static const char* const conditional[] = {"bhi", "bls", "bcc", "bcs", "bne", "beq", "bvc", "bvs",
                                              "bpl", "bmi", "bge", "blt", "bgt", "ble", "bhs", "blo"};
    std::vector<Case> cases;
    int n = 0;
    for (const char* mn : conditional) {
        std::string t = "T" + std::to_string(++n);
        // forward over 300 bytes, then backward over 300 bytes to a new label
        cases.push_back({std::string("\t") + mn + "\t" + t + "\n\tds\t300\n" + t + ":\tnop",
                         std::string("\t") + mn + "\t" + t + "\n\t.skip\t300\n" + t + ":\tnop"});
        std::string u = "U" + std::to_string(n);
        cases.push_back({u + ":\tds\t300\n\t" + mn + "\t" + u, u + ":\t.skip\t300\n\t" + mn + "\t" + u});
    }
    // reach limits: +127 and -128 stay short, +128 and -129 grow
    cases.push_back({"\tbeq\tE1\n\tds\t127\nE1:", "\tbeq\tE1\n\t.skip\t127\nE1:"});
    cases.push_back({"\tbeq\tE2\n\tds\t128\nE2:", "\tbeq\tE2\n\t.skip\t128\nE2:"});
    cases.push_back({"E3:\tds\t126\n\tbne\tE3", "E3:\t.skip\t126\n\tbne\tE3"});
    cases.push_back({"E4:\tds\t127\n\tbne\tE4", "E4:\t.skip\t127\n\tbne\tE4"});
    // bra and bsr become jmp and jsr
    cases.push_back({"\tbra\tJ1\n\tbsr\tJ2\n\tds\t400\nJ1:\tnop\nJ2:\trts", "\tbra\tJ1\n\tbsr\tJ2\n\t.skip\t400\nJ1:\tnop\nJ2:\trts"});
    cases.push_back({"K1:\tds\t400\n\tbsr\tK1\n\tbra\tK1", "K1:\t.skip\t400\n\tbsr\tK1\n\tbra\tK1"});
    // a chain of far branches whose lengthening moves later targets
    std::string ours, gas;
    for (int i = 0; i < 6; ++i) {
        std::string l = "C" + std::to_string(i);
        ours += "\tbeq\t" + l + "\n\tds\t60\n";
        gas += "\tbeq\t" + l + "\n\t.skip\t60\n";
    }
    for (int i = 0; i < 6; ++i) {
        ours += "C" + std::to_string(i) + ":\tnop\n";
        gas += "C" + std::to_string(i) + ":\tnop\n";
    }
    cases.push_back({ours, gas});
    // a chain in which each lengthened branch pushes the one before it out of reach
    cases.push_back({cascade_of_branches(60, "ds"), cascade_of_branches(60, ".skip")});
    compare(cases, true);
}

}  // namespace
