// Writing the absolute program: the object format with no relocation
// streams, every section's first and second address equal.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace lomar {

struct OutSection {
    uint8_t attr = 0;
    std::string name;
    uint32_t address = 0;
    uint32_t size = 0;
    const std::vector<uint8_t>* data = nullptr;  // null: no bytes in the file
};

struct OutSymbol {
    uint32_t value = 0;
    uint8_t flags = 0;
    uint8_t section = 0;
    std::string name;
};

struct OutDebug {
    uint32_t value = 0;
    uint8_t kind = 0;
    uint8_t section = 0;
    std::string text;
};

std::vector<uint8_t> write_program(const std::vector<OutSection>& sections, const std::vector<OutSymbol>& symbols,
                                   const std::vector<OutDebug>& debug);

}  // namespace lomar
