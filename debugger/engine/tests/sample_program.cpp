#include "sample_program.h"

#include <fstream>

#include "debugger/target/load_driver.h"
#include "debugger/target/memory.h"
#include "debugger/target/tools/program_builder.h"

namespace vy {

namespace pb = progbuild;

constexpr uint32_t ARRAY = 0xC0000000, POINTER = 0x40000000;
constexpr uint32_t INT = 24, SCHAR = 8, UCHAR = 10, STRUCT = 72, ENUMINT = 77;
constexpr uint8_t EXTERN = 6, STATIC = 1, REGISTER = 4, STATICAUTO = 16, TYPEDEF = 17, CONSTANT = 12;

static pb::Program sample() {
    using pb::var;
    pb::Program program;
    program.members = {
        {"point", "point", {var("x", 0, 0, INT), var("y", 0, 2, INT)}, 4},
        {"color", "color", {var("red", CONSTANT, 0, INT), var("green", CONSTANT, 1, INT), var("blue", CONSTANT, 2, INT)}, 2},
    };
    pb::File file;
    file.name = "f.c";
    file.globals = {
        var("point_t", TYPEDEF, 0, STRUCT, {}, "point"),
        var("arr", EXTERN, 0x300, ARRAY | INT, {4}),
        var("p", EXTERN, 0x310, POINTER | INT, {0}),
        var("q", EXTERN, 0x312, POINTER | INT, {0}),
        var("s", EXTERN, 0x320, STRUCT, {}, "point"),
        var("ps", EXTERN, 0x330, POINTER | STRUCT, {0}, "point"),
        var("pts", EXTERN, 0x338, ARRAY | STRUCT, {2}, "point"),
        var("buf", STATIC, 0x340, ARRAY | SCHAR, {8}),
        var("str", EXTERN, 0x350, POINTER | SCHAR, {0}),
        var("nil", EXTERN, 0x352, POINTER | SCHAR, {0}),
        var("longstr", EXTERN, 0x354, POINTER | SCHAR, {0}),
        var("c", STATIC, 0x360, ENUMINT, {}, "color"),
        var("uc", EXTERN, 0x362, UCHAR),
        var("sc", EXTERN, 0x363, SCHAR),
        var("f", EXTERN, 0x364, 40),
        var("d", EXTERN, 0x368, 41),
        var("bits", EXTERN, 0x370, 11, {4 << 8 | 3}),
    };
    pb::Function main;
    main.name = "main";
    main.vars = {var("r", REGISTER, 0x40, INT), var("calls", STATICAUTO, 0x380, INT)};
    file.funcs = {main};
    pb::File other;
    other.name = "g.c";
    pb::Function helper;
    helper.name = "helper";
    helper.type = POINTER | SCHAR;
    helper.typedetail = {0};
    helper.vars = {var("n", 2, 4, INT)};
    other.funcs = {helper};
    program.files = {file, other};
    return program;
}

void loadsample() {
    pb::Built built = pb::build(sample());
    {
        std::ofstream out("sample.o", std::ios::binary);
        out.write(reinterpret_cast<const char*>(built.image.data()), static_cast<std::streamsize>(built.image.size()));
    }
    dbload("sample.o", nullptr);
    // The load entered main at the start point; the rows look at names with
    // no function running.
    clrframes();

    for (int i = 0; i < 4; ++i) wrword(static_cast<uint16_t>(0x300 + 2 * i), static_cast<uint16_t>(i + 1));
    wrword(0x310, 0x306);
    wrword(0x312, 0x300);
    wrword(0x320, 5);
    wrword(0x322, 0xFFFF);
    wrword(0x330, 0x320);
    for (int i = 0; i < 4; ++i) wrword(static_cast<uint16_t>(0x338 + 2 * i), static_cast<uint16_t>(i + 1));
    const char hello[8] = "hello";
    for (int i = 0; i < 8; ++i) wrbyte(static_cast<uint16_t>(0x340 + i), static_cast<uint8_t>(hello[i]));
    wrword(0x350, 0x340);
    wrword(0x352, 0);
    wrword(0x354, 0x400);
    for (int i = 0; i < 100; ++i) wrbyte(static_cast<uint16_t>(0x400 + i), static_cast<uint8_t>('a' + i % 26));
    wrbyte(0x400 + 100, 0);
    wrword(0x360, 1);
    wrbyte(0x362, 200);
    wrbyte(0x363, 0xFF);
    wrlong(0x364, 0x3FC00000);                        // 1.5
    wrlong(0x368, 0xC0020000), wrlong(0x36C, 0);     // -2.25
    wrbyte(0x370, 0xF0);
    wrword(0x380, 12);
}

}  // namespace vy
