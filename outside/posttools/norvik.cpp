// norvik: the absolute lister. This stand-in checks the linked program and
// lists its sections (on standard output with -v, into the -o file); the
// listing options are accepted.
//
//   norvik [-a] [-v] [-l] [-p|-pp|-pn] [-cl dir] [-r suffix] [-s suffix] [-o file] program
#include <cstdio>
#include <new>

#include "ccparse/toolkit/toolkit.h"
#include "outside/posttools/posttool.h"

int main(int argc, char** argv) {
    std::set_new_handler(vy::nomemory);
    vy::version_text = "V1.0";
    int libraries = 0, verbose = 0, local = 0, paged = 0, paged_pp = 0, paged_pn = 0;
    const char *dir = nullptr, *listing = nullptr, *absolute = nullptr, *output = nullptr;
    const vy::OptionDescriptor options[] = {
        {"a   process libraries too", &libraries},
        {"v   verbose", &verbose},
        {"l   project directory only", &local},
        {"pp  paged address with mapping", &paged_pp},
        {"pn  paged address in bank only", &paged_pn},
        {"p   paged address format", &paged},
        {"cl* listing directory", &dir},
        {"r*  listing suffix", &listing},
        {"s*  absolute listing suffix", &absolute},
        {"o*  output file name", &output},
    };
    vy::parse_command_line(argc, argv, "68HC11 Absolute Lister", "program", options);
    std::string path;
    objfile::Object obj;
    if (!posttool::read_program(argc, argv, path, obj)) return 1;
    std::string list;
    for (const objfile::Section& s : obj.sections) {
        char line[64];
        std::snprintf(line, sizeof line, ", %u bytes at 0x%04X\n", static_cast<unsigned>(s.size),
                      static_cast<unsigned>(s.start));
        list += path + ": section " + s.name + line;
    }
    if (verbose) std::fputs(list.c_str(), stdout);
    return !output || posttool::write_output(output, list, path) ? 0 : 1;
}
