// The records of a function: its symbol, body head, parameter records and
// the statement records, with the tests of statements written as
// conditional jumps and switches as their tables.
#include "ccparse/debuginfo.h"
#include "ccparse/decl.h"
#include "ccparse/expr.h"
#include "ccparse/fold.h"
#include "ccparse/irwrite.h"
#include "ccparse/lexer.h"
#include "ccparse/options.h"
#include "ccparse/stmt.h"
#include "ccparse/treewrite.h"
#include "ccparse/types.h"

namespace vy::cc {

namespace {

const FunctionDef* function = nullptr;  // the function being written

void write(const Stmt* s, std::uint16_t C, std::uint16_t B);

std::uint16_t line_of(const SourcePos& p) { return static_cast<std::uint16_t>(p.line); }

// With -l: the source range of a statement part.
void position(const SourcePos& from, const SourcePos& to) {
    if (!opt.l) return;
    ir_position(line_of(from), from.column, line_of(to), to.column);
}

void position_after(const SourcePos& from, const SourcePos& to) {
    position({from.line, static_cast<std::uint16_t>(from.column + 1)}, to);
}

void file_of(const Stmt* s) {
    if (s->file) ir_file_record(*s->file);
}

// A test that jumps to `label` when its truth is `sense`.
void jump_if(const Expr* t, bool sense, std::uint16_t label) {
    if (is_relation(t->op)) {
        ir_cond_jump(sense ? t->op : negate_relation(t->op), label);
        write_ir_tree(t->left);
        write_ir_tree(t->right);
        return;
    }
    if (isconst(t)) {
        if (!is_zero(t) == sense) ir_jump(label);
        return;
    }
    if (t->op == OP_COMMA) {
        ir_expression();
        write_ir_discarded(t->left);
        jump_if(t->right, sense, label);
        return;
    }
    if (t->op == K_ANDAND || t->op == K_OROR) {
        // && on false and || on true: both operands jump to the label.
        bool both = (t->op == K_ANDAND) != sense;
        if (both) {
            jump_if(t->left, sense, label);
            jump_if(t->right, sense, label);
        } else {
            std::uint16_t f = nextlabel();
            jump_if(t->left, !sense, f);
            jump_if(t->right, sense, label);
            ir_label(f, 0);
        }
        return;
    }
    // Any other value tests against zero.
    ir_cond_jump(sense ? K_NE : K_EQ, label);
    write_ir_tree(t);
    Expr zero;
    zero.type = t->type;
    write_ir_tree(&zero);
}

// The value slot (1 the return value, 2 the switch value) assigned `value`.
void assign_slot(std::uint8_t storage, TypeNode* type, Expr* value) {
    Expr slot;
    slot.type = type;
    slot.storage = storage;
    Expr assign;
    assign.op = K_ASSIGN;
    assign.type = type;
    assign.left = &slot;
    assign.right = value;
    set_depth(&assign);
    ir_expression();
    write_ir_tree(&assign);
}

// The type of the switch slot: a bit-field's value as the unsigned type of its unit.
TypeNode* switch_type(const Expr* value) {
    switch (effective_code(value->type)) {
    case T_CHAR_FIELD: return type_uchar();
    case T_SHORT_FIELD: return type_ushort();
    case T_INT_FIELD: return type_uint();
    case T_LONG_FIELD: return type_ulong();
    default: return value->type;
    }
}

void write_switch(const Stmt* s, std::uint16_t C) {
    position(s->start, s->end);
    TypeNode* type = switch_type(s->expr);
    assign_slot(2, type, s->expr);
    std::uint16_t size = static_cast<std::uint16_t>(type_size_quiet(type));
    std::uint16_t table = nextlabel();
    ir_switch_head(size, table);
    std::uint16_t exit = nextlabel();
    if (s->body) write(s->body, C, exit);
    std::vector<SwitchCase> cases;
    std::uint16_t dflt = 0;
    for (const CaseEntry& c : s->cases) {
        if (c.kind == CASE_DEFAULT)
            dflt = c.stmt->label;
        else
            cases.push_back({c.value, c.stmt->label});
    }
    write_ir_switch(table, exit, cases.data(), cases.size(), dflt, size);
    if (!dflt || (s->flags & ST_BREAK_USED)) ir_case_label(exit, 0);
}

// The records every statement begins with: the file record when needed,
// then its label, or (but for a block) its line.
void prologue(const Stmt* s) {
    file_of(s);
    if (s->label) {
        if ((s->flags & ST_CASE_LABEL) || s->kept_label)
            ir_case_label(s->label, line_of(s->start));
        else
            ir_label(s->label, line_of(s->start));
    } else if (s->kind != S_BLOCK) {
        ir_line_record(s->start.line);
    }
}

// if, and the else-if chain behind it (through the wrappers that constant
// tests left in it), without recursion along the chain.
void write_if(const Stmt* s, std::uint16_t C, std::uint16_t B) {
    std::vector<std::uint16_t> ends;  // labels defined after the chain, in reverse order
    for (const Stmt* n = s;;) {
        position(n->start, n->end);
        std::uint16_t e = nextlabel();
        jump_if(n->expr, false, e);
        bool break_used = n->flags & ST_BREAK_USED;
        std::uint16_t b = break_used ? nextlabel() : B;
        if (n->body) write(n->body, C, b);
        const Stmt* other = n->other;
        if (!other || (other->flags & ST_REMOVED)) {
            if (break_used) ends.push_back(b);
            ends.push_back(e);
            break;
        }
        std::uint16_t x = nextlabel();
        ir_jump(x);
        ir_label(e, line_of(other->start));
        if (break_used) ends.push_back(b);
        ends.push_back(x);
        while (other->kind == S_WRAPPER && !other->expr && !(other->flags & ST_BREAK_USED) && other->body &&
               !(other->body->flags & ST_REMOVED)) {
            prologue(other);
            other = other->body;
        }
        if (other->kind == S_IF) {
            prologue(other);
            n = other;
            continue;
        }
        write(other, C, B);
        break;
    }
    for (auto it = ends.rbegin(); it != ends.rend(); ++it) ir_label(*it, 0);
}

void write_loop(const Stmt* s, std::uint16_t C) {
    (void)C;
    bool constant = s->expr && isconst(s->expr);
    bool truth = constant && !is_zero(s->expr);
    std::uint16_t body_line = s->body ? line_of(s->body->start) : line_of(s->start);
    bool break_used = s->flags & ST_BREAK_USED;
    switch (s->kind) {
    case S_WHILE: {
        if (truth) {
            std::uint16_t t = nextlabel(), x = nextlabel();
            ir_label(t, body_line);
            write(s->body, t, x);
            ir_jump(t);
            if (break_used) ir_label(x, 0);
            return;
        }
        std::uint16_t t = nextlabel(), k = nextlabel(), x = nextlabel();
        ir_jump(k);
        ir_label(t, body_line);
        write(s->body, k, x);
        ir_label(k, line_of(s->start), true);
        file_of(s);
        position(s->start, s->end);
        jump_if(s->expr, true, t);
        if (break_used) ir_label(x, 0);
        return;
    }
    case S_DO: {
        if (truth) {
            std::uint16_t t = nextlabel(), x = nextlabel();
            ir_label(t, body_line);
            write(s->body, t, x);
            ir_jump(t);
            if (break_used) ir_label(x, 0);
            return;
        }
        if (constant) {
            std::uint16_t t = nextlabel(), x = nextlabel();
            ir_label(t, body_line);
            write(s->body, x, x);
            if (break_used || (s->flags & ST_CONTINUE_USED)) ir_label(x, 0);
            return;
        }
        std::uint16_t t = nextlabel(), k = nextlabel(), x = nextlabel();
        ir_label(t, body_line);
        write(s->body, k, x);
        ir_label(k, line_of(s->start));
        file_of(s);
        position(s->mark[0], s->end);
        jump_if(s->expr, true, t);
        if (break_used) ir_label(x, 0);
        return;
    }
    default: break;
    }
    // for
    if (s->init) {
        const SourcePos& m = s->mark[0];
        if (m.line > s->start.line || (m.line == s->start.line && m.column > s->start.column))
            position(s->start, m);
        ir_expression();
        write_ir_tree(s->init);
    }
    if (!s->expr || (constant && (truth || !(s->body->flags & ST_ANY_LABEL)))) {
        if (s->expr && !truth) return;
        std::uint16_t t = nextlabel(), x = nextlabel();
        ir_label(t, body_line);
        std::uint16_t k = s->step ? nextlabel() : t;
        write(s->body, k, x);
        if (s->step) {
            if (s->flags & ST_CONTINUE_USED)
                ir_label(k, line_of(s->start));
            else
                ir_line_record(s->start.line);
            position_after(s->mark[1], s->end);
            ir_expression();
            write_ir_tree(s->step);
        }
        ir_jump(t);
        if (break_used) ir_label(x, 0);
        return;
    }
    std::uint16_t t = nextlabel(), x = nextlabel();
    std::uint16_t k = s->known_true ? 0 : nextlabel();
    if (k) ir_jump(k);
    ir_label(t, body_line);
    std::uint16_t y = nextlabel();
    write(s->body, x, y);
    file_of(s);
    if (s->flags & ST_CONTINUE_USED)
        ir_label(x, line_of(s->start));
    else
        ir_line_record(s->start.line);
    if (s->step) {
        position_after(s->mark[1], s->end);
        ir_expression();
        write_ir_tree(s->step);
    }
    if (k) ir_label(k, line_of(s->start), true);
    position_after(s->mark[0], s->mark[1]);
    jump_if(s->expr, true, t);
    if (break_used) ir_label(y, 0);
}

void write(const Stmt* s, std::uint16_t C, std::uint16_t B) {
    if (s->flags & ST_REMOVED) return;
    prologue(s);
    switch (s->kind) {
    case S_EXPR:
        if (s->expr) {
            position(s->start, s->end);
            ir_expression();
            write_ir_tree(s->expr);
        }
        break;
    case S_WRAPPER:
        if (s->expr) {
            position(s->start, s->end);
            ir_expression();
            write_ir_tree(s->expr);
        }
        if (s->body) {
            if (s->flags & ST_BREAK_USED) {
                std::uint16_t b = nextlabel();
                write(s->body, C, b);
                ir_label(b, 0);
            } else {
                write(s->body, C, B);
            }
        }
        break;
    case S_BLOCK:
        for (const Stmt* inner = s->body; inner; inner = inner->next) write(inner, C, B);
        break;
    case S_ASM:
        for (const AsmPart& part : s->parts) {
            position(part.start, part.end);
            ir_asm(part.text);
        }
        break;
    case S_BREAK:
        position(s->start, s->end);
        ir_jump(B);
        break;
    case S_CONTINUE:
        position(s->start, s->end);
        ir_jump(C);
        break;
    case S_GOTO:
        position(s->start, s->end);
        ir_jump(s->target && s->target->stmt ? s->target->stmt->label : 0);
        break;
    case S_IF: write_if(s, C, B); break;
    case S_WHILE:
    case S_DO:
    case S_FOR: write_loop(s, C); break;
    case S_RETURN:
        position(s->start, s->end);
        if (s->expr) assign_slot(1, function->result, s->expr);
        ir_return();
        break;
    case S_SWITCH: write_switch(s, C); break;
    default: break;
    }
}

// The first parameter as it arrives: its promoted type (its declared type under -nw).
void first_parameter(const FunctionDef& f) {
    if (f.params.empty()) return;
    const Symbol* p = f.params.front();
    if (!p->type || effective_code(p->type) == T_VOID) return;
    TypeNode* type = opt.nw ? p->type : promote(p->type, true);
    std::uint16_t attr = type == p->type ? p->attr : 0;
    ir_param_type(type, attr, attr != 0);
}

}  // namespace

void write_ir_function(FunctionDef& f) {
    function = &f;
    if (opt.x && !opt.xd) describe_function(f);
    if (f.file) ir_file_record(*f.file);
    std::uint8_t rc = effective_code(f.result);
    ir_function(f.symbol, rc == T_STRUCT || rc == T_UNION ? type_size_quiet(f.result) : 0);
    ir_body(static_cast<std::uint16_t>(f.first_line), static_cast<std::uint16_t>(f.brace_line));
    first_parameter(f);
    ir_param_size(f.param_size);
    if (f.lowest) ir_frame(f.lowest);
    if (f.body) write(f.body, 0, 0);
    ir_end_function();
    function = nullptr;
}

}  // namespace vy::cc
