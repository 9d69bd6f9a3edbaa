// The debug tables: the source-level picture of the loaded program. The
// debug entries (one per debug record of the object file) on three lists,
// and the file, function and variable records built from the object file's
// debug tree. Every record is a heap node linked through its first word;
// freedebug frees them all together.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vy {

struct FuncRec;
struct FileRec;
struct MemberList;
struct UsageLog;
struct ChronBlock;

// Entry kinds: the kind byte of the object file's debug record.
enum : uint8_t {
    DBG_CALL = 0, DBG_SETUP = 1, DBG_FUNCREF = 2, DBG_EXIT = 4, DBG_LINE = 8,
    DBG_FUNCEND = 16, DBG_FUNCSTART = 32, DBG_FILE = 64, DBG_STRING = 65,
    DBG_OPTION = 128,
};
// Entry flag: the text's line number was written with a leading '+'.
enum : uint8_t { DE_PLUS = 0x40 };

struct DebugEntry {
    DebugEntry* next;
    char* name;        // function name (inside text, or the owner's after clean-up), or null
    FuncRec* func;     // set by the consistency pass of the load
    uint32_t addr;     // record value plus its section's run-minus-load offset
    uint8_t kind;
    uint8_t flags;
    uint16_t line, col, endline, endcol, extra;
    uint32_t calls;    // kept by the execution core
    uint32_t cycles;
    // The NUL-terminated text follows the entry in the same block.
    char* text() { return reinterpret_cast<char*>(this + 1); }
    const char* text() const { return reinterpret_cast<const char*>(this + 1); }
};

// The words that complete a variable's type word: the bit-field word when
// the base type has one (11, 25, 18, 34 and 1), one word per pointer or array
// derivation from the outermost (the pointer word, or the element count), and
// for structures, unions and enumerations their member list.
struct TypeDetail {
    std::vector<uint32_t> words;
    MemberList* members = nullptr;
};

// A variable, argument or member.
struct LocalRec {
    char* name;          // own copy: the name, its NUL and the storage-class byte
    FuncRec* func;       // owner (set by the format-4 reader)
    uint16_t value;      // frame offset, address or value; class 5: the register number
    uint16_t offset5;    // class 5: the frame offset
    uint32_t size;       // bytes (typesize)
    uint32_t type;       // TypeCode
    uint32_t regmask;    // register mask through the file's register map, else 0
    TypeDetail* detail;  // null when there is nothing to hold
    UsageLog* usage;     // access log of the recorder
    uint8_t cls;         // storage class
};

// One member list of the debug tree, shared by every variable of its type.
struct MemberList {
    MemberList* next;
    uint32_t offset;     // the member-list node's offset in the debug tree
    char* tag;
    uint32_t count;
    uint32_t size;       // from the terminating member
    LocalRec* members;   // count + 1 records, the last with a null name
};

struct FuncRec {
    FuncRec* next;            // next function of the same file
    FileRec* file;
    char* name;               // own copy; empty for an unnamed node
    uint32_t firstline, lastline;
    LocalRec* locals;         // nlocals + 1 records, then the class-18 area
    LocalRec* firstlocal;     // first of class 3, 4, 16 or 1, else localsend
    LocalRec* localsend;      // the terminating record
    LocalRec* members18;      // class-18 records, or null
    char* signature;          // the function's own type as text
    char* argtext;            // the argument list as text
    DebugEntry* start;        // function-start entry
    DebugEntry* setup;        // frame set-up entry
    uint8_t active;           // 1 at load
    uint8_t state;
    uint32_t nclass18;
    uint32_t nlocals;         // records in the array, class 18 not counted
    uint32_t nargs;
    uint8_t hasreg;           // a record of class 4 or 5 exists
    uint32_t type;            // TypeCode of the function
    uint16_t ntiming;         // timing stamps used in the current block
    ChronBlock* timing;       // first chronology block
    ChronBlock* curtiming;
    uint32_t calls, cycles;
    uint32_t longestcalled;
    uint32_t work0;           // working values of other parts: 0 and -1 at load
    int32_t work1;
    uint32_t ncalled, nrefs;
    uint8_t* called;          // CalledNames: length byte, name, NUL; a zero length ends it
    uint8_t* refs;
    FuncRec* nextunnamed;     // the list of unnamed function records
};

