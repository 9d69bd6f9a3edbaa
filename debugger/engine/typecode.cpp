#include "debugger/engine/typecode.h"

#include <cstring>

namespace vy {

bool isunsignedtype(uint32_t type) {
    if (topderiv(type) != DERIV_NONE) return false;
    uint8_t b = basetype(type);
    return b == T_UCHAR || b == T_USHORT || b == T_UINT || b == T_ULONG;
}

// Index in a detail's words of the k-th derivation's word: after the
// bit-field word, one word per pointer or array derivation before it.
static std::size_t wordindex(uint32_t type, int k) {
    std::size_t i = hasbitfield(basetype(type)) ? 1 : 0;
    for (int j = 0; j < k; ++j)
        if (derivation(type, j) != DERIV_FUNCTION) ++i;
    return i;
}

uint32_t derivword(uint32_t type, const TypeDetail* detail, int k) {
    if (!detail || derivation(type, k) == DERIV_FUNCTION) return 0;
    std::size_t i = wordindex(type, k);
    return i < detail->words.size() ? detail->words[i] : 0;
}

uint32_t pointerwidth(uint32_t type, const TypeDetail* detail) { return derivword(type, detail, 0) & 0x3000; }

uint32_t pointermax(uint32_t type, const TypeDetail* detail) {
    switch (pointerwidth(type, detail)) {
    case 0x1000: return 0xFF;
    case 0x3000: return 0xFFFFFFFF;
    default: return 0xFFFF;
    }
}

TypeDetail* dropdetail(uint32_t type, const TypeDetail* detail) {
    if (!detail) return nullptr;
    auto* d = new TypeDetail(*detail);
    if (topderiv(type) != DERIV_FUNCTION && topderiv(type) != DERIV_NONE) {
        std::size_t i = wordindex(type, 0);
        if (i < d->words.size()) d->words.erase(d->words.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return d;
}

TypeDetail* pointerdetail(uint32_t type, const TypeDetail* detail, uint32_t pointerword) {
    auto* d = detail ? new TypeDetail(*detail) : new TypeDetail;
    std::size_t i = hasbitfield(basetype(type)) ? 1 : 0;
    // The words of the derivations that the eleven fields still hold.
    std::size_t keep = i;
    int n = nderivations(type) < 10 ? nderivations(type) : 10;
    for (int j = 0; j < n; ++j)
        if (derivation(type, j) != DERIV_FUNCTION) ++keep;
    if (d->words.size() < i) d->words.resize(i, 0);
    if (d->words.size() > keep) d->words.resize(keep);
    d->words.insert(d->words.begin() + static_cast<std::ptrdiff_t>(i), pointerword);
    return d;
}

const LocalRec* findmember(const TypeDetail* detail, const char* name) {
    const MemberList* list = detail ? detail->members : nullptr;
    for (uint32_t k = 0; list && k < list->count; ++k)
        if (list->members[k].name && std::strcmp(list->members[k].name, name) == 0) return &list->members[k];
    return nullptr;
}

uint32_t sizeoftype(uint32_t type, const TypeDetail* detail) {
    LocalRec r{};
    r.type = type;
    r.detail = const_cast<TypeDetail*>(detail);
    return typesize(&r);
}

}  // namespace vy
