#include "debugger/target/typed_values.h"

#include <cstring>
#include <string>

#include "debugger/target/abi.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decl_text.h"
#include "debugger/target/frames.h"
#include "debugger/target/memory.h"
#include "debugger/target/output.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "support/list_node.h"

namespace vy {

int nderivations(uint32_t type) {
    int n = 0;
    while (n < 11 && derivation(type, n) != DERIV_NONE) ++n;
    return n;
}

bool hasbitfield(uint8_t base) { return base == 11 || base == 25 || base == 18 || base == 34 || base == 1; }

// Base types with their sizes in bytes; a base type not here has none.
struct BaseSize {
    uint8_t base;
    uint8_t size;
};
static const BaseSize basesizes[] = {
    {9, 1}, {8, 1}, {16, 2}, {24, 2}, {32, 4}, {10, 1}, {17, 2}, {26, 2}, {33, 4},
    {1, 1}, {40, 4}, {41, 8}, {42, 8}, {64, 2}, {72, 0}, {73, 0}, {65, 0},
    {74, 2}, {75, 1}, {76, 2}, {77, 2}, {78, 4}, {11, 1}, {25, 2}, {18, 2}, {34, 4},
};

static uint32_t basesize(uint8_t base) {
    for (const BaseSize& b : basesizes)
        if (b.base == base) return b.size;
    return 0;
}

uint32_t typesize(const LocalRec* rec) {
    uint8_t base = static_cast<uint8_t>(rec->type);
    const TypeDetail* d = rec->detail;
    std::size_t word = d && hasbitfield(base) ? 1 : 0;
    uint32_t count = 1;
    for (int k = 0; k < nderivations(rec->type); ++k) {
        switch (derivation(rec->type, k)) {
        case DERIV_POINTER: return count * 2;
        case DERIV_FUNCTION: return 0;
        case DERIV_ARRAY:
            count *= d && word < d->words.size() ? d->words[word] : 0;
            ++word;
            break;
        default: break;
        }
    }
    if ((base == 72 || base == 73) && d && d->members) return count * d->members->size;
    return count * basesize(base);
}

int ptrdepth(uint32_t type) {
    int n = 0;
    while (n < 11 && derivation(type, n) == DERIV_POINTER) ++n;
    return n;
}

void setptrdepth(LocalRec* rec, int n) {
    uint32_t type = rec->type & 0xFF;
    for (int k = 0; k < n && k < 11; ++k) type |= uint32_t{DERIV_POINTER} << (30 - 2 * k);
    rec->type = type;
}

int isunsigned(uint32_t type) {
    switch (type & 0xFF) {
    case 10: case 17: case 26: case 33: return 1;
    default: return 0;
    }
}

static bool isregister(uint8_t cls) { return cls == 7 || cls == 15 || cls == 20; }

// The bits of a bit-field word's field, from bit 0 of the storage.
static uint32_t fieldmask(uint32_t detail) {
    uint32_t width = detail & 0xFF;
    return width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
}
static uint32_t fieldshift(uint32_t detail) { return detail >> 8 & 31; }

static uint32_t getfield(uint32_t storage, uint32_t detail) {
    return storage >> fieldshift(detail) & fieldmask(detail);
}

// The storage word with the field replaced and every other bit kept.
static uint32_t putfield(uint32_t storage, uint32_t value, uint32_t detail) {
    uint32_t shift = fieldshift(detail);
    uint32_t mask = fieldmask(detail) << shift;
    return (storage & ~mask) | ((value << shift) & mask);
}

static bool ispointer(uint32_t type) { return nderivations(type) && derivation(type, 0) == DERIV_POINTER; }

uint32_t readpointer(uint8_t cls, uint16_t address, uint32_t detail) {
    if (cls == 4 || cls == 7 || cls == 15) return getreg(REG_D);
    switch (detail & 0x3000) {
    case 0x1000: return rdbyte(address);
    case 0x3000: return rdlong(address);
    default: return getword(address);
    }
}

void writepointer(uint8_t cls, uint16_t address, uint32_t value, uint32_t detail) {
    if (cls == 4 || cls == 7 || cls == 15) return;
    switch (detail & 0x3000) {
    case 0x1000: wrbyte(address, static_cast<uint8_t>(value)); break;
    case 0x3000: wrlong(address, value); break;
    default: putword(address, static_cast<uint16_t>(value)); break;
    }
}

// A value of 8, 16 or 32 bits from the place the class names.
static uint32_t rawvalue(uint16_t address, uint8_t cls, int bytes) {
    if (cls == 12) return bytes == 1 ? address & 0xFFu : address;
    if (cls == 4) return getresult(bytes == 4);
    if (isregister(cls)) return bytes == 4 ? getresult(1) : getreg(REG_D);
    switch (bytes) {
    case 1: return rdbyte(address);
    case 2: return getword(address);
    default: return rdlong(address);
    }
}

TargetValue rdvalue(uint16_t address, uint32_t detail, uint8_t cls, uint32_t type) {
    TargetValue v;
    uint8_t base = ispointer(type) ? 64 : nderivations(type) ? 0 : static_cast<uint8_t>(type);
    switch (base) {
    case 1: {
        uint32_t byte = cls == 4 || cls == 5 ? getreg(REG_D) : rawvalue(address, cls, 1);
        v.bits = cls == 4 || cls == 5 ? byte : (detail & 31) < 8 ? byte >> (detail & 31) & 1 : 0;
        break;
    }
    case 8: case 9: case 10: case 11: case 75:
        v.bits = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(rawvalue(address, cls, 1))));
        if (base == 10) v.bits &= 0xFF;
        if (base == 11) v.bits = getfield(v.bits & 0xFF, detail);
        break;
    case 16: case 17: case 18: case 24: case 25: case 26: case 76: case 77:
        v.bits = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(rawvalue(address, cls, 2))));
        if (base == 26) v.bits &= 0xFFFF;
        if (base == 25 || base == 18) v.bits = getfield(v.bits & 0xFFFF, detail);
        break;
    case 32: case 33: case 34: case 78:
        v.bits = rawvalue(address, cls, 4);
        if (base == 34) v.bits = getfield(v.bits, detail);
        break;
    case 40: {
        uint8_t bytes[4];
        if (cls == 4 || isregister(cls)) {
            uint32_t pair = getresult(1);
            for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(pair >> (24 - 8 * i));
        } else {
            rdblock(bytes, address, 4);
        }
        v.real = tgttodbl(bytes, 0);
        v.isreal = true;
        break;
    }
    case 41: case 42: {
        uint8_t bytes[8];
        rdblock(bytes, address, 8);
        v.real = tgttodbl(bytes, 1);
        v.isreal = true;
        break;
    }
    case 64: v.bits = readpointer(cls, address, detail); break;
    default: break;
    }
    return v;
}

