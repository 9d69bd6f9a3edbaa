// irdump: prints an intermediate file one record per line.
//   irdump [-o] file    (-o: each line starts with the record's offset)
// Exit status 0, or 1 when the file cannot be read or is malformed.
#include "ccparse/tools/irdecode.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    bool offsets = false;
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "-o") == 0) {
        offsets = true;
        ++arg;
    }
    if (arg + 1 != argc) {
        std::fprintf(stderr, "usage: irdump [-o] file\n");
        return 1;
    }
    std::string out, errors;
    int status = vy::irdump::irdump(argv[arg], offsets, out, errors);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(errors.data(), 1, errors.size(), stderr);
    return status;
}
