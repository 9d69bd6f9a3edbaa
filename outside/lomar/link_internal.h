// What the linker knows about the files it takes and the segments it
// builds; shared by the linker and the map writer.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "ccasm/tools/objfile.h"
#include "outside/lomar/linkfile.h"

namespace lomar {

// Section attributes and symbol flags of the object format.
using objfile::SEC_BSS;
using objfile::SEC_HILO;
using objfile::SEC_EVEN;
using objfile::SEC_ZPAGE;
using objfile::SEC_ABS;
using objfile::SEC_CODE;
using objfile::SF_DEFINED;
using objfile::SF_REFERENCED;
using objfile::SF_PUBLIC;
using objfile::SF_ABSOLUTE;

// An object file taken into the link: a file of its own or a library member.
struct Unit {
    std::string name;          // for messages: "a.o" or "rt.lib(mul.o)"
    objfile::Object obj;
    size_t file_line = 0;      // index of its line in the script's files
    size_t taken = 0;          // 0 for a file, else the order it was taken in
    std::vector<int> segment;  // per section: the segment it went to
    std::vector<uint32_t> offset;   // per section: its offset in the segment
    std::vector<uint32_t> address;  // per section: its final address
};

struct Part {
    size_t unit, section;
};

struct Segment {
    std::string input;                   // section name
    const SegmentLine* line = nullptr;   // null for a segment the linker made
    bool debug = false;                  // the merged ".debug"
    bool fixed = false;                  // an input section with the abs attribute
    std::vector<Part> parts;
    uint64_t size = 0;                   // with the start-up table of the host
    uint8_t attr = 0;                    // the parts' attributes together
    bool all_bss = true;
    uint32_t address = 0;
    bool placed = false, placing = false;
    uint32_t table_offset = 0;           // host: where the start-up table begins
    std::vector<uint8_t> bytes;          // relocated bytes (not for bss)
    int output = 0;                      // section number in the program, 0: none

    std::string name() const { return line && !line->name.empty() ? line->name : input; }
    bool holds_bytes() const { return !all_bss; }
    uint64_t end() const { return uint64_t(address) + size; }
};

// Where a global symbol is defined.
struct Definition {
    enum Source { UNIT, SCRIPT, TABLE } source = UNIT;
    size_t unit = 0, symbol = 0;   // UNIT
    size_t def = 0;                // SCRIPT: index in the script's defs
    uint32_t value = 0;            // once placed
    bool valued = false, failed = false, visiting = false;
};

struct LinkState {
    const LinkScript* script = nullptr;
    std::vector<Unit> units;
    std::vector<size_t> order;      // units in link order
    std::vector<Segment> segments;  // declared, then made by the linker, then .debug
    std::unordered_map<std::string, Definition> globals;
    int host = -1;                  // segment of the start-up table, -1: no table
    uint32_t table_size = 0;
};

std::string make_map(const LinkState& state, bool physical);

}  // namespace lomar