void wrvalue(const TargetValue& value, uint16_t address, uint32_t type, uint8_t cls, uint32_t detail) {
    uint8_t base = ispointer(type) ? 64 : nderivations(type) ? 0 : static_cast<uint8_t>(type);
    uint32_t n = value.isreal ? static_cast<uint32_t>(static_cast<int64_t>(value.real)) : value.bits;
    if (cls == 7 || cls == 15 || cls == 20 || cls == 4) {
        uint32_t size = basesize(base);
        writreg(size <= 2 ? 0 : size, n);
        return;
    }
    switch (base) {
    case 1: {
        uint8_t bit = (detail & 31) < 8 ? static_cast<uint8_t>(1u << (detail & 31)) : 0;
        uint8_t old = rdbyte(address);
        wrbyte(address, static_cast<uint8_t>(n ? old | bit : old & ~bit));
        break;
    }
    case 8: case 9: case 10: case 11: case 75:
        wrbyte(address, static_cast<uint8_t>(base == 11 ? putfield(rdbyte(address), n, detail) : n));
        break;
    case 16: case 17: case 18: case 76:
        wrword(address, static_cast<uint16_t>(base == 18 ? putfield(getword(address), n, detail) : n));
        break;
    case 24: case 25: case 26: case 77:
        putword(address, static_cast<uint16_t>(base == 25 ? putfield(getword(address), n, detail) : n));
        break;
    case 32: case 33: case 34: case 78:
        wrlong(address, base == 34 ? putfield(rdlong(address), n, detail) : n);
        break;
    case 40:
    case 41:
    case 42: {
        uint8_t bytes[8];
        bool isdouble = base != 40;
        dbltotgt(value.isreal ? value.real : static_cast<double>(static_cast<int32_t>(value.bits)), bytes, isdouble);
        wrblock(address, bytes, isdouble ? 8 : 4);
        break;
    }
    case 64: writepointer(cls, address, n, detail); break;
    default: break;
    }
}

