// A decoder of the intermediate file for tests: one line of text per record
// with its fields, expression trees written inline in prefix form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vy::irdump {

struct Decoded {
    std::vector<std::string> lines;  // the header, then one line per record
    bool ok = true;                  // false: unknown code or truncated file
    std::string error;               // what went wrong, and where
};

// Decodes a whole file. Each line is "<code> <what> <fields>"; offsets are
// left out unless `with_offsets`, which starts each line with the record's
// offset in hexadecimal.
Decoded decode(const std::vector<std::uint8_t>& bytes, bool with_offsets = false);

}  // namespace vy::irdump
