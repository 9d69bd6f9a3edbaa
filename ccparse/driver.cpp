// The ccparse driver: options, the error and output files, the source and
// header files, preprocess-only or declarations into the intermediate file,
// and the exit status.
#include "ccparse/driver.h"

#include "ccparse/debuginfo.h"
#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/expr.h"
#include "ccparse/init.h"
#include "ccparse/interrupt.h"
#include "ccparse/irwrite.h"
#include "ccparse/lexer.h"
#include "ccparse/macro.h"
#include "ccparse/options.h"
#include "ccparse/output.h"
#include "ccparse/preproc.h"
#include "ccparse/source.h"
#include "ccparse/stmt.h"
#include "ccparse/toolkit/toolkit.h"
#include "ccparse/types.h"
#include "support/one_line.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <string>

namespace vy::cc {

#ifdef _WIN32
const char path_separator = '\\';
#else
const char path_separator = '/';
#endif

namespace {

struct DriverState {
    std::string created_output;  // the output file this run created
    bool output_open = false;
    bool sources_open = false;   // the source and the headers were opened
};

DriverState state;

const vy::OptionDescriptor* option_table() {
    static const vy::OptionDescriptor table[] = {
        {"ck   extra type checkings", &opt.ck},
        {"d*>  define symbol=value", &opt.defines},
        {"e    run preprocessor only", &opt.e},
        {"+e*   error file name", &opt.error_file},
        {"f    single precision floats", &opt.f},
        {"h*>  include header", &opt.headers},
        {"i*>  include path", &opt.includes},
        {"l    output line information", &opt.l},
        {"md   make dependencies", &opt.md},
        {"m#   model configuration", &opt.m},
        {"nc   no const replacement", &opt.nc},
        {"ne   no enum optimization", &opt.ne},
        {"np   allow pointer narrowing", &opt.np},
        {"nw   do not widen arguments", &opt.nw},
        {"o*   output file name", &opt.output},
        {"p    need prototypes", &opt.p},
        {"rb   reverse bitfield order", &opt.rb},
        {"sa   strict ansi conformance", &opt.sa},
        {"s    do not reorder locals", &opt.s},
        {"u    plain char is unsigned", &opt.u},
        {"xd   debug info for data", &opt.xd},
        {"xp   no path in debug info", &opt.xp},
        {"xx   extended debug info", &opt.xx},
        {"x    output debug info", &opt.x},
    };
    return table;
}
constexpr std::size_t option_count = 24;

void reset_all() {
    opt.reset();
    diag_reset();
    source_reset();
    pp_reset();
    macro_reset();
    lexer_reset();
    output_reset();
    ir_reset();
    decl_reset();
    expr_reset();
    init_reset();
    stmt_reset();
    debug_reset();
    state = DriverState{};
}

// Closes the output file; a failed write is an error (the file is then removed).
void close_output() {
    if (!state.output_open) return;
    state.output_open = false;
    if (!out_close()) {
        errline(opt.source ? opt.source : "",
                "can't write " + (state.created_output.empty() ? std::string("output") : state.created_output));
        count_error();
    }
}

void remove_output() {
    if (state.created_output.empty()) return;
    set_interrupt_output(nullptr);
    vy::removefile(state.created_output.c_str());
    state.created_output.clear();
}

// Closes the error file; deletes it when it received no error.
int finish() {
    int errors = error_count();
    if (opt.error_file) {
        bool ok = close_error_file();
        if (!ok) {
            errline(opt.source ? opt.source : "", std::string("can't write ") + opt.error_file);
            errors = errors ? errors : 1;
        }
        if (errors)
            vy::toolwrite("errors reported in " + vy::one_line(opt.error_file) + "\n");
        else
            vy::removefile(opt.error_file);
    }
    remove_interrupt_handler();
    return errors ? 1 : 0;
}

// True when `name` is the source file itself, which must never be overwritten.
bool is_source(const char* name) {
    std::error_code error;
    return opt.source && std::filesystem::equivalent(name, opt.source, error);
}

bool open_files() {
    if (opt.error_file && (is_source(opt.error_file) || !open_error_file(opt.error_file))) {
        errline(opt.source, std::string("can't create ") + opt.error_file);
        opt.error_file = nullptr;
        return false;
    }
    if (!opt.output || opt.md) {
        if (!opt.e) {
            errline(opt.source, "missing output file name");
            return false;
        }
        out_use_stdout();
        state.output_open = true;
        if (opt.md) depend_begin(opt.output);
        return true;
    }
    // Creating the output over the source would destroy the source.
    if (is_source(opt.output) || !out_open_file(opt.output, !opt.e)) {
        errline(opt.source, std::string("can't create ") + opt.output);
        return false;
    }
    state.output_open = true;
    state.created_output = opt.output;
    set_interrupt_output(state.created_output.c_str());
    return true;
}

void compile() {
    write_ir_header();
    for (;;) {
        const Token& t = nexttoken();
        // Files that ended while the token was read end their description here.
        debug_flush();
        if (t.kind == K_EOF) break;
        if (t.kind == K_ASM) {
            ir_line(t.line);
            ir_asm(*t.text);
            continue;
        }
        ungettoken();
        extdecl();
    }
    pp_finish();
    ir_flush_pending();
    endscope(true);
    if (opt.sa && !any_object_declared()) puterr("missing object declaration");
    if (error_count() == 0) ir_end_unit();
}

}  // namespace

void check_interrupt() {
    if (!interrupt_requested()) return;
    out_close();
    remove_output();
    remove_interrupt_handler();
    vy::toolexit(2);
}

void fatal_exit() {
    state.output_open = false;
    out_close();
    remove_output();
    finish();
    vy::toolexit(1);
}

void file_ended(SourceFile* file) { debug_file_ended(file); }

bool front_end_begin(int argc, char** argv, int* status) {
    reset_all();
    std::set_new_handler([] { vy::nomemory(); });
    vy::version_text = "V4.3k";
    vy::date_text = "03 Jan 2002";
    install_interrupt_handler();

    vy::parse_command_line(argc, argv, "68HC11 C Cross Compiler", "file",
                           std::span<const vy::OptionDescriptor>(option_table(), option_count));
    if (argc == 0) {
        remove_interrupt_handler();
        *status = 0;
        return false;
    }
    opt.source = argv[0];
    vy::set_input_name(opt.source);

    // The include directories of "QV" and the program name from its third
    // character on, upper-cased: QVPARSE for ccparse.
    std::string variable = "QV";
    std::string_view name = vy::progname();
    for (std::size_t i = 2; i < name.size(); ++i) {
        char c = name[i];
        variable += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    vy::envpaths(opt.includes, variable.c_str());

    if (opt.md) opt.e = 1;
    if (!open_files()) {
        if (opt.error_file) {
            close_error_file();
            vy::removefile(opt.error_file);
        }
        remove_interrupt_handler();
        *status = 1;
        return false;
    }

    if (opt.sa) opt.ne = 1;
    if (opt.ck) opt.p = 1;
    if (opt.xx || opt.xd) opt.x = 1;
    if (opt.x) opt.l = 1;
    types_reset();
    if (opt.m) setmodel(opt.m);

    for (const char* def : opt.defines.newest_first()) optdefine(def);

    if (!openfile(opt.source, false)) return true;
    // Each header pushes the file opened before it: they are read in
    // command-line order, then the source.
    for (const char* header : opt.headers.newest_first())
        if (!openfile(header, true)) return true;
    state.sources_open = true;
    return true;
}

int front_end_end() {
    if (opt.md) out_text("\n");
    close_output();
    if (error_count()) remove_output();
    return finish();
}

int front_end_main(int argc, char** argv) {
    int status = 0;
    if (!front_end_begin(argc, argv, &status)) return status;
    if (state.sources_open) {
        if (opt.e)
            pponly();
        else
            compile();
    }
    return front_end_end();
}

}  // namespace vy::cc
