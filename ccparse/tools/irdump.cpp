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
    std::FILE* file = std::fopen(argv[arg], "rb");
    if (!file) {
        std::fprintf(stderr, "irdump: can't open %s\n", argv[arg]);
        return 1;
    }
    std::vector<std::uint8_t> bytes;
    unsigned char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
    vy::irdump::Decoded decoded = vy::irdump::decode(bytes, offsets);
    for (const std::string& line : decoded.lines) std::printf("%s\n", line.c_str());
    if (!decoded.ok) {
        std::fprintf(stderr, "irdump: %s\n", decoded.error.c_str());
        return 1;
    }
    return 0;
}
