// The symbol list: program symbols in ascending value order, user symbols,
// and the special symbols whose names begin with '.' (simulator state).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vy {

struct SymRec {
    SymRec* next;
    uint32_t value;
    uint8_t section;
    uint8_t type;
    // The NUL-terminated name follows the record in the same block.
    char* name() { return reinterpret_cast<char*>(this + 1); }
    const char* name() const { return reinterpret_cast<const char*>(this + 1); }
};

extern SymRec* symlist;

// Value fields of ".irq", ".time" and ".btime"; null while undefined.
extern uint32_t* irqptr;
extern uint32_t* timeptr;
extern uint32_t* btimeptr;

SymRec* defsym(const char* name, uint32_t value);
void undefsym(const char* name);
SymRec* rensym(const char* name);
SymRec* nearsym(uint32_t address);
// Removes every symbol whose name does not begin with '.'.
void dropsyms();

// A symbol for defsymbols.
struct SymDef {
    std::string name;
    uint32_t value;
    uint8_t section;
    uint8_t type;
};
// Defines the symbols as defsym would one after another (a later definition
// of a name replaces an earlier one), in one sort and one merge.
void defsymbols(const std::vector<SymDef>& defs);

}  // namespace vy
