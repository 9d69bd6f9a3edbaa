// The command line of ccasm: the option table, the rules between options,
// the error file, and the run over the sources.
#include <new>

#include "ccasm/asm.h"
#include "ccparse/toolkit/toolkit.h"
#include "support/one_line.h"

namespace ccasm {

const char* const TITLE = "68HC11 Macro-Assembler";

int asmmain(int argc, char** argv) {
    std::set_new_handler(vy::nomemory);
    vy::version_text = "V4.3k";
    vy::date_text = "03 Jan 2002";

    int abs = 0, no_branch = 0, cross = 0, formfeed = 0, force_title = 0, fill = 0, listing = 0;
    int label_syntax = 0, old_syntax = 0, pub_equ = 0, keep_locals = 0, all_public = 0, undefined = 0;
    int verbose = 0, no_path = 0, full_debug = 0, line_debug = 0;
    const char *error_file = nullptr, *header = nullptr, *listing_name = nullptr, *object = nullptr,
               *verilog = nullptr;
    vy::OptionList defines(60), includes(60);
    const vy::OptionDescriptor options[] = {
        {"a   absolute assembler", &abs},
        {"b   do not optimize branches", &no_branch},
        {"c   output cross reference", &cross},
        {"d*> define symbol=value", &defines},
        {"+e*  error file name", &error_file},
        {"ff  use formfeed in listing", &formfeed},
        {"ft  force title in listing", &force_title},
        {"f#  fill byte value", &fill},
        {"h*  include header", &header},
        {"i*> include path", &includes},
        {"l   output a listing", &listing},
        {"+l*  listing file name", &listing_name},
        {"mi  accept label syntax", &label_syntax},
        {"m   accept old syntax", &old_syntax},
        {"o*  output file name", &object},
        {"pe  all equates public", &pub_equ},
        {"pl  keep local symbols", &keep_locals},
        {"p   all symbols public", &all_public},
        {"u   undefined in listing", &undefined},
        {"v   verbose", &verbose},
        {"<+v*  verilog file name", &verilog},
        {"xp  no path in debug info", &no_path},
        {"xx  include full debug info", &full_debug},
        {"x   include line debug info", &line_debug},
    };
    vy::parse_command_line(argc, argv, TITLE, "files", options);

    Asm a;
    a.progname = vy::progname();
    std::vector<std::string> sources(argv, argv + argc);
    if (sources.empty()) return 0;
    const std::string first = sources.front();
    if (object && sources.size() > 1) {
        diag_noline(a, first, "only one source file with -o option");
        return 1;
    }
    if (listing_name && sources.size() > 1) {
        diag_noline(a, first, "only one source file with +l option");
        return 1;
    }
    if (full_debug) line_debug = 1;
    if (line_debug) all_public = 0;
    if (label_syntax) old_syntax = 1;

    FILE* err = nullptr;
    if (error_file) {
        err = std::fopen(error_file, "w");
        if (!err) {
            diag_noline(a, first, std::string("can't create ") + error_file);
            return 1;
        }
        a.err = err;
    }
    vy::envpaths(includes, "QVLIB");
    if (cross || listing_name || undefined) listing = 1;
    if (verilog) listing = abs = 1;

    Options& o = a.opt;
    o.abs = abs;
    o.no_branch_opt = no_branch;
    o.cross_ref = cross;
    for (const char* d : defines.oldest_first()) o.defines.emplace_back(d ? d : "");
    o.formfeed = formfeed;
    o.force_title = force_title;
    o.fill = fill;
    if (header) o.header = header;
    for (const char* i : includes.oldest_first()) o.include_dirs.emplace_back(i ? i : "");
    o.listing = listing;
    if (listing_name) o.listing_name = listing_name;
    o.label_syntax = label_syntax;
    o.old_syntax = old_syntax;
    if (object) o.object_name = object;
    o.public_equates = pub_equ;
    o.keep_locals = keep_locals;
    o.all_public = all_public;
    o.undefined_at_use = undefined;
    o.verbose = verbose;
    if (verilog) o.verilog_name = verilog;
    o.no_path = no_path;
    o.full_debug = full_debug;
    o.line_debug = line_debug;

    int status = assemble(a, sources);
    if (err) {
        bool failed = std::fclose(err) != 0;
        a.err = stderr;
        if (status || failed) {
            std::fprintf(stderr, "errors reported in %s\n", vy::one_line(error_file).c_str());
            status = 1;
        } else {
            vy::removefile(error_file);
        }
    }
    return status;
}

}  // namespace ccasm
