// tesk: the object inspector. A text report of a linked program: its
// header, sections (with their bytes), symbols and debug records, or only
// the parts chosen.
//
//   tesk [-h] [-s] [-y] [-d] [-o report] program
#include <new>
#include <sstream>

#include "ccparse/toolkit/toolkit.h"
#include "outside/posttools/posttool.h"

int main(int argc, char** argv) {
    std::set_new_handler(vy::nomemory);
    vy::version_text = "V1.0";
    int header = 0, sections = 0, symbols = 0, debug = 0;
    const char* output = nullptr;
    const vy::OptionDescriptor options[] = {
        {"h   header", &header},
        {"s   sections", &sections},
        {"y   symbols", &symbols},
        {"d   debug records", &debug},
        {"o*  output file name", &output},
    };
    vy::parse_command_line(argc, argv, "68HC11 Object Inspector", "program", options);
    std::string path;
    objfile::Object obj;
    if (!posttool::read_program(argc, argv, path, obj)) return 1;
    bool all = !header && !sections && !symbols && !debug;

    // The dump's lines begin with the part they belong to; a section's bytes
    // and relocations are indented below it.
    std::istringstream dump(objfile::dump(obj));
    std::string report = "program " + path + "\n", line;
    bool keep = false;
    while (std::getline(dump, line)) {
        if (line.rfind("header:", 0) == 0) keep = header;
        else if (line.rfind("section ", 0) == 0) keep = sections;
        else if (line.rfind("symbol ", 0) == 0) keep = symbols;
        else if (line.rfind("debug ", 0) == 0) keep = debug;
        if (all || keep) report += line + "\n";
    }
    return posttool::put_output(output ? output : "", report, path) ? 0 : 1;
}
