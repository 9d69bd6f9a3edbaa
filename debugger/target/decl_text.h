// The texts that describe a variable, a function's arguments or a type in
// C terms, for the views and the expression printer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vy {

struct LocalRec;

// The pointer marker of a pointer word (its bits 0x3000): "@near *" for 0
// and 0x2000, "@far *" for 0x3000, "*" for 0x1000; with codes the near or
// far marker is coloured for list windows.
std::string pointername(uint32_t word, bool codes);

// The declarator of a name under the derivations of a type word, built
// outwards from the name: a pointer puts its marker in front, an array
// appends "[count]", a function wraps it as "(" ... ")()". words holds one
// word per derivation (pointer word, element count, or anything for a
// function).
std::string declarator(const std::string& name, uint32_t type, const std::vector<uint32_t>& words, bool codes);

// The derivation words of a record, one per derivation (0 for functions).
std::vector<uint32_t> derivationwords(const LocalRec* rec);
// The record's tag (structures, unions, enumerations), or null.
const char* tagof(const LocalRec* rec);

// Storage class, type and name: "auto int  count".
std::string descresult(const LocalRec* rec);
// The same with the colour and link codes of list windows.
std::string desclocal(const LocalRec* rec);
// The C declaration of the record's type without a name, with the members
// of structures and unions.
std::string typetext(const LocalRec* rec, int indent);
// Class 24: value 1 is the cycle counter.
std::string timingregname(uint16_t value);

}  // namespace vy
