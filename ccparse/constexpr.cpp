// Constant expressions: a conditional expression parsed and folded by the
// expression layer, whose result must be an integer constant.
#include "ccparse/constexpr.h"

#include "ccparse/diag.h"
#include "ccparse/expr.h"
#include "ccparse/lexer.h"

namespace vy::cc {

namespace {

int stop_kind = K_EOF;

// The message of a division by a constant zero left in the tree, if any.
const char* zero_divisor(const Expr* e) {
    if (!e) return nullptr;
    if (e->node_flags & NODE_ZERO_DIVIDE) return "zero divide";
    if (e->node_flags & NODE_ZERO_MODULUS) return "zero modulus";
    if (e->is_leaf()) return nullptr;
    for (const Expr* c : {e->left, e->right, e->third})
        if (const char* message = zero_divisor(c)) return message;
    return nullptr;
}

bool evaluate(std::int32_t* value, bool required, bool quiet) {
    const Token& first = nexttoken();
    int kind = first.kind;
    ungettoken();
    if (ends_expression(kind)) {
        if (required && !quiet) puterr("missing expression");
        return false;
    }
    std::size_t mark = expr_mark();
    bool was_quiet = set_expr_quiet(quiet);
    bool was_failed = expr_failed();
    clear_expr_failed();
    Expr* e = parse_conditional();
    bool ok = !expr_failed();
    *value = 0;
    if (ok && !isconstint(e)) {
        if (const char* message = zero_divisor(e)) {
            // Reported as the error it is; the expression counts as 0.
            puterr(message);
        } else {
            ok = false;
            if (!quiet) puterr("invalid constant expression");
        }
    } else if (ok) {
        *value = e->value;
    }
    set_expr_quiet(was_quiet);
    if (was_failed) experr_mark_failed();
    expr_release(mark);
    return ok;
}

}  // namespace

bool constant_expression(std::int32_t* value, bool required) { return evaluate(value, required, false); }

bool quiet_constant_expression(std::int32_t* value) { return evaluate(value, true, true); }

bool if_expression(TokenList& tokens, std::int32_t* value) {
    settokens(&tokens);
    bool ok = evaluate(value, true, true);
    stop_kind = settokens(nullptr);
    return ok;
}

int last_stop_kind() { return stop_kind; }

}  // namespace vy::cc
