// The command line of ccgen, its files, the header of the intermediate
// file, the loop over top-level records and functions, and the endings.
#include <filesystem>
#include <new>

#include "ccgen/ccgen.h"
#include "ccparse/interrupt.h"
#include "ccparse/toolkit/toolkit.h"

namespace ccgen {

namespace {

const char* const TITLE = "68HC11 Code Generator";

// An intermediate file larger than this is refused rather than read.
constexpr std::uintmax_t largest_input = 256u << 20;

bool same_file(const char* a, const char* b) {
    std::error_code ec;
    return std::filesystem::exists(b, ec) && std::filesystem::equivalent(a, b, ec);
}

void remove_output(Gen& g) {
    std::erase_if(g.out.held, [](const auto& h) { return !h.first; });
    release_output(g);  // the diagnostics held back
    if (g.out.file && g.out.file != stdout) std::fclose(g.out.file);
    g.out.file = nullptr;
    if (g.out.created) vy::removefile(g.out.path.c_str());
    g.out.created = false;
}

// Closes the error file: kept with a closing message when errors were
// reported, removed when not.
void close_error_file(Gen& g, const char* name) {
    if (!g.err) return;
    std::fclose(g.err);
    g.err = nullptr;
    if (g.errors) {
        vy::toolwrite(std::string("errors reported in ") + name + "\n");
    } else {
        vy::removefile(name);
    }
}

const char* error_file_name = nullptr;

void close_files(Gen& g) {
    release_output(g);
    if (g.in.file) std::fclose(g.in.file);
    g.in.file = nullptr;
    if (g.out.file) {
        bool failed = g.out.failed;
        if (!failed) {
            out_flush(g);
            failed = g.out.failed;
        }
        if (g.out.file == stdout)
            failed = std::fflush(stdout) != 0 || failed;
        else if (g.out.file)
            failed = std::fclose(g.out.file) != 0 || failed;
        g.out.file = nullptr;
        if (failed) {
            g.out.failed = true;
            vy::toolstream("can't write!\n");
            if (g.out.created) vy::removefile(g.out.path.c_str());
            g.errors = true;
        }
    }
    close_error_file(g, error_file_name);
}

// Closes the files at the end of a run; a run that failed keeps no output
// file, even a whole one (the PANIC comment in it is on the error stream
// too).
void finish_files(Gen& g, int status) {
    close_files(g);
    if ((status != 0 || g.errors) && g.out.created) vy::removefile(g.out.path.c_str());
    g.out.created = false;
}

}  // namespace

void end_run(Gen& g, int status) {
    if (status == 2) {
        remove_output(g);
        close_files(g);
    } else {
        finish_files(g, status);
        if (g.out.failed) status = 1;
    }
    vy::cc::remove_interrupt_handler();
    vy::toolexit(status);
}

// A block write that did not complete: the partial output is removed.
void write_failed(Gen& g) {
    g.out.failed = true;
    vy::toolstream("can't write!\n");
    remove_output(g);
    g.errors = true;
    if (g.in.file) std::fclose(g.in.file);
    g.in.file = nullptr;
    close_error_file(g, error_file_name);
    vy::cc::remove_interrupt_handler();
    vy::toolexit(1);
}

namespace {

// The four header bytes; false when the run cannot go on.
bool read_header(Gen& g) {
    int magic = next_input_byte(g);
    if (magic != 203) {
        generr(g, "bad intermediate file ", g.input_name);
        return false;
    }
    int flags = next_input_byte(g);
    if (flags == IR_EOF || (flags & 0xE3)) {
        generr(g, flags == IR_EOF ? "bad intermediate file " : "bad flags for MC68HC11 target ", g.input_name);
        return false;
    }
    int mode = next_input_byte(g);
    int config = next_input_byte(g);
    if (mode == IR_EOF || config == IR_EOF) {
        generr(g, "bad intermediate file ", g.input_name);
        return false;
    }
    if (!g.errors) {
        g.single_precision = mode & 0x01;
        g.no_promotion = mode & 0x02;
        if (g.no_promotion) apply_char_config(g);
        g.full_debug = mode & 0x04;
        if (g.full_debug) g.opt.line_debug_kind = -1;
        g.line_debug = g.opt.line_debug_kind >= 0;
    }
    if (config != 0) generr(g, "bad parser configuration ", g.input_name);
    return true;
}

int run(Gen& g, int argc, char** argv) {
    int alu = 0, asm_opt = 0, no_bss = 0, check = 0, const_code = 0, full = 0, listing = 0, no_opt = 0;
    int static_model = 0, proc = 0, verbose = 0;
    int line_debug = INT32_MIN;
    const char *error_file = nullptr, *output = nullptr;
    const vy::OptionDescriptor options[] = {
        {"alu   use arithmetic unit", &alu},
        {"a     optimize _asm code", &asm_opt},
        {"bss   do not use bss", &no_bss},
        {"ck    check stack frame", &check},
        {"ct    constants in code", &const_code},
        {"dl#   output line information", &line_debug},
        {"+e*    error file name", &error_file},
        {"f     full source display", &full},
        {"l     output listing", &listing},
        {"no    do not use optimizer", &no_opt},
        {"o*    output file name", &output},
        {"st#   static models", &static_model},
        {"t?    processor type", &proc},
        {"v     verbose", &verbose},
    };
    vy::parse_command_line(argc, argv, TITLE, "file", options);

    Options& o = g.opt;
    o.alu = alu;
    o.asm_opt = asm_opt;
    o.no_bss = no_bss;
    o.check_stack = check;
    o.const_in_code = const_code;
    o.line_debug_kind = line_debug == INT32_MIN ? -1 : line_debug < 0 ? 0 : line_debug;
    o.full_listing = full;
    o.listing = listing;
    o.no_opt = no_opt;
    o.static_model = static_model;
    o.proc_type = proc;
    o.verbose = verbose;
    init_sections(g);
    init_reader(g);
    init_operand(g.zero, 2, 0, REG_NONE, 0);
    g.empty_node.leaf = g.empty_node.place = g.zero;

    if (argc < 1) {
        vy::toolwrite("missing input file\n");
        return 1;
    }
    g.input_name = argv[0];
    g.in.file = std::fopen(argv[0], "rb");
    if (!g.in.file) {
        vy::toolwrite("can't open input file " + g.input_name + "\n");
        return 1;
    }
    std::error_code ec;
    if (std::filesystem::is_regular_file(argv[0], ec) && std::filesystem::file_size(argv[0], ec) > largest_input) {
        vy::toolwrite("file too large: " + g.input_name + "\n");
        return 1;
    }
    if (output) {
        // the interrupt knows the file before it exists, so that it never
        // leaves one behind
        g.out.path = output;
        if (!same_file(argv[0], output)) {
            vy::cc::set_interrupt_output(g.out.path.c_str());
            g.out.file = std::fopen(output, "w");
        }
        if (!g.out.file) {
            vy::cc::set_interrupt_output(nullptr);
            vy::toolwrite(std::string("can't create output file ") + output + "\n");
            return 1;
        }
        g.out.created = true;
    } else {
        g.out.file = stdout;
    }
    if (error_file) {
        bool clash = same_file(argv[0], error_file) || (output && same_file(output, error_file));
        g.err = clash ? nullptr : std::fopen(error_file, "w");
        if (!g.err) {
            vy::toolwrite(std::string("can't create error file ") + error_file + "\n");
            remove_output(g);
            return 1;
        }
        error_file_name = error_file;
    }

    write_file_head(g);
    if (!read_header(g)) end_run(g, 1);
    select_section(g, OC_TEXT);
    int c = read_ir_records(g, 0);
    while (c != -1 && c != 0) {
        if (c != 134) genpanic(g, "NO FUNC");
        c = compile_function(g);
    }
    write_file_end(g);
    finish_files(g, 0);
    return g.errors ? 1 : 0;
}

}  // namespace

int code_generator_main(int argc, char** argv) {
    std::set_new_handler(vy::nomemory);
    vy::version_text = "V4.3k";
    vy::date_text = "03 Jan 2002";
    error_file_name = nullptr;
    vy::cc::install_interrupt_handler();
    Gen g;
    int status;
    try {
        status = run(g, argc, argv);
    } catch (...) {
        // an ending from a test's exit hook: the files are closed already
        if (g.in.file) std::fclose(g.in.file);
        if (g.out.file && g.out.file != stdout) std::fclose(g.out.file);
        if (g.err) std::fclose(g.err);
        vy::cc::remove_interrupt_handler();
        throw;
    }
    vy::cc::remove_interrupt_handler();
    return status;
}

}  // namespace ccgen
