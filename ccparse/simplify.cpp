// The simplifying pass over a function body, after it is parsed: dead
// branches of constant tests are dropped, a loop initialised just before its
// while becomes a for, small and constant switches become tests, locals get
// their frame offsets, and every expression is narrowed to the width its
// consumer needs.
#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/expr.h"
#include "ccparse/fold.h"
#include "ccparse/irwrite.h"
#include "ccparse/lexer.h"
#include "ccparse/narrow.h"
#include "ccparse/options.h"
#include "ccparse/stmt.h"
#include "ccparse/types.h"

#include <algorithm>

namespace vy::cc {

namespace {

std::int32_t frame = 0;  // the frame offset reached by the open blocks

void simplify(Stmt* s);

bool is_assignment(int op) { return op == K_ASSIGN || (op >= K_ADD_ASSIGN && op <= K_OR_ASSIGN); }

void reduce(Expr*& e, std::uint8_t demand = 0) {
    if (e) narrow(e, demand);
}

// Locals sorted by weighted use count, given their places; then the
// statements of the block.
void simplify_block(Stmt* block) {
    std::vector<Symbol*>& locals = block->locals;
    if (!opt.s)
        std::stable_sort(locals.begin(), locals.end(),
                         [](const Symbol* a, const Symbol* b) { return a->uses < b->uses; });
    std::int32_t saved = frame;
    for (Symbol* sym : locals) {
        if (sym->undefined) {
            report_undefined(sym);
            continue;
        }
        std::uint8_t kind = sym->kind;
        bool object = kind == KIND_AUTO || kind == KIND_REGISTER || kind == KIND_STATIC || kind == KIND_EXTERN;
        if (!object) continue;
        if (!(sym->flags & SYM_USED)) {
            sym->kind = KIND_EXTERN;  // never referenced: no space, no description
            continue;
        }
        if (kind == KIND_REGISTER) sym->kind = kind = KIND_AUTO;
        if (kind == KIND_AUTO) {
            frame -= static_cast<std::int32_t>(ctypesize(sym->type));
            sym->value = frame;
            if (FunctionDef* f = current_function(); f && frame < f->lowest) f->lowest = frame;
        } else if (kind == KIND_EXTERN) {
            ir_external(sym);
        } else if (kind == KIND_STATIC && !sym->defined) {
            sym->defined = true;
            ir_declare(sym);
            ir_zero(ctypesize(sym->type));
            ir_end_data();
        }
    }
    for (Stmt* s = block->body; s; s = s->next) {
        // An assignment directly followed by a while begins a for.
        Stmt* w = s->next;
        if (s->kind == S_EXPR && s->expr && is_assignment(s->expr->op) && !s->label && !(s->flags & ST_REMOVED) &&
            w && w->kind == S_WHILE && !w->label && !(w->flags & ST_REMOVED)) {
            w->kind = S_FOR;
            w->init = s->expr;
            w->mark[0] = {w->start.line, static_cast<std::uint16_t>(w->start.column ? w->start.column - 1 : 0)};
            w->mark[1] = w->end;
            w->start = s->start;
            w->file = s->file;
            s->flags |= ST_REMOVED;
            continue;
        }
        simplify(s);
    }
    frame = saved;
}

// if with a constant test: the part that runs, when the other carries no label.
void fold_constant_if(Stmt* s) {
    if (!isconst(s->expr)) return;
    bool truth = !is_zero(s->expr);
    Stmt* keep = truth ? s->body : s->other;
    Stmt* dropped = truth ? s->other : s->body;
    if (dropped && (dropped->flags & ST_ANY_LABEL)) return;
    s->kind = S_WRAPPER;
    s->expr = nullptr;
    s->body = keep;
    s->other = nullptr;
}

// A chain of else-if is worked as a loop: its tests and parts first, then
// the constant tests from the last one back.
void simplify_if(Stmt* s) {
    std::vector<Stmt*> chain;
    Stmt* last = nullptr;
    for (Stmt* n = s; n; n = n->other) {
        if (n->kind != S_IF) {
            last = n;
            break;
        }
        chain.push_back(n);
    }
    for (Stmt* n : chain) {
        reduce(n->expr);
        if (n->body) simplify(n->body);
    }
    if (last) simplify(last);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) fold_constant_if(*it);
}

bool relation_holds(int op, std::int64_t x, std::int64_t y) {
    switch (op) {
    case K_LT: return x < y;
    case K_GE: return x >= y;
    case K_GT: return x > y;
    case K_LE: return x <= y;
    case K_EQ: return x == y;
    default: return x != y;
    }
}

// The value under integer conversions (a narrowed comparison may convert
// its variable).
const Expr* under_casts(const Expr* e) {
    while (e->op == OP_CAST && is_integer_code(effective_code(e->type)) && is_integer_code(effective_code(e->left->type)))
        e = e->left;
    return e;
}

// for (v = k1; v op k2; ...) whose test holds for k1 needs no jump to the
// test on entry.
bool test_holds_on_entry(const Stmt* s) {
    const Expr* init = s->init;
    const Expr* test = s->expr;
    if (!init || !test || init->op != K_ASSIGN || !is_relation(test->op)) return false;
    if (!isconstint(init->right) || !isconstint(test->right)) return false;
    if (!sametree(under_casts(test->left), under_casts(init->left))) return false;
    std::int64_t x = const_value(init->right), y = const_value(test->right);
    bool same_sign = is_unsigned_code(effective_code(init->right->type)) == is_unsigned_code(effective_code(test->right->type)) &&
                     is_unsigned_code(effective_code(test->left->type)) == is_unsigned_code(effective_code(test->right->type));
    if (!same_sign && (x < 0 || y < 0)) return false;
    return relation_holds(test->op, x, y);
}

bool plain_break(const Stmt* s) { return s && s->kind == S_BREAK && !(s->flags & ST_REMOVED); }

// A goto to a statement that carries a label, made by this pass.
Stmt* goto_statement(Stmt* target, const Stmt* like) {
    Stmt* g = new_stmt(S_GOTO);
    g->file = like->file;
    g->start = like->start;
    g->end = like->end;
    g->target = new_goto_target(target);
    g->flags |= ST_NO_FALL;
    return g;
}

// The constant used to compare a switch value with a case value.
Expr* case_constant(const Expr* value, std::int32_t v) {
    std::uint8_t code = effective_code(value->type);
    bool is_unsigned = is_unsigned_code(code);
    bool is_long = code == T_LONG || code == T_ULONG || code == T_LONG_FIELD;
    TypeNode* type = is_long ? (is_unsigned ? type_ulong() : type_long()) : (is_unsigned ? type_uint() : type_int());
    return makeconst(is_unsigned ? static_cast<std::int64_t>(static_cast<std::uint32_t>(v)) : v, type);
}

// A switch on a constant: the statements from the matching case (or the
// default) on, without those that follow a break at the top of the body.
bool constant_switch(Stmt* s) {
    Stmt* body = s->body;
    if (!body || body->kind != S_BLOCK) return false;
    // Values compare as the promoted value's type.
    TypeNode* type = promote(s->expr->type, false);
    std::int64_t v = reduce_to(const_value(s->expr), type);
    Stmt* match = nullptr;
    for (const CaseEntry& c : s->cases)
        if ((c.kind == CASE_VALUE && reduce_to(c.value, type) == v) || (!match && c.kind == CASE_DEFAULT)) {
            match = c.stmt;
            if (c.kind == CASE_VALUE) break;
        }
    // The matching statement stands at the top of the body, and nothing a
    // goto may reach is dropped before it.
    bool found = match == nullptr;
    for (Stmt* t = body->body; t && t != match; t = t->next)
        if (t->flags & ST_C_LABEL) return false;
    for (Stmt* t = body->body; t && !found; t = t->next) found = t == match;
    if (!found) return false;
    bool removing = true;
    for (Stmt* t = body->body; t; t = t->next) {
        if (t == match) removing = false;
        if (removing && !(t->flags & ST_C_LABEL)) {
            t->flags |= ST_REMOVED;
            continue;
        }
        removing = false;
        if (plain_break(t)) removing = true;
    }
    s->kind = S_WRAPPER;
    s->expr = nullptr;
    s->cases.clear();
    return true;
}

void simplify_switch(Stmt* s) {
    reduce(s->expr);
    if (s->body) simplify(s->body);
    std::vector<CaseEntry>& cases = s->cases;
    bool has_default = !cases.empty() && cases.back().kind == CASE_DEFAULT;
    if (cases.empty()) {
        if (s->body && (s->body->flags & ST_C_LABEL)) return;  // a goto may enter it: kept with an empty table
        s->kind = S_EXPR;
        s->body = nullptr;
        if (!side_effects(s->expr)) s->expr = nullptr;
        return;
    }
    if (isconstint(s->expr) && constant_switch(s)) return;
    if (!has_default || plain_break(cases.back().stmt))
        cases.erase(std::remove_if(cases.begin(), cases.end(),
                                   [](const CaseEntry& c) { return c.kind == CASE_VALUE && plain_break(c.stmt); }),
                    cases.end());
    std::size_t count = cases.size() - (has_default ? 1 : 0);
    if (count != 1) return;
    // One case: if (value == case) goto case; else goto default (or out).
    const CaseEntry one = cases.front();
    Expr* test = make_test(binary(K_EQ, s->expr, case_constant(s->expr, one.value)));
    if (!test) test = makeconst(0);
    reduce(test);
    Stmt* then_part = new_stmt(S_BLOCK);
    then_part->file = s->file;
    then_part->start = s->start;
    then_part->end = s->end;
    then_part->body = goto_statement(one.stmt, s);
    then_part->body->next = s->body;
    then_part->flags = static_cast<std::uint8_t>(s->body ? s->body->flags & (ST_C_LABEL | ST_ANY_LABEL) : 0);
    s->kind = S_IF;
    s->expr = test;
    s->other = has_default ? goto_statement(cases.back().stmt, s) : nullptr;
    s->body = then_part;
    s->cases.clear();
}

void simplify(Stmt* s) {
    switch (s->kind) {
    case S_EXPR: reduce(s->expr); break;
    case S_WRAPPER:
        reduce(s->expr);
        if (s->body) simplify(s->body);
        break;
    case S_BLOCK: simplify_block(s); break;
    case S_IF: simplify_if(s); break;
    case S_WHILE:
        reduce(s->expr);
        simplify(s->body);
        if (isconst(s->expr) && is_zero(s->expr) && !(s->body->flags & ST_ANY_LABEL)) {
            s->kind = S_WRAPPER;
            s->expr = nullptr;
            s->body = nullptr;
        }
        break;
    case S_DO:
        reduce(s->expr);
        simplify(s->body);
        break;
    case S_FOR:
        reduce(s->init);
        reduce(s->expr);
        reduce(s->step);
        simplify(s->body);
        if (s->expr && isconst(s->expr) && is_zero(s->expr) && !(s->body->flags & ST_ANY_LABEL)) {
            s->kind = s->init ? S_EXPR : S_WRAPPER;
            s->expr = s->init;
            s->init = s->step = nullptr;
            s->body = nullptr;
            break;
        }
        s->known_true = test_holds_on_entry(s);
        break;
    case S_RETURN: {
        const FunctionDef* f = current_function();
        std::uint8_t code = f ? effective_code(f->result) : 0;
        reduce(s->expr, code < 0x20 && !is_bitfield_code(code) ? code : 0);
        break;
    }
    case S_SWITCH: simplify_switch(s); break;
    default: break;
    }
}

}  // namespace

void frame_reset() { frame = 0; }

void simplify_statement(Stmt* s) {
    if (s) simplify(s);
}

}  // namespace vy::cc
