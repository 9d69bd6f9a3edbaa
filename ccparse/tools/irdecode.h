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

// The irdump program: the decoded lines of the file into `out`; a file that
// cannot be read (or is larger than the input bound), or is malformed, adds
// one line "irdump: ..." to `errors`. Returns the exit status, 0 or 1.
int irdump(const std::string& path, bool with_offsets, std::string& out, std::string& errors);

// The irdump program from its command line ("irdump [-o] file"). Running
// out of memory ends it as it ends the passes: "#error irdump FILE:0 no
// memory", status 1.
int irdump_main(int argc, char** argv);

}  // namespace vy::irdump
