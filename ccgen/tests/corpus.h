// A corpus of intermediate files for the checks against the assemblers:
// data of every kind, and functions with every frame form, branches,
// loops, switches of each density, returns and inline assembly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vytest {

struct CorpusFile {
    std::string name;
    std::vector<std::uint8_t> ir;
};

std::vector<CorpusFile> generator_corpus();

// C sources with initialised data of every type, as the front end reads
// them, with the records it writes for them, for the
// byte check against the host compiler.
struct DataProgram {
    std::string name;
    std::string source;               // for ccparse
    std::string host;                 // the same objects for the host compiler: a C main that
                                      // prints each object's bytes, most significant first
    std::vector<std::uint8_t> ir;     // the records ccparse writes for `source`
};

std::vector<DataProgram> data_programs();

}  // namespace vytest
