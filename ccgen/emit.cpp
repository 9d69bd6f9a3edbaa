// Writing a function's placed blocks: label lines, stored template text,
// branches with their mnemonics, table jumps, and the exit sequence at
// every exit, with the source listing and the debug lines they carry.
#include "ccgen/ccgen.h"

namespace ccgen {

std::string branch_text(const Gen& g, int code);

namespace {

void label_line(Gen& g, const LabelNode* l) {
    if (g.opt.verbose)
        emit_asm(g, "%n:  / line %i, offset %i;", l->number, l->line, l->address);
    else
        emit_asm(g, "%n:;", l->number);
}

void stored_lines(Gen& g, const CodeNode* c) {
    if (c->text >= 0) replay_text(g, c->text);
}

void exit_item(Gen& g, const CodeNode* c, const std::string& exit_text) {
    if (c->target) label_line(g, c->target);
    stored_lines(g, c);
    if (g.full_debug && !g.line_debug) emit_asm(g, "%Q%p%~%p:%u;", g.raw_name, g.plain_name, g.exit_number++);
    if (!g.opt.no_opt) {
        if (g.result_type == 0)
            emit_asm(g, " nod;");
        else if (g.result_type <= 2)
            emit_asm(g, " noa;");
        else if (g.result_type <= 5)
            emit_asm(g, " noy;");
    }
    emit_asm(g, exit_text.c_str());
}

}  // namespace

void emit_function_code(Gen& g, const std::string& exit_text) {
    for (LabelNode* l = g.labels; l; l = l->next) {
        if (!(l->flags & LF_BLOCK)) continue;
        if (l->refs > 0) label_line(g, l);
        for (const CodeNode* c = l->head; c; c = c->next) {
            if (c->last_line && c->file) {
                if (g.listing_current != *c->file) {
                    g.listing_current = *c->file;
                    g.listed_last = 0;
                }
                list_source(g, c->first_line, c->last_line);
            }
            switch (c->code) {
            case CODE_EXIT: exit_item(g, c, exit_text); break;
            case CODE_TABLE:
            case CODE_LTABLE: {
                stored_lines(g, c);
                const char* routine = c->code == CODE_LTABLE ? "jltab" : "jtab";
                note_runtime_ref(g, routine);
                emit_asm(g, " jsr c~%p;%p%n;", routine, " dc.w ", c->table_label);
                break;
            }
            case CODE_TEXT:
            case CODE_DELETED: stored_lines(g, c); break;
            case CODE_FALLIN:
                stored_lines(g, c);
                if (c->target && c->target->refs > 0) label_line(g, c->target);
                break;
            default:
                stored_lines(g, c);
                if (c->target) emit_asm(g, " %p %n;", branch_text(g, c->code), c->target->number);
                break;
            }
        }
    }
}

}  // namespace ccgen
