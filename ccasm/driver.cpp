// The assembler driver: per-run set-up, the per-source flow and the pass
// loop, and the diagnostic lines.
#include <algorithm>
#include <csignal>
#include <ctime>

#include "ccasm/asm.h"
#include "ccparse/toolkit/toolkit.h"
#include "support/one_line.h"

namespace ccasm {
namespace {

// Passes after which the loop gives up when symbol values still move while
// no instruction grows. Passes in which instructions grow, and the code with
// them beyond its largest size so far, do not count: once sizes may only
// grow such passes are bounded by the code's size, and a chain of branches
// that each push the one before out of reach takes one pass per link.
// MAX_PASSES bounds the time such a chain may take.
constexpr int MAX_STALLED_PASSES = 40;
constexpr int MAX_PASSES = 1000;

std::string listing_date() {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm* t = std::localtime(&now);
    if (!t) return "";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%2d %s %d %02d:%02d:%02d", t->tm_mday, months[t->tm_mon % 12], t->tm_year + 1900,
                  t->tm_hour, t->tm_min, t->tm_sec);
    return buf;
}

// The source name with the extension of its base name replaced.
std::string replace_extension(const std::string& name, const char* ext) {
    size_t base = name.find_last_of("/\\");
    base = base == std::string::npos ? 0 : base + 1;
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot < base) return name + ext;
    return name.substr(0, dot) + ext;
}

void flush_diagnostics(Asm& a, bool keep) {
    if (keep) {
        for (const std::string& d : a.pending_diags) std::fwrite(d.data(), 1, d.size(), a.err);
        a.errors += static_cast<int>(a.pending_diags.size());
    }
    a.pending_diags.clear();
}

// Removes every macro, so that the next source starts with the
// instructions and directives alone.
void reset_macros(Asm& a) {
    NameTable<OpEntry> kept;
    a.ops.each([&](const std::string& name, OpEntry* e) {
        while (e && e->kind == OP_MACRO) e = e->older;
        if (e) kept.set(name, e);
    });
    a.ops = std::move(kept);
    a.macros.clear();
}

void asmbreak(int) {
    if (const char* name = object_being_written()) vy::removefile(name);
    std::_Exit(2);
}

}  // namespace

std::string error_line(const Asm& a, const std::string& file, uint32_t line, const std::string& message) {
    std::string text = "#error " + a.progname + " ";
    vy::append_one_line(text, file);
    text += ":" + std::to_string(line) + "\t";
    vy::append_one_line(text, message);
    return text + "\n";
}

std::string noline_line(const Asm& a, const std::string& file, const std::string& message) {
    std::string text = "#error " + a.progname + " ";
    vy::append_one_line(text, file);
    text += ":0 ";
    vy::append_one_line(text, message);
    return text + "\n";
}

void diag_noline(Asm& a, const std::string& file, const std::string& message) {
    std::string text = noline_line(a, file, message);
    std::fwrite(text.data(), 1, text.size(), a.err);
}

void report_at(Asm& a, const std::string& file, uint32_t line, const std::string& message) {
    std::string text = error_line(a, file, line, message);
    std::fwrite(text.data(), 1, text.size(), a.err);
    ++a.errors;
}

// A diagnostic outside a statement, at the current position; kept with the
// statement diagnostics of the pass.
void diag(Asm& a, const std::string& message) {
    if (a.pass <= 1) return;
    if (a.list.on) listing_error(a, message);
    if (!a.final_listing_pass) a.pending_diags.push_back(error_line(a, current_file(a), current_line(a), message));
}

