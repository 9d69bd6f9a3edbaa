// The loaded program's names as the expression evaluator sees them: C
// functions and variables, typedefs, structure tags, and the values of the
// storage classes that only the debug tables know. The evaluator asks these
// questions through ProgramNames and nothing else, so that the debug tables,
// the call frames and the typed access of the target model answer them when a
// program has debug information, and the default answers ("no such name";
// values in target memory) serve an absolute program without it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vy {

struct TypeDesc;

// A member of a structure or union; for an enumeration, an enumerator whose
// value is in `offset`.
struct MemberDesc {
    std::string name;
    uint32_t offset;
    uint32_t type;            // TypeCode
    const TypeDesc* detail;   // null when the type needs none
    uint16_t aux;             // auxiliary word of the member record
};

// The members of one structure, union or enumeration type, shared by every
// value of that type.
struct MemberTable {
    std::string tag;
    uint32_t size;            // of a structure or union, in target bytes
    std::vector<MemberDesc> members;
};

// What completes a TypeCode: the bit-field word when the base type is a
// bit-field (types 1, 11, 18, 25, 34: width in bits 0-7, shift in bits
// 8-12), then one word per pointer or array derivation from the outermost
// (a pointer's width in bits 0x3000, an array's element count), and the
// member table of a structure, union or enumeration.
struct TypeDesc {
    std::vector<uint32_t> words;
    const MemberTable* members = nullptr;
};

// A C variable found by name.
struct VarRef {
    uint16_t address;
    uint32_t type;
    const TypeDesc* detail;
    uint16_t aux;
    uint8_t storage;          // its storage class
};

struct ResultRecord;

class ProgramNames {
public:
    virtual ~ProgramNames() = default;

    // The start address and TypeCode of the function of that name.
    virtual bool function(const char* name, uint16_t& start, uint32_t& type) { return false; }
    // The name of the function whose start lies at the address, or null.
    virtual const char* functionat(uint32_t address) { return nullptr; }
    // The function of the selected call frame, or null without a frame.
    virtual const char* framefunction() { return nullptr; }

    // A C variable visible at the selected frame, optionally qualified by a
    // file or a function: 0 with `var` filled, -1 when there is none of that
    // name, or a message number (an unknown file or function). Without
    // `evaluate` no frame is used and no address of a local is computed.
    virtual int variable(const char* file, const char* function, const char* name, bool evaluate, VarRef& var) {
        return -1;
    }
    // A typedef, or a structure (72), union (73) or enumeration (74) tag.
    virtual bool typedefname(const char* name, uint32_t& type, const TypeDesc*& detail) { return false; }
    virtual bool tag(uint8_t kind, const char* name, uint32_t& type, const TypeDesc*& detail) { return false; }

    // The value of an object by its TypeCode and storage class, and writing
    // one. The defaults know target memory only; the debug tables add the
    // register, frame and constant classes.
    virtual void readvalue(ResultRecord& r);
    virtual void writevalue(const ResultRecord& r, int32_t value, double real);

    // The storage class, C type and name of an object, for the update
    // command's report.
    virtual std::string describe(const ResultRecord& r);
};

// The names in use; the default knows no program names.
ProgramNames& names();
void setnames(ProgramNames* n);

}  // namespace vy
