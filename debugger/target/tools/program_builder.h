// Test tool: writes absolute programs in the toolchain's object format with
// full debug information, from a description of their source files: the
// code with its line, function and frame records, and the debug tree in
// ".debug" with functions, variables, types, called names and defines, laid
// out as the debugger reads it. The tests and the load benchmark use it in
// place of the C chain.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vy::progbuild {

// The words of a debug tree with named places: labels, links to them, type
// words (least significant byte first) and strings.
class Tree {
public:
    void label(const std::string& name);
    void word(uint32_t value);
    void link(const std::string& name);  // "" is the null link
    void type(uint32_t value);
    void byte(uint8_t value);
    void string(const std::string& text);
    uint32_t here() const { return static_cast<uint32_t>(bytes_.size()); }
    // The bytes with every link filled in; labels() gives the offsets.
    std::vector<uint8_t> finish() const;
    // Each link: the offset of its word and the offset it names.
    std::vector<std::pair<uint32_t, uint32_t>> links() const;
    uint32_t at(const std::string& name) const;
    const std::map<std::string, uint32_t>& labels() const { return labels_; }

private:
    std::vector<uint8_t> bytes_;
    std::map<std::string, uint32_t> labels_;
    std::vector<std::pair<uint32_t, std::string>> links_;
};

// A variable entry: name, storage class, value, type word and the detail
// words that stand in the tree (without the register mask), the member list
// that the last detail word names, and for class 5 the register number.
struct Var {
    std::string name;
    uint8_t cls = 3;
    uint32_t value = 0;
    uint32_t type = 24;
    std::vector<uint32_t> detail;
    std::string members;
    uint32_t regnumber = 0;
    uint32_t regmask = 0;  // the first detail word when the file has a register map
};

// A variable entry in one expression.
Var var(const std::string& name, uint8_t cls, uint32_t value, uint32_t type, std::vector<uint32_t> detail = {},
        const std::string& members = "", uint32_t regnumber = 0);

// A member list of a structure, union or enumeration; an empty tag writes a
// zero tag word.
struct Members {
    std::string label;
    std::string tag;
    std::vector<Var> members;
    uint32_t size = 0;
};

struct Function {
    std::string name;
    uint8_t cls = 6;
    uint32_t type = 24;
    std::vector<uint32_t> typedetail;
    std::string typemembers;
    std::vector<Var> vars;                 // in list order
    std::vector<std::string> called, refs;
    int lines = 3;                         // statement lines, one line record each
    bool plus = false;                     // the start record's line is written "+"
    bool setup = true;                     // a frame set-up record
    bool hascode = true;                   // code and records (else only the tree node)
    bool intree = true;                    // a node in the tree (else only code and records)
    uint32_t first = 0, last = 0;          // the node's lines when not 0 (else counted from lines)
};

struct File {
    std::string name;
    std::vector<Function> funcs;
    std::vector<Var> globals;              // the file-scope node's variables
    std::vector<std::pair<std::string, std::string>> defines;
    std::vector<uint16_t> regmap;          // 16 entries: an option record with a register map
};

struct Program {
    std::vector<File> files;
    std::vector<Members> members;
    uint16_t codebase = 0x8000;
    uint32_t linebytes = 3;                // code bytes per line
    uint8_t magic = 0xCC;
};

// Where the builder put a function.
struct Placed {
    std::string file, name;
    uint32_t node;                         // function node offset in the tree
    uint16_t start, exit, end;             // addresses
    uint32_t firstline, lastline;
    std::vector<std::pair<uint16_t, uint32_t>> lines;  // address, line
};


// An object file from its parts: the writer of the test programs, also
// used alone by tests that make damaged or unusual files.
struct Section {
    std::string name;
    uint8_t attr = 0x92;
    uint32_t first = 0, second = 0;
    std::vector<uint8_t> data;
    uint32_t bsssize = 0;                  // attr bit 0: no data, this length
    int namelength = -1;                   // the length byte as written (-1: the name's length)
};
struct Symbol {
    uint32_t value;
    uint8_t flags;
    uint8_t section;
    std::string name;
};
struct Record {
    uint32_t value;
    uint8_t kind;
    uint8_t section;
    std::string text;
};
struct Object {
    uint8_t magic = 0xCC;
    std::vector<Section> sections;
    std::vector<Symbol> symbols;
    std::vector<Record> records;
    std::vector<uint8_t> trailer;          // bytes behind everything (placement and marker records)
    // The file offset at which the trailer will stand.
    uint32_t traileroffset() const;
    std::vector<uint8_t> write() const;
};

struct Built {
    Object object;                         // the parts; object.write() makes image again
    std::vector<uint8_t> image;
    std::vector<uint8_t> tree;
    std::vector<std::pair<uint32_t, uint32_t>> links;  // link word offset, offset named
    std::map<std::string, uint32_t> labels;
    std::vector<Placed> funcs;
    uint16_t codeend = 0;
};

Built build(const Program& program);

// The debug tree of a built program as assembly text for ccasm: the
// ".debug" section with its words, links as labels, and the file, function
// and string records as the compiler's debug directives. A test writes the
// code with its own line, function and frame directives and appends this,
// so that the assembler makes the whole object file as it does from the
// compiler's output.
std::string treesource(const Built& built);

// The older object format: variant 0 (first byte 0x9D) has a 16-byte header
// and no debug records; variants 1 and 2 (0xC2, 0xC3) a 28-byte header with
// the sections from 26; variant 2 adds a section byte to each debug record.
struct OldSection {
    std::string name;
    uint8_t attr;
    uint32_t first, second;
    std::vector<uint8_t> data;
};
struct OldRecord {
    uint16_t value;
    uint8_t kind;
    uint8_t section;
    std::string text;
};
std::vector<uint8_t> writeold(uint8_t first, uint8_t symformat, const std::vector<OldSection>& sections,
                              const std::vector<uint8_t>& symbols, const std::vector<OldRecord>& records);
// A symbol record with a section byte, a length and the name (format byte 0).
std::vector<uint8_t> oldsymbol(uint16_t value, uint8_t type, uint8_t section, const std::string& name);

}  // namespace vy::progbuild
