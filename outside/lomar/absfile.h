// Writing the absolute program: the object format with no relocation
// streams, every section's first and second address equal.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ccasm/tools/objfile.h"

namespace lomar {

struct OutSection {
    uint8_t attr = 0;
    std::string name;
    uint32_t address = 0;
    uint32_t size = 0;
    const std::vector<uint8_t>* data = nullptr;  // null: no bytes in the file
};

// Symbols and debug records as the object reader gives them.
std::vector<uint8_t> write_program(const std::vector<OutSection>& sections, const std::vector<objfile::Symbol>& symbols,
                                   const std::vector<objfile::DebugRecord>& debug);

}  // namespace lomar
