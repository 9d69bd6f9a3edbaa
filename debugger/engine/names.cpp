// The answers of the loaded program's debug tables: functions, variables of
// fixed storage, typedefs and tags; objects in target memory read and
// written by their types.
#include "debugger/engine/names.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "debugger/engine/evaluator.h"
#include "debugger/engine/typecode.h"
#include "debugger/engine/variables.h"
#include "debugger/target/decl_text.h"
#include "debugger/target/frames.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/registers.h"

namespace vy {

static ProgramNames tablenames;
static ProgramNames* current = &tablenames;

ProgramNames& names() { return *current; }
void setnames(ProgramNames* n) { current = n ? n : &tablenames; }

// ---------------------------------------------------------------------------
// Names in the debug tables

// Each record of a function record: its parameters, locals and statics,
// then its class-18 records.
template <class Visit>
static bool eachrecord(FuncRec* fn, Visit visit) {
    for (LocalRec* l = fn->locals; l && l < fn->localsend; ++l)
        if (l->name && visit(*l)) return true;
    for (uint32_t i = 0; fn->members18 && i < fn->nclass18; ++i)
        if (fn->members18[i].name && visit(fn->members18[i])) return true;
    return false;
}

template <class Visit>
static bool eachfunction(Visit visit) {
    for (FileRec* f = filelist; morefiles(f); f = f->next)
        for (FuncRec* fn = f->funcs; fn; fn = fn->next)
            if (visit(*fn)) return true;
    return false;
}

bool ProgramNames::function(const char* name, uint16_t& start, uint32_t& type) {
    FuncRec* fn = findfunc(name);
    if (!fn || !fn->start) return false;
    start = static_cast<uint16_t>(fn->start->addr);
    type = addderiv(fn->type, DERIV_FUNCTION);
    return true;
}

const char* ProgramNames::functionat(uint32_t address) {
    const char* found = nullptr;
    eachfunction([&](FuncRec& fn) {
        if (fn.start && fn.start->addr == address && fn.name && fn.name[0] && fn.name[0] != '.') found = fn.name;
        return found != nullptr;
    });
    return found;
}

const char* ProgramNames::framefunction() { return curframe && curframe->func ? curframe->func->name : nullptr; }

int ProgramNames::variable(const char* file, const char* function, const char* name, bool evaluate, VarRef& var) {
    return lookupvar(file, function, name, evaluate, var);
}

bool ProgramNames::typedefname(const char* name, uint32_t& type, TypeDetail& detail) {
    return eachfunction([&](FuncRec& fn) {
        return eachrecord(&fn, [&](LocalRec& l) {
            if (l.cls != CL_TYPEDEF || std::strcmp(l.name, name) != 0) return false;
            type = l.type;
            detail = l.detail ? *l.detail : TypeDetail{};
            return true;
        });
    });
}

bool ProgramNames::tag(uint8_t kind, const char* name, uint32_t& type, TypeDetail& detail) {
    for (MemberList* m = memberlists; m; m = m->next) {
        if (!m->tag || std::strcmp(m->tag, name) != 0) continue;
        // The base type from a record of that type; an enumeration's depends
        // on the type it is stored in.
        uint8_t base = kind == T_ENUM ? 77 : kind;
        bool matches = false;
        eachfunction([&](FuncRec& fn) {
            return eachrecord(&fn, [&](LocalRec& l) {
                if (!l.detail || l.detail->members != m) return false;
                uint8_t b = basetype(l.type);
                matches = kind == T_ENUM ? isenum(b) : b == kind;
                if (matches) base = b;
                return true;
            });
        });
        if (!matches && kind == T_ENUM) continue;
        type = base;
        detail = TypeDetail{};
        detail.members = m;
        return true;
    }
    return false;
}

std::string ProgramNames::describe(const ResultRecord& r) {
    LocalRec rec{};
    std::string name = r.text;
    rec.name = name.data();
    rec.type = r.type;
    rec.detail = const_cast<TypeDetail*>(r.detail);
    rec.cls = r.storage;
    rec.value = r.address;
    return descresult(&rec);
}

// ---------------------------------------------------------------------------
// Values

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

// An argument that arrived in a register and is still there: B for a
// character, else D.
static bool inregister(const ResultRecord& r) { return r.storage == CL_ARGREG || r.storage == CL_STATICARGREG; }
static uint16_t argregister(uint32_t type) {
    return topderiv(type) == DERIV_NONE && basetype(type) < 16 ? REG_B : REG_D;
}

void ProgramNames::readvalue(ResultRecord& r) {
    uint16_t a = r.address;
    if (r.storage == CL_ENUMMEMBER) {
        // A constant: the record holds the value.
        r.value.integer = a;
        return;
    }
    if (inregister(r)) {
        uint32_t v = getreg(argregister(r.type));
        switch (basetype(r.type)) {
        case T_SCHAR: case T_CHAR: r.value.integer = static_cast<int8_t>(v); break;
        case T_SHORT: case T_INT: r.value.integer = static_cast<int16_t>(v); break;
        default: r.value.integer = static_cast<int32_t>(v); break;
        }
        return;
    }
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
    if (inregister(r)) {
        setreg(argregister(r.type), u);
        return;
    }
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

}  // namespace vy
