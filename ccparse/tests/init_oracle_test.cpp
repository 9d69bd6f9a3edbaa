// Initialised data against the host compiler: structures, unions, arrays,
// strings and bit-fields initialised in ccparse and in a host program whose
// packed types have the same layout (int8_t for char, int16_t for int,
// int32_t for long; each bit-field unit an unnamed structure of its own
// unit type). The data records, each item laid out in the host's byte
// order, must give the bytes of the host's object. Native only.
#include "ccparse/tests/front_harness.h"
#include "ccparse/tests/host_tools.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

struct InitCase {
    const char* name;
    const char* ours;  // the declaration, '@' standing for the object's name
    const char* host;  // the host's declaration of the same layout
    const char* init;  // the initialiser, the same text for both
};

const char* const ours_prelude =
    "struct inner { char x; long y; };\n"
    "struct pt { int x, y; };\n"
    "enum small { S1 = 1, S2 = 200 };\n";
const char* const host_prelude =
    "#include <stdint.h>\n#include <stdio.h>\n"
    "struct __attribute__((packed)) inner { int8_t x; int32_t y; };\n"
    "struct __attribute__((packed)) pt { int16_t x, y; };\n"
    "#define P __attribute__((packed))\n";

const InitCase cases[] = {
    {"scalars of every width", "struct { char a; int b; long c; unsigned char d; short e; unsigned short f; } @",
     "struct P { int8_t a; int16_t b; int32_t c; uint8_t d; int16_t e; uint16_t f; } @",
     "{1, -2, 0x12345678, 200, -1, 70000}"},
    {"values cut to their members", "struct { unsigned char a; char b; int c; unsigned d; } @",
     "struct P { uint8_t a; int8_t b; int16_t c; uint16_t d; } @", "{300, 200, 70000, -1}"},
    {"arrays and strings in a structure", "struct { char s[6]; int n[3]; char t[2]; } @",
     "struct P { int8_t s[6]; int16_t n[3]; int8_t t[2]; } @", "{\"abc\", {1, 2}, \"xy\"}"},
    {"nested structures, partly given", "struct { struct inner i; int z[2]; struct inner j[2]; } @",
     "struct P { struct inner i; int16_t z[2]; struct inner j[2]; } @", "{{1, 2}, {3}, {{4, 5}, {6}}}"},
    {"braces left out", "struct { int a[2]; int b; char c[3]; struct pt p; } @",
     "struct P { int16_t a[2]; int16_t b; int8_t c[3]; struct pt p; } @", "{1, 2, 3, 'x', 'y', 'z', 7, 8}"},
    {"union: its first member", "union { long l; char c[3]; } @", "union P { int32_t l; int8_t c[3]; } @",
     "{0x11223344}"},
    {"union: a short first member", "union { char c[2]; long l; } @", "union P { int8_t c[2]; int32_t l; } @",
     "{\"a\"}"},
    {"union of structures", "union { struct pt p; long l; } @", "union P { struct pt p; int32_t l; } @",
     "{{-5, 6}}"},
    {"bit-fields sharing an int unit", "struct { int a:3, b:5; char c; } @",
     "struct P { struct { uint16_t a:3, b:5; }; int8_t c; } @", "{1, 2, 3}"},
    {"bit-fields cut to their widths", "struct { unsigned a:3; unsigned b:13; int c:4; } @",
     "struct P { struct { uint16_t a:3, b:13; }; struct { uint16_t c:4; }; } @", "{-1, 0x2ABC, 17}"},
    {"long bit-fields", "struct { long a:20, b:12; long c:1; } @",
     "struct P { struct { uint32_t a:20, b:12; }; struct { uint32_t c:1; }; } @", "{0xABCDE, 0xFFF, 1}"},
    {"char and int units", "struct { char a:3; int b:3; char c:5, d:3; } @",
     "struct P { struct { uint8_t a:3; }; struct { uint16_t b:3; }; struct { uint8_t c:5, d:3; }; } @",
     "{5, 6, 31, 7}"},
    {"bit-fields after a member and before one", "struct { char x; int a:4; int b:4; long y; } @",
     "struct P { int8_t x; struct { uint16_t a:4, b:4; }; int32_t y; } @", "{9, 10, 11, 12}"},
    {"bit-fields partly given", "struct { int a:4, b:4, c:8; int d; } @",
     "struct P { struct { uint16_t a:4, b:4, c:8; }; int16_t d; } @", "{3}"},
    {"an unnamed zero-width field closes the unit", "struct { int a:3; int :0; int b:3; } @",
     "struct P { struct { uint16_t a:3; }; struct { uint16_t b:3; }; } @", "{7, 5}"},
    {"array of structures", "struct pt @[3]", "struct pt @[3]", "{{1, 2}, {3}}"},
    {"two dimensions", "int @[2][3]", "int16_t @[2][3]", "{{1, 2}, {3, 4, 5}}"},
    {"two dimensions without inner braces", "int @[2][3]", "int16_t @[2][3]", "{1, 2, 3, 4}"},
    {"array of unknown size", "long @[]", "int32_t @[]", "{1, -2, 3,}"},
    {"string of exactly the size", "char @[4]", "int8_t @[4]", "\"abcd\""},
    {"string shorter than the array", "char @[8]", "int8_t @[8]", "\"ab\""},
    {"string in braces, unknown size", "unsigned char @[]", "uint8_t @[]", "{\"\\xff\\x80z\"}"},
    {"strings in an array", "char @[3][4]", "int8_t @[3][4]", "{\"ab\", \"cde\"}"},
    {"floating members", "struct { float f; double d; char c; } @",
     "struct P { float f; double d; int8_t c; } @", "{1.5, -2.25e-3, 7}"},
    {"integers for floating members", "struct { float f; double d; } @", "struct P { float f; double d; } @",
     "{3, -40000L}"},
    {"floating values for integer members", "struct { int i; long l; char c; } @",
     "struct P { int16_t i; int32_t l; int8_t c; } @", "{2.9, -70000.5, 'A' + 1.0}"},
    {"an enumeration member", "struct { enum small e; int x; } @", "struct P { uint8_t e; int16_t x; } @",
     "{S2, S1 + 1}"},
    {"scalar in braces", "long @", "int32_t @", "{-100000}"},
    {"constant expressions", "struct { int a; unsigned char b; long c; } @",
     "struct P { int16_t a; uint8_t b; int32_t c; } @", "{sizeof(struct inner) * 3, (1 << 9) + 7, -1 ? 10 : 20}"},
};