struct FileRec {
    FileRec* next;            // older file; the list ends at fileend
    uint32_t flags;           // FILE_* below
    uint32_t firstline, lastline;
    char* name;
    FuncRec* funcs;           // the last record of the chain holds the file's variables
    uint32_t ndefines;
    DebugEntry** defentries;  // the debug strings of the file's defines
    char** deftexts;          // each define's replacement text
    DebugEntry* option;       // the file's option record
    void* attached;           // a block another part attaches; freed with the file
};
enum : uint32_t { FILE_NOTUNIQUE = 1, FILE_HASSTART = 2, FILE_HASSETUP = 12 };

// The function-record index of the call-frame code: debug-tree offset of
// each function node with its record.
struct FuncIndex {
    FuncIndex* next;
    uint32_t offset;
    FuncRec* func;
};

// The main list (every entry below kind 128 except debug strings, in
// ascending address order), the debug strings and the option records.
extern DebugEntry* debuglist;
extern DebugEntry* stringlist;
extern DebugEntry* optionlist;
// Counts of file entries and function-start entries read (the load gauge).
extern uint32_t nfileentries, nstartentries;
// Set when the load has debug strings (kind 65).
extern uint8_t debugstrings;
// Set when the loaded program has source-level information.
extern uint8_t srcinfo;

// The file records, newest first, ending at fileend (or at null).
extern FileRec* filelist;
extern FileRec fileend;
inline bool morefiles(const FileRec* f) { return f && f != &fileend; }
extern FuncIndex* funcindex;
extern FuncRec* unnamedfuncs;
extern MemberList* memberlists;

// Storage classes.
enum : uint8_t {
    CL_STATIC = 1, CL_ARG = 2, CL_AUTO = 3, CL_REGISTER = 4, CL_REGARG = 5,
    CL_EXTERN = 6, CL_ARGREG = 7, CL_ABSOLUTE = 8, CL_ENUMMEMBER = 12,
    CL_MACHINEREG = 13, CL_STATICARG = 14, CL_STATICARGREG = 15,
    CL_STATICAUTO = 16, CL_TYPEDEF = 17, CL_LOCAL18 = 18, CL_GLOBAL = 19,
    CL_ARG20 = 20, CL_TIMINGREG = 24,
};
bool isargclass(uint8_t cls);
// The description text of a storage class (with its trailing blank), "" for
// classes without one.
const char* classtext(uint8_t cls);
// The name of a base type, or null when the table has none.
const char* basetypename(uint8_t base);

// Reading debug records: an entry of the given kind with room for the text,
// its text parsed as the kind demands, put on its list. The old object
// format reads line texts in its own way.
DebugEntry* newentry(uint8_t kind, uint32_t addr, const char* text, std::size_t length);
void parseentry(DebugEntry* e);
void parseoldentry(DebugEntry* e);
void insertentry(DebugEntry* e);
// The old format's insertion: option records stay on the main list; a file
// entry is appended at the end when appendfiles is set; at one address an
// entry goes in front of the first entry it must precede.
void insertoldentry(DebugEntry* e, bool appendfiles);
// The old format's clean-up walk; it never refuses.
void cleanoldentries();
// Empties the three lists and the counters before a debug-record read.
void clearentries();
// The section-name fix and the clean-up walk after the last record; false
// (with the message given) when the records are inconsistent.
bool cleanentries(std::string& message);

FileRec* findfile(const char* name);
FuncRec* findfunc(const char* name);
// The record of the function node at a debug-tree offset, through the index
// (of several at one offset, the first on the list).
FuncRec* funcatoffset(uint32_t offset);
// Whoever changes the index list, or the main entry list, says so: the
// lookups keep tables of them.
void funcindexchanged();
void entrieschanged();
// Counts the calls of entrieschanged: a table of the entries made when it
// had a value serves while it keeps it.
extern uint32_t entriesversion;
void gotoaddr(uint16_t address);
// The first line or function-start entry exactly at the address, or null.
DebugEntry* lineexact(uint16_t address);
// Frees the call frames; with all set also every table.
void freedebug(int all);

// Text helpers for records: a heap copy of n bytes and a NUL (freed with
// std::free).
char* newtext(const char* text, std::size_t n);
char* newtext(const std::string& text);
// The storage-class byte behind a record's name.
uint8_t classof(const LocalRec* rec);

}  // namespace vy
