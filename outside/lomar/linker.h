// The linker: object files and libraries, placed by a link command file,
// become one absolute program in the object format.
//
// Segments. Each "+seg INPUT" line opens an output segment for the
// sections named INPUT. A section of a file goes to the last segment for
// its name opened above the file's line, else to the first one opened
// below it, else to a segment of its own made for that name, after all the
// declared ones. Same-named sections merge in link order (library members
// at their library's line, in the order they are taken); a section with the
// even attribute starts at an even offset. An input section with the abs
// attribute keeps its own address and forms a segment of its own.
//
// Placement. A segment lies at its -o (logical) address, else its -b
// address, else behind the segment named by -a, else behind the segment
// before it (the first at 0). ".debug" sections are merged at address 0 in
// a segment that is never loaded. Segments that hold bytes may not overlap
// (per -s space, except those with -v), must end within 64 KB and within
// -m; zero-page sections must end within 256 bytes.
//
// Start-up table. When an object refers to "__itable", the linker defines
// it as a table in the host segment (the one with -it, else the first
// segment holding code), followed by the images of the -id segments:
//   per -id segment:  dc.w length, destination, source   then dc.w 0
//   per bss segment:  dc.w length, destination            then dc.w 0
// (bss segments with -ib are left out). The -id segments themselves then
// hold no bytes in the program: the start-up code copies them.
//
// Output. Sections are the segments, first address = second address; the
// symbols are every defined symbol of the files taken, the +def symbols
// and "__itable"; the debug records follow in link order with their values
// moved and their sections renumbered. Undefined or doubly defined
// symbols, overlaps and any bad input give "#error" lines and no output.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "outside/lomar/diag.h"
#include "outside/lomar/linkfile.h"

namespace lomar {

struct LinkOptions {
    bool verbose = false;         // -v: name each file and member taken
    bool symbols_only = false;    // -s: the program holds no section bytes
    bool map = false;             // -m: make the map
    bool physical_map = false;    // -p: the map shows physical addresses
    std::vector<std::string> library_dirs;
};

struct LinkResult {
    std::vector<uint8_t> program;  // empty when errors were reported
    std::string map;
    std::string verbose;
};

// Links what the script names. Files are opened as named, else in each
// library directory in turn.
LinkResult link(const LinkScript& script, const LinkOptions& options, Diagnostics& diag);

// The name of the start-up table.
inline constexpr const char* INIT_TABLE = "__itable";

}  // namespace lomar
