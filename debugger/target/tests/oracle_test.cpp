// Checks against outside references: the GNU binutils for the 68HC11
// (disassembler, assembler, objcopy) and srecord. Skipped when the tools
// are not installed.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "debugger/target/decoder.h"
#include "debugger/target/line_asm.h"
#include "debugger/target/loader.h"
#include "debugger/target/memory.h"
#include "debugger/target/services.h"
#include "target_fixture.h"

namespace vy {
namespace {

bool have(const char* tool) {
    std::string command = std::string(tool) + " --version >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// Every prefix (none, 0x18, 0x1A, 0xCD) with every opcode, each in an 8-byte
// slot padded with 0x01 (nop), so that each slot starts a new instruction.
constexpr uint16_t SLOTS = 0x4000;
const uint8_t prefixes[4] = {0, 0x18, 0x1A, 0xCD};

std::vector<uint8_t> slotimage() {
    std::vector<uint8_t> image(1024 * 8, 0x01);
    for (int p = 0; p < 4; ++p) {
        for (int op = 0; op < 256; ++op) {
            uint8_t* slot = &image[(p * 256 + op) * 8];
            int i = 0;
            if (prefixes[p]) slot[i++] = prefixes[p];
            slot[i] = static_cast<uint8_t>(op);
        }
    }
    return image;
}

struct Disassembled {
    int length;            // 0 for no instruction
    std::string mnemonic;
    std::string operands;
};

// Operands in a form both disassemblers can be brought to: each value in
// hexadecimal behind its marker ('#' immediate, '*' direct), index registers
// as ",x" and ",y". The outside tool writes "*" for direct and "0x0x" before
// branch targets; a bit mask it marks with '#', which is dropped for the bit
// instructions.
std::string canonical(std::string operands, const std::string& mnemonic) {
    for (std::size_t at; (at = operands.find("0x0x")) != std::string::npos;) operands.erase(at, 2);
    for (char& c : operands)
        if (c == ',') c = ' ';
    bool bitop = mnemonic.rfind("bset", 0) == 0 || mnemonic.rfind("bclr", 0) == 0 ||
                 mnemonic.rfind("brset", 0) == 0 || mnemonic.rfind("brclr", 0) == 0;
    std::istringstream in(operands);
    std::string token, out;
    while (in >> token) {
        if (token == "x" || token == "y") {
            out += "," + token;
            continue;
        }
        char marker = 0;
        if (token[0] == '#' || token[0] == '*' || token[0] == '<') {
            marker = token[0] == '#' ? '#' : '*';
            token.erase(0, 1);
        }
        if (marker == '#' && bitop) marker = 0;
        char hex[16];
        std::snprintf(hex, sizeof hex, "%lx", std::strtoul(token.c_str(), nullptr, 0));
        out += " ";
        if (marker) out += marker;
        out += hex;
    }
    return out;
}

// The outside disassembler's view of each slot start.
std::map<uint32_t, Disassembled> objdump(const std::string& binary) {
    std::map<uint32_t, Disassembled> result;
    std::string listing = binary + ".lst";
    std::string command = "m68hc11-objdump -D -b binary -m m68hc11 --insn-width=8 " + binary +
                          " > " + listing;
    if (std::system(command.c_str()) != 0) return result;
    std::ifstream in(listing);
    std::string line;
    while (std::getline(in, line)) {
        // "   addr:\tbytes\tmnemonic operands"
        std::size_t colon = line.find(":\t");
        if (colon == std::string::npos) continue;
        std::size_t tab = line.find('\t', colon + 2);
        if (tab == std::string::npos) continue;
        uint32_t address = static_cast<uint32_t>(std::strtoul(line.c_str(), nullptr, 16));
        std::istringstream bytes(line.substr(colon + 2, tab - colon - 2));
        std::string byte;
        int count = 0;
        while (bytes >> byte) ++count;
        std::istringstream rest(line.substr(tab + 1));
        std::string mnemonic, operands;
        rest >> mnemonic;
        std::getline(rest, operands);
        // The outside tool's names for the same instructions.
        static const std::map<std::string, std::string> same = {
            {"asl", "lsl"}, {"asla", "lsla"}, {"aslb", "lslb"}, {"asld", "lsld"}, {"bgnd", "test"}};
        if (auto it = same.find(mnemonic); it != same.end()) mnemonic = it->second;
        result[address] = mnemonic == ".byte" ? Disassembled{0, "", ""}
                                              : Disassembled{count, mnemonic, canonical(operands, mnemonic)};
    }
    return result;
}

using OracleTest = TargetTest;

TEST_F(OracleTest, EveryPrefixAndOpcodeDecodesLikeObjdump) {
    if (!have("m68hc11-objdump")) GTEST_SKIP() << "m68hc11-objdump not installed";
    std::vector<uint8_t> image = slotimage();
    std::string binary = tempfile("opcodes.bin", std::string(image.begin(), image.end()));
    std::map<uint32_t, Disassembled> outside = objdump(binary);
    ASSERT_FALSE(outside.empty());
    wrblock(SLOTS, image.data(), static_cast<uint16_t>(image.size()));
    std::string text;
    int valid = 0;
    for (int p = 0; p < 4; ++p) {
        for (int op = 0; op < 256; ++op) {
            uint32_t offset = (p * 256 + op) * 8;
            SCOPED_TRACE(::testing::Message() << "prefix " << int(prefixes[p]) << " opcode " << op);
            ASSERT_TRUE(outside.count(offset));
            const Disassembled& want = outside[offset];
            uint16_t length = decinstr(static_cast<uint16_t>(SLOTS + offset), DEC_TEXT, &text);
            if (want.length == 0) {
                EXPECT_EQ(length, NOINSTR) << text;
                continue;
            }
            ++valid;
            EXPECT_EQ(length, want.length);
            EXPECT_EQ(text.substr(0, text.find(' ')), want.mnemonic);
        }
    }
    // A prefix alone stands before the padding byte 0x01, which no prefix
    // takes: the 68HC11 has 308 instructions.
    EXPECT_EQ(valid, 308);
}

// The same slots with distinct operand bytes (0x13, 0x23, ...) in each
// instruction's own bytes: operands, index registers and branch targets must
// read alike.
TEST_F(OracleTest, OperandsReadLikeObjdump) {
    if (!have("m68hc11-objdump")) GTEST_SKIP() << "m68hc11-objdump not installed";
    std::vector<uint8_t> image = slotimage();
    wrblock(SLOTS, image.data(), static_cast<uint16_t>(image.size()));
    std::string text;
    for (uint32_t offset = 0; offset < image.size(); offset += 8) {
        uint16_t length = decinstr(static_cast<uint16_t>(SLOTS + offset), DEC_TEXT, &text);
        if (length == NOINSTR) continue;
        int first = image[offset] == 0x18 || image[offset] == 0x1A || image[offset] == 0xCD ? 2 : 1;
        for (int k = first; k < length; ++k) image[offset + k] = static_cast<uint8_t>(0x10 * (k - first + 1) + 3);
    }
    std::string binary = tempfile("operands.bin", std::string(image.begin(), image.end()));
    std::map<uint32_t, Disassembled> outside = objdump(binary);
    ASSERT_FALSE(outside.empty());
    // The outside tool reads the binary from address 0; so do we.
    wrblock(0, image.data(), static_cast<uint16_t>(image.size()));
    int compared = 0;
    for (uint32_t offset = 0; offset < image.size(); offset += 8) {
        uint16_t length = decinstr(static_cast<uint16_t>(offset), DEC_TEXT, &text);
        if (length == NOINSTR) continue;
        ASSERT_TRUE(outside.count(offset)) << text;
        std::size_t blank = text.find(' ');
        std::string mnemonic = text.substr(0, blank);
        std::string operands = blank == std::string::npos ? "" : text.substr(blank);
        EXPECT_EQ(canonical(operands, mnemonic), outside[offset].operands) << text;
        ++compared;
    }
    EXPECT_EQ(compared, 308);
}

TEST_F(OracleTest, EverythingTheDisassemblerPrintsAssemblesToTheSameBytes) {
    std::vector<uint8_t> image = slotimage();
    // Give the operands distinct values so that every field is checked.
    for (std::size_t i = 0; i < image.size(); i += 8)
        for (int k = 1; k < 6; ++k)
            if (image[i + k] == 0x01 && !(k == 1 && (image[i] == 0x18 || image[i] == 0x1A || image[i] == 0xCD)))
                image[i + k] = static_cast<uint8_t>(0x10 * k + 3);
    wrblock(SLOTS, image.data(), static_cast<uint16_t>(image.size()));
    std::string text;
    int checked = 0;
    for (uint32_t offset = 0; offset < image.size(); offset += 8) {
        uint16_t address = static_cast<uint16_t>(SLOTS + offset);
        uint16_t length = decinstr(address, DEC_TEXT, &text);
        if (length == NOINSTR) continue;
        ++checked;
        // Assemble over the instruction, wiped first, at its own address.
        uint8_t original[8];
        rdblock(original, address, 8);
        for (int i = 0; i < 8; ++i) wrbyte(static_cast<uint16_t>(address + i), 0xEE);
        reader.pos = text.c_str();
        console.errors.clear();
        EXPECT_EQ(asmline(address), length) << text;
        EXPECT_EQ(console.errors, "") << text;
        for (int i = 0; i < length; ++i)
            EXPECT_EQ(rdbyte(static_cast<uint16_t>(address + i)), original[i]) << text << " byte " << i;
    }
    EXPECT_EQ(checked, 308);
}

// A program of 5,000 bytes from the outside assembler, made into S-records
// and Intel hex by objcopy and srec_cat; each must load byte for byte.
TEST_F(OracleTest, ObjcopyAndSrecCatFilesLoadByteForByte) {
    if (!have("m68hc11-as") || !have("m68hc11-objcopy") || !have("srec_cat"))
        GTEST_SKIP() << "m68hc11 binutils or srecord not installed";
    std::string data;
    uint32_t seed = 12345;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1103515245 + 12345;
        data += static_cast<char>(seed >> 16);
    }
    std::string raw = tempfile("data.raw", data);
    std::string source = tempfile("prog.s", "\t.text\nstart:\n\t.incbin \"" + raw + "\"\n");
    std::string base = source.substr(0, source.size() - 2);
    std::string commands =
        "m68hc11-as -o " + base + ".o " + source +
        " && m68hc11-ld -Ttext 0xB000 -e start -o " + base + ".elf " + base + ".o" +
        " && m68hc11-objcopy -O srec " + base + ".elf " + base + ".s19" +
        " && m68hc11-objcopy -O ihex " + base + ".elf " + base + ".hex" +
        " && srec_cat " + raw + " -binary -offset 0xB000 -o " + base + ".cat.s19 -motorola" +
        " && srec_cat " + raw + " -binary -offset 0xB000 -o " + base + ".cat.hex -intel" +
        " && srec_cat " + raw + " -binary -offset 0xB000 -o " + base + ".cat.s28 -motorola -address-length=3";
    ASSERT_EQ(std::system(commands.c_str()), 0) << commands;
    for (const char* kind : {".s19", ".hex", ".cat.s19", ".cat.hex", ".cat.s28"}) {
        SCOPED_TRACE(kind);
        initswap();
        console.errors.clear();
        ldprog((base + kind).c_str(), 0, 0, 0, 0);
        EXPECT_EQ(LoadFailed, 0);
        EXPECT_EQ(console.errors, "");
        int wrong = 0;
        for (int i = 0; i < 5000; ++i)
            wrong += rdbyte(static_cast<uint16_t>(0xB000 + i)) != static_cast<uint8_t>(data[i]);
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(rdbyte(0xAFFF), 0);
        EXPECT_EQ(rdbyte(0xB000 + 5000), 0);
    }
}

}  // namespace
}  // namespace vy
