// Function definitions: the parameters and where they are passed, the body,
// the fix-ups at its end, the simplifying pass and the records.
#include "ccparse/function.h"

#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/expr.h"
#include "ccparse/fold.h"
#include "ccparse/irwrite.h"
#include "ccparse/lexer.h"
#include "ccparse/options.h"
#include "ccparse/source.h"
#include "ccparse/stmt.h"
#include "ccparse/types.h"

namespace vy::cc {

namespace {

bool body_open = false;

bool is_end_mark(const Symbol* p) { return p->type && p->type->code == T_VOID && !p->name; }

// The type a parameter is passed in.
TypeNode* passed_type(TypeNode* declared) { return opt.nw ? declared : promote(declared, true); }

// Each parameter's offset is the running total of the sizes passed before it.
void place_parameters(FunctionDef& def) {
    std::uint32_t total = 0;
    bool first = true;
    for (Symbol* p : def.params) {
        TypeNode* passed = passed_type(p->type);
        std::uint32_t size = ctypesize(passed);
        p->value = static_cast<std::int32_t>(total);
        p->flags &= static_cast<std::uint16_t>(~(SYM_FIRST_PARAM | SYM_WIDENED));
        if (first) p->flags |= SYM_FIRST_PARAM;
        if (size != type_size_quiet(p->type)) p->flags |= SYM_WIDENED;
        first = false;
        total += size;
    }
    def.param_size = total;
}

// A floating parameter passed wider is converted into its own type first;
// an integer one is read from the low-order bytes of its slot.
void fix_widened(FunctionDef& def, Stmt* body) {
    for (Symbol* p : def.params) {
        if (!(p->flags & SYM_WIDENED) || !(p->flags & SYM_USED)) continue;
        TypeNode* passed = passed_type(p->type);
        if (is_real_code(effective_code(p->type))) {
            Expr* from = new_expr(OP_LEAF, passed);
            from->sym = p;
            from->leaf_flags = LEAF_SYMBOL | LEAF_MEMORY;
            from->attr = p->attr;
            Expr* to = new_expr(OP_LEAF, p->type);
            to->sym = p;
            to->leaf_flags = LEAF_SYMBOL | LEAF_MEMORY;
            to->attr = p->attr;
            Expr* assign = new_expr(K_ASSIGN, p->type, to, castto(from, p->type));
            Stmt* s = new_stmt(S_EXPR);
            s->file = body->file;
            s->start = s->end = body->start;
            s->expr = assign;
            s->next = body->body;
            body->body = s;
            p->flags |= SYM_ADDRESS_TAKEN;
        } else {
            std::int32_t own = static_cast<std::int32_t>(type_size_quiet(p->type));
            std::int32_t slot = static_cast<std::int32_t>(type_size_quiet(type_int()));
            if (own < slot) p->value += slot - own;
        }
    }
}

// A return at the end of a body that control reaches.
void final_return(FunctionDef& def, Stmt* body) {
    if (body->flags & ST_NO_FALL) return;
    if (opt.ck && effective_code(def.result) != T_VOID) puterr("missing explicit return");
    Stmt* r = new_stmt(S_RETURN);
    r->file = body->file;
    r->start = r->end = body->end;
    r->flags |= ST_NO_FALL;
    Stmt** link = &body->body;
    while (*link) link = &(*link)->next;
    *link = r;
}

}  // namespace

bool function_follows() {
    const Token& t = nexttoken();
    int kind = t.kind;
    bool old_style = starts_typename(kind, t.name) || kind == K_REGISTER;
    ungettoken();
    return kind == K_LBRACE || old_style;
}

bool parse_function(Symbol* function, TypeNode* type, std::uint32_t first_line) {
    if (!function_follows()) return false;
    FunctionDef def;
    def.symbol = function;
    def.type = type && type->code == T_FUNCTION ? type : function->type;
    def.result = def.type && def.type->base ? def.type->base : type_int();
    def.first_line = first_line;
    def.source = current_source();
    def.file = stmt_file_name();
    def.nostack = (function->attr & SPACE_NOSTACK) != 0;

    parameter_declarations(def.type);
    const Token& brace = nexttoken();
    ungettoken();
    if (brace.kind != K_LBRACE) {
        puterr("bad function declaration");
        return true;
    }
    def.brace_line = brace.line;
    if (function->defined) puterr("redeclared function %.*s", 0, function->name->str());
    std::uint8_t rc = effective_code(def.result);
    if ((rc == T_STRUCT || rc == T_UNION) && !def.result->complete) puterr("incomplete return type");
    function->defined = true;

    for (Symbol* p = def.type ? def.type->params : nullptr; p; p = p->link) {
        if (is_end_mark(p)) break;
        if (!p->type) {
            // An old-style parameter that was not declared is an int.
            p->type = type_int();
            p->kind = KIND_PARAM;
            p->attr = defspace(0, 2, p->type);
        }
        if (!p->name) puterr("missing argument name");
        def.params.push_back(p);
    }
    place_parameters(def);

    std::size_t mark = expr_mark();
    body_open = true;
    stmt_reset();
    frame_reset();
    set_current_function(&def);
    set_constant_function(function);
    open_parameter_scope(def.params);
    Stmt* body = parse_block(nullptr, nullptr, nullptr);
    close_parameter_scope();
    def.body = body;

    for (GotoLabel* label : def.labels) {
        if (label->stmt) continue;
        const TokenPos* saved = current_token();
        TokenPos at = label->first_use;
        set_current_token(&at);
        puterr("undefined label %.*s", 0, label->name->str());
        set_current_token(saved);
    }
    final_return(def, body);
    if (!opt.nw) fix_widened(def, body);

    bool write = error_count() == 0;
    if (write) {
        for (Symbol* p : def.params)
            if (p->kind == KIND_REG_PARAM) p->kind = KIND_PARAM;
        ir_space_names();
    }
    simplify_statement(body);
    if (write && error_count() == 0) write_ir_function(def);

    set_constant_function(nullptr);
    set_current_function(nullptr);
    stmt_reset();
    expr_release(mark);
    body_open = false;
    return true;
}

bool function_body_open() { return body_open; }

}  // namespace vy::cc
