// The answers for a program without debug tables: no C names, and objects
// in target memory read and written by their types.
#include "debugger/engine/names.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "debugger/engine/evaluator.h"
#include "debugger/engine/typecode.h"
#include "debugger/target/memory.h"

namespace vy {

static ProgramNames nonames;
static ProgramNames* current = &nonames;

ProgramNames& names() { return *current; }
void setnames(ProgramNames* n) { current = n ? n : &nonames; }

// The bits of a bit-field in the word read: width in bits 0-7, shift in
// bits 8-12 of the detail's first word.
static uint32_t fieldmask(const ResultRecord& r, int& shift) {
    uint32_t word = r.detail && !r.detail->words.empty() ? r.detail->words[0] : 0;
    uint32_t width = word & 0xFF;
    shift = static_cast<int>(word >> 8 & 31);
    if (width == 0 || width >= 32) return 0xFFFFFFFFu;
    return (1u << width) - 1;
}

// IEEE single and double, most significant byte first.
static double floatat(uint16_t address, bool isdouble) {
    uint8_t b[8];
    int n = isdouble ? 8 : 4;
    for (int i = 0; i < n; ++i) b[i] = rdbyte(static_cast<uint16_t>(address + i));
    if (isdouble) {
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits = bits << 8 | b[i];
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits = bits << 8 | b[i];
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

static void putfloatat(uint16_t address, double value, bool isdouble) {
    if (isdouble) {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int i = 0; i < 8; ++i) wrbyte(static_cast<uint16_t>(address + i), static_cast<uint8_t>(bits >> (56 - 8 * i)));
        return;
    }
    // Beyond the largest single the value is an infinity, as the host's
    // conversion would give it.
    float f = std::isfinite(value) && std::fabs(value) > FLT_MAX ? (value > 0 ? HUGE_VALF : -HUGE_VALF)
                                                                  : static_cast<float>(value);
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    for (int i = 0; i < 4; ++i) wrbyte(static_cast<uint16_t>(address + i), static_cast<uint8_t>(bits >> (24 - 8 * i)));
}

void ProgramNames::readvalue(ResultRecord& r) {
    uint16_t a = r.address;
    if (topderiv(r.type) == DERIV_POINTER) {
        switch (pointerwidth(r.type, r.detail)) {
        case 0x1000: r.value.integer = rdbyte(a); break;
        case 0x3000: r.value.integer = static_cast<int32_t>(rdlong(a)); break;
        default: r.value.integer = rdword(a); break;
        }
        return;
    }
    uint8_t base = basetype(r.type);
    int shift = 0;
    uint32_t v = 0;
    switch (base) {
    case T_BIT: {
        uint32_t word = r.detail && !r.detail->words.empty() ? r.detail->words[0] : 0;
        r.value.integer = rdbyte(a) >> (word & 7) & 1;
        return;
    }
    case T_SCHAR: case T_CHAR: case 75:
        r.value.integer = static_cast<int8_t>(rdbyte(a));
        return;
    case T_UCHAR:
        r.value.integer = rdbyte(a);
        return;
    case T_CHARFIELD:
        v = rdbyte(a);
        break;
    case T_SHORT: case T_INT: case 76: case 77: case T_ENUM:
        r.value.integer = static_cast<int16_t>(rdword(a));
        return;
    case T_USHORT: case T_UINT:
        r.value.integer = rdword(a);
        return;
    case T_SHORTFIELD: case T_INTFIELD:
        v = rdword(a);
        break;
    case T_LONG: case T_ULONG: case 78:
        r.value.integer = static_cast<int32_t>(rdlong(a));
        return;
    case T_LONGFIELD:
        v = rdlong(a);
        break;
    case T_FLOAT: r.value.real = floatat(a, false); return;
    case T_DOUBLE: case T_LDOUBLE: r.value.real = floatat(a, true); return;
    default:
        r.value.integer = 0;
        return;
    }
    uint32_t mask = fieldmask(r, shift);
    r.value.integer = static_cast<int32_t>(v >> shift & mask);
}

void ProgramNames::writevalue(const ResultRecord& r, int32_t value, double real) {
    uint16_t a = r.address;
    auto u = static_cast<uint32_t>(value);
    if (topderiv(r.type) == DERIV_POINTER) {
        switch (pointerwidth(r.type, r.detail)) {
        case 0x1000: wrbyte(a, static_cast<uint8_t>(u)); break;
        case 0x3000: wrlong(a, u); break;
        default: wrword(a, static_cast<uint16_t>(u)); break;
        }
        return;
    }
    if (topderiv(r.type) != DERIV_NONE) return;
    int shift = 0;
    // A bit-field keeps every bit outside the field.
    auto field = [&](uint32_t old) {
        uint32_t mask = fieldmask(r, shift);
        mask <<= shift;
        return (old & ~mask) | ((u << shift) & mask);
    };
    switch (basetype(r.type)) {
    case T_BIT: {
        uint32_t word = r.detail && !r.detail->words.empty() ? r.detail->words[0] : 0;
        uint8_t bit = static_cast<uint8_t>(1u << (word & 7));
        uint8_t old = rdbyte(a);
        wrbyte(a, value ? old | bit : old & ~bit);
        return;
    }
    case T_SCHAR: case T_CHAR: case T_UCHAR: case 75: wrbyte(a, static_cast<uint8_t>(u)); return;
    case T_CHARFIELD: wrbyte(a, static_cast<uint8_t>(field(rdbyte(a)))); return;
    case T_SHORT: case T_USHORT: case T_INT: case T_UINT: case T_ENUM: case 76: case 77:
        wrword(a, static_cast<uint16_t>(u));
        return;
    case T_SHORTFIELD: case T_INTFIELD: wrword(a, static_cast<uint16_t>(field(rdword(a)))); return;
    case T_LONG: case T_ULONG: case 78: wrlong(a, u); return;
    case T_LONGFIELD: wrlong(a, field(rdlong(a))); return;
    case T_FLOAT: putfloatat(a, real, false); return;
    case T_DOUBLE: case T_LDOUBLE: putfloatat(a, real, true); return;
    default: return;
    }
}

std::string ProgramNames::describe(const ResultRecord& r) {
    if (r.storage == ST_REGISTER) return std::string("machine register ") + r.text;
    if (r.storage == ST_CYCLES) return "timing register $time";
    return r.text;
}

}  // namespace vy
