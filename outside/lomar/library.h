// The library format of the linker: object files kept whole, with their
// names, in one file. All numbers are 32-bit, most significant byte first.
//
//   0   4  magic 0xCE 'L' 'I' 'B'
//   4   4  member count N
//   8      N directory entries: u32 file offset, u32 size, u8 name length,
//          the name
//          the members' bytes, each an object file
//
// The linker takes a member only when it defines a symbol that is still
// undefined; the librarian (lomlib) writes and edits libraries.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace lomar {

struct LibraryMember {
    std::string name;
    std::vector<uint8_t> bytes;
};

constexpr uint8_t LIBRARY_MAGIC[4] = {0xCE, 'L', 'I', 'B'};

bool is_library(const std::vector<uint8_t>& image);

// Reads a library image; false with a message when a count, offset or
// name does not fit the file.
bool read_library(const std::vector<uint8_t>& image, std::vector<LibraryMember>& members, std::string& error);

std::vector<uint8_t> write_library(const std::vector<LibraryMember>& members);

}  // namespace lomar
