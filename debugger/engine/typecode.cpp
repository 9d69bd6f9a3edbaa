#include "debugger/engine/typecode.h"

namespace vy {

int nderivs(uint32_t type) {
    int n = 0;
    while (n < 11 && derivat(type, n) != DERIV_NONE) ++n;
    return n;
}

bool isunsignedtype(uint32_t type) {
    if (topderiv(type) != DERIV_NONE) return false;
    uint8_t b = basetype(type);
    return b == T_UCHAR || b == T_USHORT || b == T_UINT || b == T_ULONG;
}

// Index in a detail's words of the k-th derivation's word: after the
// bit-field word, one word per pointer or array derivation before it.
static std::size_t wordindex(uint32_t type, int k) {
    std::size_t i = isbitfield(basetype(type)) ? 1 : 0;
    for (int j = 0; j < k; ++j)
        if (derivat(type, j) != DERIV_FUNCTION) ++i;
    return i;
}

uint32_t derivword(uint32_t type, const TypeDesc* detail, int k) {
    if (!detail || derivat(type, k) == DERIV_FUNCTION) return 0;
    std::size_t i = wordindex(type, k);
    return i < detail->words.size() ? detail->words[i] : 0;
}

uint32_t pointerwidth(uint32_t type, const TypeDesc* detail) { return derivword(type, detail, 0) & 0x3000; }

uint32_t pointermax(uint32_t type, const TypeDesc* detail) {
    switch (pointerwidth(type, detail)) {
    case 0x1000: return 0xFF;
    case 0x3000: return 0xFFFFFFFF;
    default: return 0xFFFF;
    }
}

TypeDesc* dropdetail(uint32_t type, const TypeDesc* detail) {
    if (!detail) return nullptr;
    auto* d = new TypeDesc(*detail);
    if (topderiv(type) != DERIV_FUNCTION && topderiv(type) != DERIV_NONE) {
        std::size_t i = wordindex(type, 0);
        if (i < d->words.size()) d->words.erase(d->words.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return d;
}

TypeDesc* pointerdetail(uint32_t type, const TypeDesc* detail, uint32_t pointerword) {
    auto* d = detail ? new TypeDesc(*detail) : new TypeDesc;
    std::size_t i = isbitfield(basetype(type)) ? 1 : 0;
    // The words of the derivations that the eleven fields still hold.
    std::size_t keep = i;
    int n = nderivs(type) < 10 ? nderivs(type) : 10;
    for (int j = 0; j < n; ++j)
        if (derivat(type, j) != DERIV_FUNCTION) ++keep;
    if (d->words.size() < i) d->words.resize(i, 0);
    if (d->words.size() > keep) d->words.resize(keep);
    d->words.insert(d->words.begin() + static_cast<std::ptrdiff_t>(i), pointerword);
    return d;
}

// Sizes of the base types in bytes; a base type not here has none.
struct BaseSize {
    uint8_t base;
    uint8_t size;
};
static const BaseSize basesizes[] = {
    {1, 1}, {8, 1}, {9, 1}, {10, 1}, {11, 1}, {16, 2}, {17, 2}, {18, 2}, {24, 2}, {25, 2}, {26, 2},
    {32, 4}, {33, 4}, {34, 4}, {40, 4}, {41, 8}, {42, 8}, {64, 2},
    {74, 2}, {75, 1}, {76, 2}, {77, 2}, {78, 4},
};

static uint32_t basesize(uint8_t base) {
    for (const BaseSize& b : basesizes)
        if (b.base == base) return b.size;
    return 0;
}

uint32_t typesize(uint32_t type, const TypeDesc* detail) {
    uint32_t count = 1;
    for (int k = 0; k < nderivs(type); ++k) {
        switch (derivat(type, k)) {
        case DERIV_POINTER:
            switch (derivword(type, detail, k) & 0x3000) {
            case 0x1000: return count;
            case 0x3000: return count * 4;
            default: return count * 2;
            }
        case DERIV_FUNCTION: return 0;
        default: count *= derivword(type, detail, k); break;
        }
    }
    uint8_t base = basetype(type);
    if ((base == T_STRUCT || base == T_UNION) && detail && detail->members) return count * detail->members->size;
    return count * basesize(base);
}

}  // namespace vy
