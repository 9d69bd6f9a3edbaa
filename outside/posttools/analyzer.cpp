// analyzer: makes the browse file of a C source: runs ccparse -x from beside
// it with the include directories into the output file. A source with
// errors leaves no browse file.
//
//   analyzer [-i dir]... -x -o file.sbr source.c
#include <cstdio>
#include <filesystem>
#include <new>

#include "ccparse/toolkit/toolkit.h"
#include "outside/driver/spawn.h"
#include "outside/posttools/posttool.h"

int main(int argc, char** argv) {
    std::set_new_handler(vy::nomemory);
    vy::version_text = "V1.0";
    std::string dir = cc11::program_directory(argv[0]);
    int debug = 0;
    const char* output = nullptr;
    vy::OptionList includes(60);
    const vy::OptionDescriptor options[] = {
        {"i*> include path", &includes},
        {"x   debug information (always written)", &debug},
        {"o*  output file name", &output},
    };
    vy::parse_command_line(argc, argv, "68HC11 Source Analyzer", "source", options);
    if (argc != 1) return posttool::error(argc ? argv[1] : vy::progname(), "one source file is needed");
    std::string source = argv[0];
    if (!output) return posttool::error(source, "missing output file name");
    std::string parser = (std::filesystem::path(dir) / (std::string("ccparse") + cc11::EXE_SUFFIX)).string();
    std::vector<std::string> args{parser, "-x"};
    for (const char* i : includes.oldest_first()) args.push_back(std::string("-i") + (i ? i : ""));
    args.insert(args.end(), {"-o", output, source});
    // An older browse file would otherwise outlive a failed run.
    vy::removefile(output);
    std::fflush(stdout);
    int status = 0;
    if (!cc11::run_program(parser, args, status)) return posttool::error(source, "can't run " + parser);
    if (status) vy::removefile(output);
    return status ? 1 : 0;
}