uint32_t firstdetail(const LocalRec* rec) {
    const TypeDetail* d = rec->detail;
    if (!d || d->words.empty()) return 0;
    uint8_t base = static_cast<uint8_t>(rec->type);
    if (ispointer(rec->type)) {
        std::size_t at = hasbitfield(base) ? 1 : 0;
        return at < d->words.size() ? d->words[at] : 0;
    }
    return hasbitfield(base) ? d->words[0] : 0;
}

VarPlace readvar(const LocalRec* rec, const FrameNode* frame) {
    VarPlace p;
    p.address = varaddr(rec, frame);
    p.cls = rec->cls;
    if (isregister(p.cls)) {
        const FrameNode* f = frame;
        while (f && !funcvar(f->func, rec->name)) f = f->next;
        if (f && (f->fixed & 1)) p.cls = CL_ARG;  // pushed into the frame by its entry sequence
    }
    return p;
}

// The base-type order: a type's position indexes the format tables.
static const uint8_t typeorder[] = {9, 8, 16, 24, 32, 10, 17, 26, 33, 1, 40, 41, 42,
                                     64, 72, 73, 65, 74, 75, 76, 77, 78, 11, 25, 18, 34};
constexpr int NOPOSITION = 26;

static const char* const decimalformats[] = {
    "%c", "%c", "%s", "%s", "%l", "%uc", "%us", "%us", "%ul", "%s", "%d", "%d", "%d", "0x%hi",
    "", "", "", "%s", "%c", "%s", "%s", "%l", "%c", "%s", "%s", "%l", "", "0x0",
};
static const char* const octalformats[] = {"0%oc", "0%oc", "0%os", "0%os", "0%ol", "0%oc", "0%os", "0%os", "0%ol"};
static const char* const hexformats[] = {"0x%hc", "0x%hc", "0x%hs", "0x%hs", "0x%hl", "0x%hc", "0x%hs", "0x%hs", "0x%hl"};
static const char* const binaryformats[] = {"0b%zc", "0b%zc", "0b%zs", "0b%zs", "0b%zl", "0b%zc", "0b%zs", "0b%zs", "0b%zl"};

int radix;

int typeposition(uint32_t type) {
    uint8_t base = ispointer(type) ? 64 : static_cast<uint8_t>(type);
    for (int i = 0; i < NOPOSITION; ++i)
        if (typeorder[i] == base) return i;
    return NOPOSITION;
}

const char* typefmt(int position, uint32_t detail) {
    if (position < 0 || position > NOPOSITION + 1) position = NOPOSITION;
    if (position == 13) {  // pointers, by their width
        switch (detail & 0x3000) {
        case 0x1000: return "0x%hc";
        case 0x3000: return "0x%hl";
        default: return "0x%hs";
        }
    }
    if (position >= 9) return decimalformats[position];
    switch (radix) {
    case 1: return octalformats[position];
    case 2: return hexformats[position];
    case 4: return binaryformats[position];
    default: return decimalformats[position];
    }
}

int fmtisstr(const char* format) {
    const char* p = std::strchr(format, '%');
    if (!p) return 0;
    ++p;
    if ((*p == '+' || *p == '-') && p[1]) p += 2;
    while ((*p >= '0' && *p <= '9') || *p == '.') ++p;
    return *p == 'p';
}

int setradix(int id) {
    switch (id) {
    case 460: radix = 0; return 0;
    case 461: radix = 1; return 0;
    case 462: radix = 2; return 0;
    case 463: radix = 4; return 0;
    default: return id;
    }
}

