// tovan: the IEEE-695 converter. This stand-in checks the linked program and
// writes its output file (-o, else the program's name with ".695"): the
// text of the program's header, sections, symbols and debug records.
//
//   tovan [-v] [+V4] [+old] [+page1|+page2] [+dpage] [-rb] [-o file] program
#include <cstdio>
#include <new>

#include "ccparse/toolkit/toolkit.h"
#include "outside/lomar/diag.h"
#include "outside/posttools/posttool.h"

int main(int argc, char** argv) {
    std::set_new_handler(vy::nomemory);
    vy::version_text = "V1.0";
    int verbose = 0, v4 = 0, old = 0, page1 = 0, page2 = 0, dpage = 0, reverse = 0;
    const char* output = nullptr;
    const vy::OptionDescriptor options[] = {
        {"v      verbose", &verbose},
        {"+V4    version 4 output", &v4},
        {"+old   old format", &old},
        {"+page1 physical paging", &page1},
        {"+page2 logical paging", &page2},
        {"+dpage data paging", &dpage},
        {"rb     reverse bit-field numbering", &reverse},
        {"o*     output file name", &output},
    };
    vy::parse_command_line(argc, argv, "68HC11 IEEE-695 Converter", "program", options);
    std::string path;
    objfile::Object obj;
    if (!posttool::read_program(argc, argv, path, obj)) return 1;
    std::string target = output ? output : lomar::replace_extension(path, ".695");
    if (verbose) std::printf("%s: writing %s\n", path.c_str(), target.c_str());
    return posttool::write_output(target, objfile::dump(obj), path) ? 0 : 1;
}
