// The link command file: one item per line, in the order the linker takes
// them.
//
//   +seg INPUT [-nNAME] [-sSPACE] [-bADDR] [-oADDR] [-mSIZE] [-aNAME]
//        [-c] [-v] [-id] [-ib] [-it]
//                      an output segment for the sections named INPUT of
//                      the files that follow (see linker.h)
//   +def SYMBOL=VALUE  a number, start(SEG), size(SEG), end(SEG) or another
//                      symbol
//   "file" or file     an object file or a library
//
// Blank lines and lines whose first character is '#' are skipped. An
// option's value follows its letters directly or as the next word.
// Numbers are C-like: 0x for hexadecimal, a leading 0 for octal.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "outside/lomar/diag.h"

namespace lomar {

struct SegmentLine {
    std::string input;                       // section name the segment takes
    std::string name;                        // -n: name for -a and start()
    std::string space;                       // -s: overlap is checked per space
    std::optional<uint32_t> physical;        // -b
    std::optional<uint32_t> logical;         // -o
    std::optional<uint32_t> max_size;        // -m
    std::string after;                       // -a: placed behind that segment
    bool symbols_only = false;               // -c
    bool no_overlap_check = false;           // -v
    bool initialised = false;                // -id: copied from the host at start-up
    bool not_cleared = false;                // -ib: a bss segment left as it is
    bool init_host = false;                  // -it: holds the start-up table
    uint32_t line = 0;
};

struct DefLine {
    enum Kind { VALUE, START, SIZE, END, SYMBOL };
    std::string symbol;
    Kind kind = VALUE;
    uint32_t value = 0;
    std::string ref;                         // segment or symbol name
    uint32_t line = 0;
};

struct FileLine {
    std::string name;
    size_t segments_before = 0;              // +seg lines above this one
    uint32_t line = 0;
};

struct LinkScript {
    std::string path;
    std::vector<SegmentLine> segments;
    std::vector<DefLine> defs;
    std::vector<FileLine> files;
};

// Parses a link command file's text; errors go to `diag` under `path`.
// Returns false when any line was bad.
bool parse_link_script(const std::string& path, const std::string& text, LinkScript& script, Diagnostics& diag);

// Parses a whole number with C's prefixes; false unless all of `text` is used.
bool parse_number(const std::string& text, uint32_t& value);

}  // namespace lomar
