#include "debugger/target/typed_values.h"

#include "debugger/target/debug_tables.h"

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

}  // namespace vy
