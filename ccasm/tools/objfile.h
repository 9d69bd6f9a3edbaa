// Reading and printing the assembler's object files: header, sections with
// data and relocation items, symbols and debug records. Test tool library.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace objfile {

// Section attribute bits.
enum : uint8_t {
    SEC_BSS = 0x01,
    SEC_HILO = 0x02,
    SEC_EVEN = 0x04,
    SEC_ZPAGE = 0x08,
    SEC_ABS = 0x10,
    SEC_BIT = 0x20,
    SEC_LONG = 0x40,
    SEC_CODE = 0x80,
};

// Symbol flag bits.
enum : uint8_t {
    SF_DEFINED = 0x01,
    SF_REFERENCED = 0x02,
    SF_PUBLIC = 0x04,
    SF_ZPAGE = 0x08,
    SF_ABSOLUTE = 0x10,
    SF_BIT = 0x20,
    SF_LONG = 0x40,
};

struct Relocation {
    uint32_t offset = 0;   // section offset of the relocated field
    uint8_t kind = 0;      // bits 0-4 of the kind byte
    bool wide_index = false;
    uint32_t index = 0;    // section number, or symbol number
    uint32_t high = 0;     // addend bits above the stored ones (kinds 4, 6, 7)
};

struct Section {
    uint8_t attr = 0;
    uint8_t name_length = 0;
    std::string name;
    uint32_t data_offset = 0, size = 0, reloc_offset = 0, reloc_size = 0, start = 0, start2 = 0;
    std::vector<uint8_t> data;
    std::vector<uint8_t> reloc;   // the raw stream
    std::vector<Relocation> relocations;
};

struct Symbol {
    uint32_t value = 0;
    uint8_t flags = 0;
    uint8_t section = 0;
    std::string name;
};

struct DebugRecord {
    uint32_t value = 0;
    uint8_t kind = 0;
    uint8_t section = 0;
    std::string text;
};

struct Object {
    uint8_t magic = 0, model1 = 0, model2 = 0;
    uint32_t symbol_count = 0, symbol_offset = 0, symbol_bytes = 0;
    uint32_t debug_count = 0, debug_offset = 0, debug_bytes = 0;
    std::vector<Section> sections;
    std::vector<Symbol> symbols;
    std::vector<DebugRecord> debug;
    const Section* find(const std::string& name) const;
};

// Parses an object image; false with a message when a count or length does
// not fit the file. A reader that does not relocate (the debugger's loader)
// passes relocations = false: the streams are then neither read nor checked.
bool read(const std::vector<uint8_t>& image, Object& obj, std::string& error, bool relocations = true);
// A file larger than the input bound (or endless) is "file too large".
bool read_file(const std::string& path, Object& obj, std::string& error);

// Decodes a relocation stream into items.
bool decode_relocations(const std::vector<uint8_t>& stream, std::vector<Relocation>& out, std::string& error);

// Readable text of the whole object; names are made one line each.
std::string dump(const Object& obj);

// The objdump11 program: the dump of each file (after its name when there
// are several) into `out`, and for a file that cannot be read the line
// "objdump11: <file>: <error>" into `errors`, control bytes written as \xNN.
// Returns the exit status, 0 or 1.
int objdump(const std::vector<std::string>& paths, std::string& out, std::string& errors);

// The objdump11 program from its command line ("objdump11 file..."): the
// dump on standard output, the errors on standard error, the exit status.
// Running out of memory ends it as it ends the passes: "#error objdump11
// FILE:0 no memory", status 1.
int objdump_main(int argc, char** argv);

}  // namespace objfile