void showvalue(uint16_t address, const char* format, uint32_t detail, uint8_t cls, int position) {
    if (position < 0 || position >= NOPOSITION) position = NOPOSITION;
    uint32_t type = position < NOPOSITION ? typeorder[position] : 0;
    const char* fmt = format && *format ? format : typefmt(position, detail);
    TargetValue v = rdvalue(address, detail, cls, type);
    if (v.isreal) {
        dbputs({services().floattext(v.real)});
    } else if (fmtisstr(fmt)) {
        if (v.bits == 0) dbputs({" NULL"});
        else outprintf(fmt, rdstring(static_cast<uint16_t>(v.bits), 0).c_str());
    } else if (!*fmt) {
        dbputs({"(no format)"});
    } else {
        outprintf(fmt, v.bits);
    }
}

namespace {

// An element of an array variable: its type without the outermost
// derivation, and the detail words without that derivation's count.
struct Element {
    LocalRec rec{};
    TypeDetail detail;
    Element(const LocalRec* array) {
        rec = *array;
        rec.usage = nullptr;
        uint32_t t = array->type;
        rec.type = ((t & 0x3FFFFF00u) << 2) | (t & 0xFFu);
        if (array->detail) {
            detail = *array->detail;
            std::size_t at = hasbitfield(static_cast<uint8_t>(t)) ? 1 : 0;
            if (at < detail.words.size()) detail.words.erase(detail.words.begin() + static_cast<std::ptrdiff_t>(at));
            rec.detail = &detail;
        }
        rec.detail = array->detail ? &detail : nullptr;
        rec.size = typesize(&rec);
    }
};

uint32_t arraycount(const LocalRec* rec) {
    const TypeDetail* d = rec->detail;
    std::size_t at = d && hasbitfield(static_cast<uint8_t>(rec->type)) ? 1 : 0;
    return d && at < d->words.size() ? d->words[at] : 0;
}

bool isarray(const LocalRec* rec) { return nderivations(rec->type) && derivation(rec->type, 0) == DERIV_ARRAY; }

bool isaggregate(const LocalRec* rec) {
    uint8_t base = static_cast<uint8_t>(rec->type);
    return !nderivations(rec->type) && (base == 72 || base == 73);
}

bool isenum(const LocalRec* rec) {
    uint8_t base = static_cast<uint8_t>(rec->type);
    return !nderivations(rec->type) && base >= 74 && base <= 78;
}

const MemberList* membersof(const LocalRec* rec) { return rec->detail ? rec->detail->members : nullptr; }

// Arrays print at most this many elements: a corrupt count ends early.
constexpr uint32_t MAXELEMENTS = 65536;

// The enumerator named by the value, or the value itself.
void showenum(const LocalRec* rec, uint16_t address, const char* format, uint8_t cls) {
    uint8_t base = static_cast<uint8_t>(rec->type);
    uint32_t storage = base == 74 ? 24 : base;
    TargetValue v = rdvalue(address, 0, cls, storage);
    if (const MemberList* m = membersof(rec)) {
        for (const LocalRec* e = m->members; e && e->name; ++e) {
            uint32_t value = base == 75 ? e->value & 0xFFu : base == 78 ? e->value : static_cast<uint32_t>(static_cast<int16_t>(e->value));
            if (value == (base == 75 ? v.bits & 0xFF : v.bits)) {
                dbputs({e->name});
                return;
            }
        }
    }
    showvalue(address, format, 0, cls, typeposition(storage));
}

uint32_t display(const LocalRec* rec, uint16_t address, const char* format, uint8_t cls, bool oneline, int depth);

void showmembers(const LocalRec* rec, uint16_t address, const char* format, bool oneline, int depth) {
    const MemberList* m = membersof(rec);
    dbputs({oneline ? " {" : " {\n"});
    bool first = true;
    for (const LocalRec* member = m ? m->members : nullptr; member && member->name; ++member) {
        uint16_t at = static_cast<uint16_t>(address + (rec->type == 73 ? 0 : member->value));
        if (oneline) {
            if (!first) dbputs({","});
            display(member, at, format, CL_AUTO, true, depth + 1);
        } else {
            outprintf("%p        at %p ", descresult(member).c_str(), hexaddr(at).c_str());
            display(member, at, format, CL_AUTO, false, depth + 1);
            if (!isaggregate(member) && !isarray(member)) dbputs({"\n"});
        }
        first = false;
    }
    dbputs({oneline ? "}" : "        }\n"});
}

uint32_t display(const LocalRec* rec, uint16_t address, const char* format, uint8_t cls, bool oneline, int depth) {
    if (depth > 16) {  // a type that contains itself through a damaged tree
        dbputs({"..."});
        return 0;
    }
    if (isarray(rec)) {
        Element element(rec);
        uint32_t count = arraycount(rec), step = element.rec.size;
        for (uint32_t i = 0; i < count && i < MAXELEMENTS; ++i) {
            dbputs({" "});
            display(&element.rec, static_cast<uint16_t>(address + i * step), format, cls, true, depth + 1);
        }
        if (!oneline) dbputs({"\n"});
    } else if (isaggregate(rec)) {
        showmembers(rec, address, format, oneline, depth);
    } else if (isenum(rec)) {
        showenum(rec, address, format, cls);
    } else {
        showvalue(address, format, firstdetail(rec), cls, typeposition(rec->type));
    }
    return typesize(rec);
}

}  // namespace

