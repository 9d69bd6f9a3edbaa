#include "fake_program.h"

#include <cstring>

#include "debugger/engine/typecode.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"

namespace vy {

constexpr uint32_t ARRAY = 0xC0000000, POINTER = 0x40000000, FUNCTION = 0x80000000;

FakeProgram::FakeProgram() {
    point = {"point", 4, {{"x", 0, T_INT, nullptr, 0}, {"y", 2, T_INT, nullptr, 0}}};
    color = {"color", 2, {{"red", 0, 77, nullptr, 0}, {"green", 1, 77, nullptr, 0}, {"blue", 2, 77, nullptr, 0}}};
    pointdetail = {{}, &point};
    colordetail = {{}, &color};
    arraydetail = {{4}, nullptr};
    pointsdetail = {{2}, &point};
    pointerdetail = {{0}, nullptr};
    structpointerdetail = {{0}, &point};
    bufdetail = {{8}, nullptr};
    bitdetail = {{4 << 8 | 3}, nullptr};
    vars = {
        {"arr", {0x300, ARRAY | T_INT, &arraydetail, 0, 1}},
        {"p", {0x310, POINTER | T_INT, &pointerdetail, 0, 1}},
        {"q", {0x312, POINTER | T_INT, &pointerdetail, 0, 1}},
        {"s", {0x320, T_STRUCT, &pointdetail, 0, 1}},
        {"ps", {0x330, POINTER | T_STRUCT, &structpointerdetail, 0, 1}},
        {"pts", {0x338, ARRAY | T_STRUCT, &pointsdetail, 0, 1}},
        {"buf", {0x340, ARRAY | T_SCHAR, &bufdetail, 0, 1}},
        {"str", {0x350, POINTER | T_SCHAR, &pointerdetail, 0, 1}},
        {"nil", {0x352, POINTER | T_SCHAR, &pointerdetail, 0, 1}},
        {"longstr", {0x354, POINTER | T_SCHAR, &pointerdetail, 0, 1}},
        {"c", {0x360, 77, &colordetail, 0, 1}},
        {"uc", {0x362, T_UCHAR, nullptr, 0, 1}},
        {"sc", {0x363, T_SCHAR, nullptr, 0, 1}},
        {"f", {0x364, T_FLOAT, nullptr, 0, 1}},
        {"d", {0x368, T_DOUBLE, nullptr, 0, 1}},
        {"bits", {0x370, T_CHARFIELD, &bitdetail, 0, 1}},
        {"r", {0, T_INT, nullptr, 0, 4}},
    };
}

void FakeProgram::store() {
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
}

bool FakeProgram::function(const char* name, uint16_t& start, uint32_t& type) {
    if (std::strcmp(name, "main") != 0) return false;
    start = 0x8000;
    type = FUNCTION | T_INT;
    return true;
}

const char* FakeProgram::functionat(uint32_t address) { return address == 0x8000 ? "main" : nullptr; }

int FakeProgram::variable(const char* file, const char* function, const char* name, bool evaluate, VarRef& var) {
    ++lookups;
    if (file && std::strcmp(file, "f.c") != 0) return MSG_FILENOTFOUND;
    if (function && std::strcmp(function, "main") != 0) return 76;
    auto found = vars.find(name);
    if (found == vars.end()) return -1;
    var = found->second;
    // A register variable has no address.
    return var.storage == 4 ? MSG_NOTADDRESSABLE : 0;
}

bool FakeProgram::typedefname(const char* name, uint32_t& type, const TypeDesc*& detail) {
    if (std::strcmp(name, "point_t") != 0) return false;
    type = T_STRUCT;
    detail = &pointdetail;
    return true;
}

bool FakeProgram::tag(uint8_t kind, const char* name, uint32_t& type, const TypeDesc*& detail) {
    if (kind == T_STRUCT && std::strcmp(name, "point") == 0) {
        type = T_STRUCT;
        detail = &pointdetail;
        return true;
    }
    if (kind == T_ENUM && std::strcmp(name, "color") == 0) {
        type = 77;
        detail = &colordetail;
        return true;
    }
    return false;
}

}  // namespace vy
