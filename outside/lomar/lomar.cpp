// lomar: the linker. Reads a link command file and writes the absolute
// program, and on request a map.
//
//   lomar [-v] [-s] [-p] [-bsN] [-o program] [-m map] [-e errors] [-l dir]... file.lkf
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <new>

#include "ccparse/toolkit/toolkit.h"
#include "outside/lomar/linker.h"

namespace {

const char* const TITLE = "68HC11 Linker";
char writing[4096];

void on_interrupt(int) {
    if (writing[0]) vy::removefile(writing);
    std::_Exit(2);
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    return a == b || std::filesystem::equivalent(a, b, ec);
}

// The bank size of -bs: a power of two, or its log2 up to 16.
bool bank_size_ok(int value) {
    if (value >= 0 && value <= 16) return true;
    return value > 16 && value <= 0x10000 && (value & (value - 1)) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::set_new_handler(vy::nomemory);
    vy::version_text = "V1.0";
    int verbose = 0, symbols_only = 0, physical = 0, bank_size = 0;
    const char *output = nullptr, *map = nullptr, *errors = nullptr;
    vy::OptionList dirs(60);
    const vy::OptionDescriptor options[] = {
        {"v   verbose", &verbose},
        {"s   output symbols only", &symbols_only},
        {"p   physical addresses in the map", &physical},
        {"bs# bank size", &bank_size},
        {"o*  output file name", &output},
        {"m*  map file name", &map},
        {"e*  error file name", &errors},
        {"l*> library path", &dirs},
    };
    vy::parse_command_line(argc, argv, TITLE, "file.lkf", options);
    if (argc == 0) return 0;
    std::string lkf = argv[0];
    lomar::Diagnostics diag(vy::progname());
    FILE* err = stderr;
    if (errors) {
        err = std::fopen(errors, "w");
        if (!err) {
            std::fprintf(stderr, "#error %s %s:0 can't create %s\n", vy::progname(), lkf.c_str(), errors);
            return 1;
        }
    }
    std::signal(SIGINT, on_interrupt);

    std::string program = output ? output : lomar::replace_extension(lkf, ".h11");
    lomar::LinkOptions opt;
    opt.verbose = verbose;
    opt.symbols_only = symbols_only;
    opt.map = map != nullptr;
    opt.physical_map = physical;
    for (const char* d : dirs.oldest_first()) opt.library_dirs.emplace_back(d ? d : "");

    if (argc > 1) diag.error(lkf, 0, "only one link command file");
    if (!bank_size_ok(bank_size)) diag.error(lkf, 0, "bad bank size " + std::to_string(bank_size));
    std::vector<uint8_t> text;
    std::string error;
    lomar::LinkScript script;
    if (!diag.count()) {
        if (!lomar::read_file(lkf, text, error)) diag.error(lkf, 0, error);
        else lomar::parse_link_script(lkf, std::string(text.begin(), text.end()), script, diag);
    }
    lomar::LinkResult result;
    if (!diag.count()) {
        if (same_file(program, lkf)) diag.error(lkf, 0, "the program would overwrite " + lkf);
        for (const lomar::FileLine& f : script.files)
            if (same_file(program, f.name)) diag.error(lkf, f.line, "the program would overwrite " + f.name);
        if (map && same_file(map, lkf)) diag.error(lkf, 0, "the map would overwrite " + lkf);
        if (map && same_file(map, program)) diag.error(lkf, 0, "the map would overwrite the program " + program);
    }
    if (!diag.count()) result = lomar::link(script, opt, diag);
    if (verbose) std::fputs(result.verbose.c_str(), stdout);
    if (!diag.count()) {
        std::snprintf(writing, sizeof writing, "%s", program.c_str());
        if (!lomar::write_file(program, result.program)) diag.error(program, 0, "can't write " + program);
        writing[0] = '\0';
        if (map && !diag.count()) {
            std::vector<uint8_t> bytes(result.map.begin(), result.map.end());
            if (!lomar::write_file(map, bytes)) {
                diag.error(map, 0, "can't write " + std::string(map));
                vy::removefile(program.c_str());
            }
        }
    }
    std::fputs(diag.text().c_str(), err);
    int status = diag.count() ? 1 : 0;
    if (errors) {
        bool failed = std::fclose(err) != 0;
        if (status || failed) {
            std::fprintf(stderr, "errors reported in %s\n", errors);
            status = 1;
        } else {
            vy::removefile(errors);
        }
    }
    return status;
}
