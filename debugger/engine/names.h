// The loaded program's names as the expression evaluator sees them: C
// functions and variables, typedefs and structure tags, and the values of
// the storage classes that the debug tables describe. The evaluator asks
// these questions through ProgramNames and nothing else. The answers given
// here come from the debug tables of the target model: functions, the
// types, and the variables, looked up over the call frames and placed in
// their frames (variables.h); an argument still in its register is read
// from the register.
#pragma once
#include <cstdint>
#include <string>

#include "debugger/target/debug_tables.h"

namespace vy {

// A C variable found by name.
struct VarRef {
    uint16_t address;
    uint32_t type;               // TypeCode
    const TypeDetail* detail;    // the record's, null when it needs none
    uint16_t aux;                // auxiliary word of the record
    uint8_t storage;             // its storage class
};

struct ResultRecord;

class ProgramNames {
public:
    virtual ~ProgramNames() = default;

    // The start address and the TypeCode of the function of that name (its
    // return type with the function derivation outside).
    virtual bool function(const char* name, uint16_t& start, uint32_t& type);
    // The name of the function whose start lies at the address, or null.
    virtual const char* functionat(uint32_t address);
    // The function of the selected call frame, or null without a frame.
    virtual const char* framefunction();

    // A C variable visible at the selected frame, optionally qualified by a
    // file or a function: 0 with `var` filled, -1 when there is none of that
    // name, or a message number (an unknown file or function, a variable
    // that cannot be reached). Without `evaluate` no frame is used and no
    // address of a local is computed.
    virtual int variable(const char* file, const char* function, const char* name, bool evaluate, VarRef& var);
    // A typedef, or a structure (72), union (73) or enumeration (74) tag:
    // its TypeCode and a copy of its detail.
    virtual bool typedefname(const char* name, uint32_t& type, TypeDetail& detail);
    virtual bool tag(uint8_t kind, const char* name, uint32_t& type, TypeDetail& detail);

    // The value of an object by its TypeCode and storage class, and writing
    // one: target memory, and the constants of class 12.
    virtual void readvalue(ResultRecord& r);
    virtual void writevalue(const ResultRecord& r, int32_t value, double real);

    // The storage class, C type and name of an object, for the update
    // command's report.
    virtual std::string describe(const ResultRecord& r);
};

// The names in use; the default answers from the debug tables.
ProgramNames& names();
void setnames(ProgramNames* n);

}  // namespace vy
