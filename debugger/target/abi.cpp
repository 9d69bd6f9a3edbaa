#include "debugger/target/abi.h"

#include <cmath>
#include <cstring>

#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/typed_values.h"

namespace vy {

RegArg regargof(const FuncRec* fn) {
    RegArg arg;
    if (!fn || !fn->locals) return arg;
    for (const LocalRec* l = fn->locals; l < fn->localsend; ++l) {
        if (l->cls != CL_ARGREG && l->cls != CL_ARG20) continue;
        uint8_t base = static_cast<uint8_t>(l->type);
        if (nderivations(l->type)) arg.cls = 64;
        else if (base == 75) arg.cls = 8;
        else if (base == 76) arg.cls = 16;
        else if (base == 78) arg.cls = 32;
        else arg.cls = base;
        arg.offset = l->value;
        break;
    }
    return arg;
}

uint16_t regargbytes(uint32_t cls, uint16_t offset) {
    if (cls == 0) return 0;
    if (cls < 16) return offset == 0 ? 1 : 2;
    switch (cls) {
    case 32: case 33: case 34: case 40: return 4;
    default: return 2;
    }
}

uint16_t framefromsp(uint32_t cls, uint16_t offset) {
    return static_cast<uint16_t>(getsp() - 1 - regargbytes(cls, offset));
}

uint16_t framefromcode(uint32_t cls, uint16_t code, uint16_t offset) {
    uint8_t b0 = rdbyte(code), b1 = rdbyte(static_cast<uint16_t>(code + 1)), b2 = rdbyte(static_cast<uint16_t>(code + 2));
    uint16_t x = regs.x, fp;
    switch (b0) {
    case 0x31:  // ins
        fp = static_cast<uint16_t>(b2 == 0x39 ? x + 1 : x + 3);
        break;
    case 0x38:  // pulx
        if (b1 == 0x39 || b1 == 0x3B) fp = x;
        else fp = static_cast<uint16_t>(b2 == 0x39 ? x + 2 : x + 4);
        break;
    case 0x39:  // rts
    case 0x3B:  // rti
        fp = x;
        break;
    default:  // lds 0,x: the frame link
        fp = static_cast<uint16_t>(rdword(x) + 1);
        break;
    }
    uint16_t r = (cls & 0x8000) ? 2 : regargbytes(cls, offset);
    return static_cast<uint16_t>(fp - r);
}

static uint16_t argumentbase;

void setargbase(uint32_t cls, uint16_t offset) {
    int k = 1;
    if (cls) {
        k = 1 + regargbytes(cls, offset);
    } else if (DebugEntry* e = entryat(getpc()) ? exitfrom(getpc()) : nullptr) {
        for (uint16_t i = 0; i < 3; ++i)
            if (rdbyte(static_cast<uint16_t>(e->addr + i)) == 0x3B) k = -1;
    }
    argumentbase = static_cast<uint16_t>(getsp() - k);
}

uint16_t argbase() { return argumentbase; }

static LocalRec* findlocal(LocalRec* from, LocalRec* to, const char* name) {
    for (LocalRec* l = from; l && l < to; ++l)
        if (l->name && std::strcmp(l->name, name) == 0) return l;
    return nullptr;
}

LocalRec* funcvar(const FuncRec* fn, const char* name) {
    if (!fn) return nullptr;
    if (LocalRec* l = findlocal(fn->locals, fn->localsend, name)) return l;
    if (LocalRec* l = findlocal(fn->members18, fn->members18 ? fn->members18 + fn->nclass18 : nullptr, name))
        return l;
    if (!fn->file) return nullptr;
    const FuncRec* scope = fn->file->funcs;
    while (scope && scope->next) scope = scope->next;
    if (!scope || scope == fn) return nullptr;
    return findlocal(scope->locals, scope->localsend, name);
}

static bool fixedplace(uint8_t cls) {
    return cls == CL_STATIC || cls == CL_EXTERN || cls == CL_ABSOLUTE || cls == CL_ENUMMEMBER;
}

uint16_t varaddr(const LocalRec* rec, const FrameNode* frame) {
    if (fixedplace(rec->cls)) return rec->value;
    while (frame && !funcvar(frame->func, rec->name)) frame = frame->next;
    return frame ? frameaddr(rec, frame) : 0;
}

uint16_t frameaddr(const LocalRec* rec, const FrameNode* frame) {
    if (fixedplace(rec->cls)) return rec->value;
    uint16_t fp = static_cast<uint16_t>(frame->fp);
    switch (rec->cls) {
    case CL_REGISTER: return rec->value;
    case CL_ARGREG:
        if (frame->fixed & 1) return static_cast<uint16_t>(fp + rec->value);
        return (rec->type & 0xFF) < 16 && !nderivations(rec->type) ? REG_B : REG_D;
    case CL_ARG: case CL_REGARG: return static_cast<uint16_t>(rec->value + fp + 4);
    case CL_AUTO: return static_cast<uint16_t>(fp - rec->value);
    default: return fp;
    }
}

const char* resultreg(uint32_t type) {
    if (type < 16) return "reg. b";
    if (type < 32) return "reg. d";
    return "reg. d and (2,x)";
}

uint32_t getresult(int is32) {
    uint32_t d = getreg(REG_D);
    if (!is32) return d;
    return static_cast<uint32_t>(rdword(static_cast<uint16_t>(regs.x + 2))) << 16 | d;
}

void writreg(uint32_t cls, uint32_t value) {
    if (cls == 0) setreg(REG_D, value);
    else dbputs({"!PANIC writreg\n"});
}

uint32_t typeextra(uint32_t type) { return type == 72 || type == 41 || type == 42 ? 2 : 0; }

constexpr double LARGESTSINGLE = 3.4028234663852886e+38;

double tgttodbl(const uint8_t* bytes, int isdouble) {
    if (bytes[0] == 0 && bytes[1] == 0) return 0.0;
    bool negative = bytes[0] & 0x80;
    uint32_t top = static_cast<uint32_t>(bytes[0] & 0x7F) << 8 | bytes[1];
    double value;
    if (isdouble) {
        int exponent = static_cast<int>(top >> 4);
        uint64_t mantissa = (bytes[1] & 0x0F) | 0x10;
        for (int i = 2; i < 8; ++i) mantissa = mantissa << 8 | bytes[i];
        value = std::ldexp(static_cast<double>(mantissa), exponent - 1023 - 52);
    } else {
        int exponent = static_cast<int>(top >> 7);
        uint32_t mantissa = static_cast<uint32_t>(bytes[1] | 0x80) << 16 | bytes[2] << 8 | bytes[3];
        value = std::ldexp(static_cast<double>(mantissa), exponent - 127 - 23);
        if (value >= LARGESTSINGLE) value = LARGESTSINGLE;
    }
    return negative ? -value : value;
}

void dbltotgt(double value, uint8_t* bytes, int isdouble) {
    int n = isdouble ? 8 : 4;
    std::memset(bytes, 0, static_cast<std::size_t>(n));
    if (value == 0.0) return;
    uint8_t sign = std::signbit(value) ? 0x80 : 0;
    int maxexponent = isdouble ? 2047 : 255;
    int biased;
    double m = 0;
    if (std::isnan(value) || std::isinf(value)) {
        // No such values come from the target's own arithmetic; they are
        // kept as the largest exponent, a NaN with a mantissa bit.
        biased = maxexponent;
        m = std::isnan(value) ? 0.75 : 0.5;
    } else {
        int e;
        m = std::frexp(std::fabs(value), &e);
        biased = e + (isdouble ? 1022 : 126);
        if (biased < 0) biased = 0;
        if (biased > maxexponent) biased = maxexponent;
    }
    double running = m * (isdouble ? 32 : 256);
    for (int i = 1; i < n; ++i) {
        double whole = std::floor(running);
        bytes[i] = static_cast<uint8_t>(whole);
        running = (running - whole) * 256;
    }
    if (isdouble) {
        bytes[0] = static_cast<uint8_t>(sign | biased >> 4);
        bytes[1] = static_cast<uint8_t>((bytes[1] & 0x0F) | (biased & 0x0F) << 4);
    } else {
        bytes[0] = static_cast<uint8_t>(sign | biased >> 1);
        bytes[1] = static_cast<uint8_t>((bytes[1] & 0x7F) | (biased & 1) << 7);
    }
}

}  // namespace vy
