// Program files: the kind of a file is decided by its first byte; Intel hex,
// Motorola S-records and raw images are loaded here, object files are handed
// to the object-format reader. Also the shared helpers of the object readers:
// the page-wise copy into target memory, the buffered reader and the
// byte-order conversions.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace vy {

// Load format code: 0 nothing recognised, 2 text format being read, ':'
// Intel hex, 'S' S-records, 'A' raw binary, '3' old and '4' current object
// format.
extern uint8_t loadformat;
// Name of the program file last loaded.
extern std::string progname;
// Bit 3: fields are 4 bytes (else 2); bit 4: least significant byte first.
extern uint8_t byteorder;
enum : uint8_t { BO_LONG = 0x08, BO_LSBFIRST = 0x10 };
// The open object file, kept for the debug-tree reads after an object load.
extern std::FILE* objfile;
// File offset of the ".debug" section's data.
extern uint32_t debugbase;

int ldprog(const char* name, int raw, int nocode, uint32_t base, uint32_t dataoffset);
// Closes the object file kept open by an object load.
void closeobj();

int ldsection(std::FILE* handle, uint16_t address, uint16_t size);
// Copies n bytes from the file through a 512-byte buffer: n, or 0 when the
// file ends first. A null handle only empties the buffer.
uint32_t ldbuf(std::FILE* handle, void* destination, uint32_t n);
uint32_t ldlong(const uint8_t* field);
uint16_t ldword(const uint8_t* field);
// Converts a 2- or 4-byte field in place to a host integer of that width.
void ldfix(void* field);
void setdebugbase(std::FILE* handle, uint32_t offset, uint32_t size);

// The object-format readers, called with the open file.
int ldobj(std::FILE* handle, int nocode, uint32_t base, uint32_t dataoffset);
int ldoldobj(std::FILE* handle, int nocode, uint32_t base, uint32_t dataoffset);
// Old object format variant (0, 1 or 2) of the file being read.
extern uint8_t oldvariant;

}  // namespace vy
