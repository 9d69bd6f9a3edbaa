// objdump11: prints an object file of the assembler in readable text.
#include <cstdio>
#include <string>
#include <vector>

#include "ccasm/tools/objfile.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: objdump11 file...\n", stderr);
        return 1;
    }
    std::string out, errors;
    int status = objfile::objdump(std::vector<std::string>(argv + 1, argv + argc), out, errors);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(errors.data(), 1, errors.size(), stderr);
    return status;
}