// The bytes of one object from its data records, every item in the host's
// byte order (least significant first).
std::string object_bytes(const std::vector<std::string>& ir, const std::string& name) {
    std::string out;
    bool inside = false;
    auto hex = [&](std::uint64_t v, int n) {
        char buf[4];
        for (int i = 0; i < n; ++i) {
            std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>((v >> (8 * i)) & 0xFF));
            out += buf;
        }
    };
    for (const std::string& line : ir) {
        if (line.rfind("131 declare", 0) == 0) {
            inside = line.find("name=\"" + name + "\"") != std::string::npos;
            continue;
        }
        if (!inside) continue;
        std::istringstream fields(line);
        std::string code, kind;
        fields >> code >> kind;
        if (code == "210") break;
        if (code == "137") {
            unsigned size = static_cast<unsigned>(std::stoul(line.substr(line.find("size=") + 5)));
            hex(std::stoull(line.substr(line.find("value=") + 6), nullptr, 16), static_cast<int>(size));
        } else if (code == "147") {
            out += std::string(2 * std::stoul(line.substr(line.find("zero ") + 5)), '0');
        } else if (code == "148") {
            // The characters of the run, then its terminator.
            std::string quoted = line.substr(line.find('"') + 1);
            quoted.pop_back();
            for (std::size_t i = 0; i < quoted.size(); ++i) {
                unsigned c = static_cast<unsigned char>(quoted[i]);
                if (quoted[i] == '\\' && quoted[i + 1] == 'x') {
                    c = static_cast<unsigned>(std::stoul(quoted.substr(i + 2, 2), nullptr, 16));
                    i += 3;
                } else if (quoted[i] == '\\') {
                    c = quoted[++i] == 'n' ? '\n' : static_cast<unsigned char>(quoted[i]);
                }
                hex(c, 1);
            }
            hex(0, 1);
        } else if (code == "133") {
            unsigned size = static_cast<unsigned>(std::stoul(line.substr(line.find("size=") + 5)));
            double d = std::stod(line.substr(line.find("value=") + 6));
            std::uint64_t bits = 0;
            if (size == 4) {
                float f = static_cast<float>(d);
                std::uint32_t b;
                std::memcpy(&b, &f, 4);
                bits = b;
            } else {
                std::memcpy(&bits, &d, 8);
            }
            hex(bits, static_cast<int>(size));
        } else {
            return "unexpected record: " + line;
        }
    }
    return out;
}

std::string with_name(const char* declaration, const std::string& name) {
    std::string out = declaration;
    out.replace(out.find('@'), 1, name);
    return out;
}

TEST(InitOracle, InitialisedDataAgreesWithTheHostCompiler) {
    if (!vytest::have("cc")) GTEST_SKIP() << "no host compiler";
    std::string ours = ours_prelude;
    std::string host = host_prelude;
    std::string print = "int main(void) {\n  unsigned i;\n";
    std::size_t n = std::size(cases);
    for (std::size_t i = 0; i < n; ++i) {
        std::string name = "v" + std::to_string(i);
        ours += with_name(cases[i].ours, name) + " = " + cases[i].init + ";\n";
        // The host's enumeration constants are the same numbers.
        std::string init = cases[i].init;
        for (auto [from, to] : {std::pair<std::string, std::string>{"S2", "200"}, {"S1", "1"}})
            for (std::size_t at; (at = init.find(from)) != std::string::npos;) init.replace(at, from.size(), to);
        host += with_name(cases[i].host, name) + " = " + init + ";\n";
        print += "  for (i = 0; i < sizeof " + name + "; ++i) printf(\"%02x\", ((unsigned char *)&" + name +
                 ")[i]);\n  printf(\"\\n\");\n";
    }
    host += print + "  return 0;\n}\n";

    vytest::TempDir dir;
    std::string output;
    ASSERT_TRUE(vytest::run_c_program(dir.path().string(), host, output)) << output;
    vytest::FrontRun run = vytest::compile(ours);
    ASSERT_EQ(run.status, 0) << run.errors;
    std::istringstream lines(output);
    for (std::size_t i = 0; i < n; ++i) {
        std::string expected;
        std::getline(lines, expected);
        EXPECT_FALSE(expected.empty()) << cases[i].name;
        EXPECT_EQ(object_bytes(run.ir, "v" + std::to_string(i)), expected) << cases[i].name;
        if (std::getenv("VY_SHOW")) std::printf("%s: %s\n", cases[i].name, expected.c_str());
    }
}

}  // namespace
