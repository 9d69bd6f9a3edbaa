// objdump11: prints an object file of the assembler in readable text.
#include <cstdio>
#include <string>

#include "ccasm/tools/objfile.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: objdump11 file...\n", stderr);
        return 1;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        objfile::Object obj;
        std::string error;
        if (!objfile::read_file(argv[i], obj, error)) {
            std::fprintf(stderr, "objdump11: %s: %s\n", argv[i], error.c_str());
            status = 1;
            continue;
        }
        if (argc > 2) std::printf("%s:\n", argv[i]);
        std::fputs(objfile::dump(obj).c_str(), stdout);
    }
    return status;
}
