// The object-format readers: the toolchain's object files (first byte 0xCC
// or 0xCD) and an older format (0x9D, 0xC2, 0xC3). Each places the sections'
// data in target memory, defines the section symbols, reads the program's
// symbols and file markers, and reads the debug records into the debug
// entry lists. The whole file is read and checked first; a file that does
// not hold together is refused with a message and changes nothing.
#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "debugger/target/loader.h"

namespace vy {

struct FileRec;

// One loaded section other than ".debug" (current format only), in
// ascending order of first address.
struct SectionGroup {
    SectionGroup* next;
    uint8_t attributes;
    uint8_t index;        // section number from 0
    char name[15];
    uint32_t first;       // the record's first address (no text or data offset added)
    uint32_t second;
    uint32_t fileoffset;
    uint32_t size;
    uint32_t last;        // first + size - 1
};
extern SectionGroup* sectiongroups;

// A file marker from the symbol records, turned into section markers after
// the load.
struct MarkerNode {
    MarkerNode* next;
    FileRec* file;
    uint32_t value;       // file offset of the marker's records (current format)
    uint8_t count;
    char* name;
};
extern MarkerNode* markers;

// A file marker placed in one section, on that section's list in ascending
// value order.
struct SectionMarker {
    SectionMarker* next;
    MarkerNode* marker;
    char name[16];
    uint32_t value;
};
// The marker list of each section, by section number.
extern SectionMarker* sectionmarkers[256];

// The names of the last object file's sections, by section number from 1.
extern std::vector<std::string> sectionnames;

// The object file read by the last object load, kept for the debug-tree
// reads and the markers until the load ends.
extern std::vector<uint8_t> objimage;
// The ".debug" section's data inside objimage (empty without one).
std::span<const uint8_t> debugsection();
// Frees the image.
void releaseobjimage();

// Puts back every byte of target memory that the last object load wrote.
void undoobjload();
// Forgets what the last object load wrote (the load is kept).
void keepobjload();

// Frees the section groups, names and marker lists.
void freesections();
// Removes the symbols an object load defines for its sections (".text",
// ".tsize" and the like).
void dropsectionsymbols();

}  // namespace vy