bool asmpass(Asm& a) {
    a.changed = false;
    a.last_moved = nullptr;
    a.unique = 0;
    a.scope = 0;
    a.pass_lines = 0;
    a.source_lines = 0;
    a.conds.clear();
    a.input.clear();
    a.collect = Collect();
    a.base = 10;
    a.insn_index = 0;
    a.insn_bytes = 0;
    a.insn_grew = false;
    a.last_label = nullptr;
    a.pending_diags.clear();
    pass_reset_sections(a);
    debug_pass_start(a);
    if (a.list.on)
        for (Symbol* s = a.sym_head; s; s = s->next) s->refs.clear();

    vy::FileRead read = vy::FileRead::failed;
    SourceFile* src = load_source(a, a.source, &read);
    if (!src) {
        if (a.pass > 1 && !a.final_listing_pass)
            a.pending_diags.push_back(noline_line(
                a, a.source, read == vy::FileRead::too_large ? "file too large" : "can't open " + a.source));
        return false;
    }
    push_file(a, src);
    if (a.pass == 1) {
        // about one instruction per 12 bytes of source
        a.insn_places.reserve(src->content.size() / 12);
    }
    listing_open(a);
    if (a.line_debug) push_preamble(a);
    if (!a.opt.header.empty() && !openinc(a, a.opt.header, false) && a.pass > 1 && !a.final_listing_pass)
        a.pending_diags.push_back(noline_line(a, a.opt.header, "can't open " + a.opt.header));

    std::string_view line;
    while (nextsrc(a, line)) asmstmt(a, line);

    if (collecting(a)) {
        diag(a, a.collect.kind == Collect::MACRO ? "unclosed macro" : "unclosed repeat");
        a.collect = Collect();
    }
    if (a.line_debug) {
        // no statement reports for these: their diagnostic goes out on its own
        a.has_error = false;
        leave_offset(a);
        enddebug(a);
        symdebug(a);
        if (a.has_error) diag(a, a.error_text);
    }
    debug_pass_end(a);
    if (a.pass > 1) pad_even_sections(a);
    if (!a.conds.empty()) {
        diag(a, "unclosed if");
        a.conds.clear();
    }
    a.prev_source_lines = a.source_lines;
    listing_end(a);
    listing_close(a);
    return a.changed;
}

int asmfile(Asm& a) {
    a.object_name = a.opt.object_name.empty() ? replace_extension(a.source, ".o") : a.opt.object_name;
    a.listing_name = a.opt.listing_name.empty() ? replace_extension(a.object_name, ".ls") : a.opt.listing_name;
    reset_sections(a);
    a.errors = 0;
    a.line_debug = a.opt.line_debug;
    a.full_debug = a.opt.full_debug;
    a.all_public = a.opt.all_public;
    a.debug.clear();
    a.debug_state = Asm::DBG_NORMAL;
    a.insn_places.clear();
    a.files.clear();
    a.file_cache.clear();
    a.unreadable.clear();
    a.list.titles.clear();
    a.list.subtitles.clear();
    a.prev_source_lines = 0;
    a.final_listing_pass = false;

    bool held = a.opt.listing && !a.opt.no_branch_opt;
    a.list.on = a.opt.listing && !held;

    a.pass = 1;
    asmpass(a);
    endpass1(a);
    bool changed;
    int stalled = 1;
    uint64_t most_bytes = 0;  // instruction bytes of the largest pass so far
    for (;;) {
        ++a.pass;
        changed = asmpass(a);
        // a section that first receives bytes after the first pass (behind a
        // condition on a later symbol) is numbered now; the next pass
        // relocates against the new numbers
        if (renumber(a)) changed = true;
        bool grew = a.pass >= GROWTH_ONLY_PASS && a.insn_grew && a.insn_bytes > most_bytes;
        most_bytes = std::max(most_bytes, a.insn_bytes);
        if (!grew) ++stalled;
        bool last = !changed || stalled >= MAX_STALLED_PASSES || a.pass >= MAX_PASSES;
        flush_diagnostics(a, last);
        if (last) break;
    }
    if (changed) {
        std::string what = a.last_moved ? "symbol " + a.last_moved->name + " does not settle" : "passes do not settle";
        report_at(a, a.last_moved ? a.last_moved->file : a.source, a.last_moved ? a.last_moved->line : 0, what);
    }
    if (held) {
        a.final_listing_pass = true;
        a.list.on = true;
        ++a.pass;
        asmpass(a);
        a.pending_diags.clear();
        a.final_listing_pass = false;
    }
    a.list.on = false;
    if (a.errors == 0) writeobj(a);
    return a.errors;
}

int assemble(Asm& a, const std::vector<std::string>& sources) {
    std::signal(SIGINT, asmbreak);
    hc11init(a);
    init_directives(a);
    a.date = listing_date();
    for (const std::string& d : a.opt.defines) {
        std::string message;
        if (!cmddefine(a, d, message)) {
            diag_noline(a, sources.empty() ? a.progname : sources.front(), "-d" + d + ": " + message);
            return 1;
        }
    }
    if (a.opt.line_debug) build_preamble(a);
    int status = 0;
    for (size_t i = 0; i < sources.size(); ++i) {
        if (a.opt.verbose) std::fprintf(stderr, "%s:\n", sources[i].c_str());
        a.source = sources[i];
        vy::set_input_name(a.source);
        if (asmfile(a)) status = 1;
        if (i + 1 < sources.size()) {
            resetsyms(a);
            reset_macros(a);
        }
    }
    return status;
}

}  // namespace ccasm