uint32_t dispvar(const LocalRec* rec, uint16_t address, const char* format) {
    return display(rec, address, format, rec->cls == CL_ENUMMEMBER ? CL_ENUMMEMBER : CL_AUTO, false, 0);
}

uint32_t dispshort(const LocalRec* rec, uint16_t address, const char* format) {
    return display(rec, address, format, rec->cls == CL_ENUMMEMBER ? CL_ENUMMEMBER : CL_AUTO, true, 0);
}

void showlocal(const LocalRec* rec, const char* format) {
    VarPlace p = readvar(rec, curframe);
    dbputs({" = "});
    display(rec, p.address, format, p.cls, false, 0);
}

void showvars(FrameNode* frame, const char* letters) {
    if (frame) curframe = frame;
    bool pointers = std::strchr(letters, 'p') != nullptr, addresses = std::strchr(letters, '&') != nullptr;
    services().browsevariables(1, pointers ? 1 : 0, addresses ? 1 : 0);
}

// The file-scope record of a file: the last of its chain.
static FuncRec* filescope(const FileRec* f) {
    FuncRec* fn = f->funcs;
    while (fn && fn->next) fn = fn->next;
    return fn;
}

LocalRec* findglobal(const char* name) {
    for (FileRec* f = filelist; morefiles(f); f = f->next) {
        FuncRec* scope = filescope(f);
        if (!scope || !scope->locals) continue;
        for (LocalRec* l = scope->locals; l < scope->localsend; ++l)
            if (std::strcmp(l->name, name) == 0) return l;
    }
    return nullptr;
}

LocalRec* filevar(const char* name, const char* file, uint8_t cls) {
    FileRec* f = findfile(file);
    FuncRec* scope = f ? filescope(f) : nullptr;
    if (!scope || !scope->locals) return nullptr;
    for (LocalRec* l = scope->locals; l < scope->localsend; ++l)
        if (l->cls == cls && std::strcmp(l->name, name) == 0) return l;
    return nullptr;
}

LocalRec* filestatic(const char* name, const char* file) { return filevar(name, file, CL_STATIC); }
LocalRec* fileglobal(const char* name, const char* file) { return filevar(name, file, CL_EXTERN); }

static bool notcallable(uint32_t type) {
    switch (type & 0xFF) {
    case 72: case 73: case 40: case 41: case 42: return true;
    default: return (type >> 30) == DERIV_ARRAY;
    }
}

int callable(const FuncRec* fn) {
    if (!fn) return 0;
    if (notcallable(fn->type)) return 0;
    for (const LocalRec* l = fn->locals; l && l < fn->localsend; ++l)
        if (isargclass(l->cls) && notcallable(l->type)) return 0;
    return 1;
}

FrameNode* copyframes() {
    FrameNode* first = nullptr;
    FrameNode** link = &first;
    for (const FrameNode* f = topframe; f; f = f->next) {
        auto* copy = static_cast<FrameNode*>(newnode(sizeof(FrameNode), nullptr));
        *copy = *f;
        copy->next = nullptr;
        *link = copy;
        link = &copy->next;
    }
    return first;
}

}  // namespace vy
