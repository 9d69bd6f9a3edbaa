// The statement parser: blocks with their local declarations, labels, and
// every statement of C, built into statement records with the flags the
// simplifying pass and the writer need (break and continue used, a goto
// inside, control not going on, labels carried or contained).
#include "ccparse/stmt.h"

#include "ccparse/constexpr.h"
#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/expr.h"
#include "ccparse/fold.h"
#include "ccparse/lexer.h"
#include "ccparse/nesting.h"
#include "ccparse/options.h"
#include "ccparse/source.h"
#include "ccparse/types.h"

#include <algorithm>
#include <deque>
#include <unordered_map>
#include <unordered_set>

namespace vy::cc {

namespace {

// Statements nest this deep at most: the parser, the simplifying pass and
// the writer all recurse into nested statements. Chains of else-if and of
// labels do not nest.
constexpr int statement_nesting_limit = 256;

struct StmtState {
    std::deque<Stmt> pool;
    std::deque<GotoLabel> labels;
    std::unordered_map<const Name*, GotoLabel*> label_index;
    std::unordered_set<std::string> files;  // names statements record, shared
    std::vector<Stmt*> enclosing;           // loops and switches around the statement
    Stmt* current_switch = nullptr;
    int loop_depth = 0;
    Nesting nesting;
    FunctionDef* function = nullptr;
};

StmtState state;

SourcePos pos_of(const TokenPos& t) { return {t.line, t.column}; }

SourcePos here() {
    const TokenPos* t = current_token();
    return t ? pos_of(*t) : SourcePos{current_line(), 0};
}

// The position of the next token, without taking it.
SourcePos next_pos() {
    const Token& t = nexttoken();
    ungettoken();
    return pos_of(t);
}

int peek() {
    int kind = nexttoken().kind;
    ungettoken();
    return kind;
}

bool take(int kind) {
    if (nexttoken().kind == kind) return true;
    ungettoken();
    return false;
}

// The flags a statement takes over from a statement inside it.
void contain(Stmt* outer, const Stmt* inner) {
    if (inner) outer->flags |= inner->flags & (ST_C_LABEL | ST_ANY_LABEL);
}

void raise_loop_depth(int by) {
    state.loop_depth += by;
    set_loop_depth(state.loop_depth);
}

// Reads over a statement that nests too deep, without recursion: up to its
// ';' or the end of its braces. A '}' that closes an enclosing block is left.
void skip_statement() {
    int braces = 0, parens = 0;
    for (;;) {
        const Token& t = nexttoken();
        switch (t.kind) {
        case K_EOF: ungettoken(); return;
        case K_LPAREN: ++parens; break;
        case K_RPAREN: --parens; break;
        case K_LBRACE: ++braces; break;
        case K_RBRACE:
            if (braces == 0) {
                ungettoken();
                return;
            }
            if (--braces == 0 && parens <= 0) return;
            break;
        case K_SEMI:
            if (braces == 0 && parens <= 0) return;
            break;
        default: break;
        }
    }
}

// A test in parentheses: "missing <what> test expression" when there is
// none, "invalid <what> test type" when it is not scalar.
Expr* parenthesised_test(const char* missing, const char* invalid) {
    expect(K_LPAREN);
    Expr* test;
    if (peek() == K_RPAREN) {
        puterr(missing);
        test = makeconst(0);
    } else {
        test = make_test(parse_expression(false));
        if (!test) {
            puterr(invalid);
            test = makeconst(0);
        }
    }
    expect(K_RPAREN);
    return test;
}

bool constant_true(const Expr* test) { return !test || (isconst(test) && !is_zero(test)); }

GotoLabel* find_label(const Name* name, const TokenPos& where) {
    auto it = state.label_index.find(name);
    if (it != state.label_index.end()) return it->second;
    GotoLabel* label = &state.labels.emplace_back();
    label->name = name;
    label->first_use = where;
    state.label_index[name] = label;
    if (state.function) state.function->labels.push_back(label);
    return label;
}

void give_label(Stmt* s) {
    if (!s->label) s->label = nextlabel();
}

// The labels in front of a statement: case, default and C labels.
void statement_labels(Stmt* s) {
    for (;;) {
        const Token& t = nexttoken();
        if (t.kind == K_CASE || t.kind == K_DEFAULT) {
            // Reported at the keyword.
            TokenPos at = t;
            std::int32_t value = 0;
            if (t.kind == K_CASE) constant_expression(&value, true);
            const TokenPos* saved = current_token();
            set_current_token(&at);
            add_case(at.kind == K_CASE ? CASE_VALUE : CASE_DEFAULT, value, s);
            set_current_token(saved);
            expect(K_COLON);
            continue;
        }
        if (t.kind == K_IDENT) {
            const Name* name = t.name;
            TokenPos where = t;
            if (nexttoken().kind == K_COLON) {
                GotoLabel* label = find_label(name, where);
                if (label->stmt)
                    puterr("redefined label %.*s", 0, name->str());
                else
                    label->stmt = s;
                give_label(s);
                s->flags |= ST_C_LABEL | ST_ANY_LABEL;
                continue;
            }
            ungettoken();
        }
        ungettoken();
        return;
    }
}

void parse_if(Stmt* s, Stmt* cont, Stmt* brk);
void parse_loop(Stmt* s, int kind, Stmt* cont, Stmt* brk);
void parse_switch(Stmt* s, Stmt* cont);
void parse_return(Stmt* s);

// The statement itself, after its labels.
void statement_body(Stmt* s, Stmt* cont, Stmt* brk) {
    const Token& t = nexttoken();
    int kind = t.kind;
    s->start = pos_of(t);
    switch (kind) {
    case K_LBRACE:
        ungettoken();
        s->kind = S_BLOCK;
        parse_block(cont, brk, s);
        return;
    case K_ASM: {
        s->kind = S_ASM;
        ungettoken();
        while (peek() == K_ASM) {
            const Token& part = nexttoken();
            AsmPart p;
            p.text = part.text ? *part.text : std::string();
            p.start = pos_of(part);
            p.end = {part.line + (part.span ? part.span - 1u : 0u), 0};
            s->parts.push_back(std::move(p));
        }
        s->end = s->parts.back().end;
        return;
    }
    case K_BREAK:
    case K_CONTINUE: {
        s->kind = kind == K_BREAK ? S_BREAK : S_CONTINUE;
        Stmt* owner = kind == K_BREAK ? brk : cont;
        if (!owner)
            puterr(kind == K_BREAK ? "invalid break" : "invalid continue");
        else
            owner->flags |= kind == K_BREAK ? ST_BREAK_USED : ST_CONTINUE_USED;
        s->flags |= ST_NO_FALL;
        expect(K_SEMI);
        s->end = here();
        return;
    }
    case K_GOTO: {
        s->kind = S_GOTO;
        const Token& name = nexttoken();
        if (name.kind != K_IDENT) {
            ungettoken();
            puterr("missing goto label");
        } else {
            s->target = find_label(name.name, name);
        }
        for (Stmt* e : state.enclosing) e->flags |= ST_GOTO_INSIDE;
        s->flags |= ST_NO_FALL;
        expect(K_SEMI);
        s->end = here();
        return;
    }
    case K_IF: parse_if(s, cont, brk); return;
    case K_DO:
    case K_FOR:
    case K_WHILE: parse_loop(s, kind, cont, brk); return;
    case K_SWITCH: parse_switch(s, cont); return;
    case K_RETURN: parse_return(s); return;
    case K_SEMI:
        s->kind = S_EXPR;
        s->end = s->start;
        return;
    default: break;
    }
    ungettoken();
    s->kind = S_EXPR;
    s->expr = parse_expression(true);
    // A '}' after a label: the statement is missing; the brace stays.
    if (peek() == K_RBRACE) {
        puterr("missing ;");
    } else {
        expect(K_SEMI);
    }
    s->end = here();
}

// if (test) then [else ...]: a chain of else-if is read as a loop.
void parse_if(Stmt* s, Stmt* cont, Stmt* brk) {
    std::vector<Stmt*> chain;
    for (Stmt* node = s;;) {
        node->kind = S_IF;
        node->expr = parenthesised_test("missing if test expression", "invalid if test type");
        node->end = here();
        node->body = parse_statement(cont, brk);
        chain.push_back(node);
        if (!take(K_ELSE)) break;
        if (peek() == K_IF) {
            Stmt* next = new_stmt(S_IF);
            next->file = stmt_file_name();
            next->start = next_pos();
            nexttoken();
            node->other = next;
            node = next;
            continue;
        }
        node->other = parse_statement(cont, brk);
        break;
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        Stmt* node = *it;
        contain(node, node->body);
        contain(node, node->other);
        if (node->other && (node->body->flags & ST_NO_FALL) && (node->other->flags & ST_NO_FALL))
            node->flags |= ST_NO_FALL;
    }
}

void parse_loop(Stmt* s, int kind, Stmt* cont, Stmt* brk) {
    (void)cont;
    (void)brk;
    state.enclosing.push_back(s);
    if (kind == K_WHILE) {
        s->kind = S_WHILE;
        raise_loop_depth(1);
        s->expr = parenthesised_test("missing while test expression", "invalid while test type");
        s->end = here();
        s->body = parse_statement(s, s);
        raise_loop_depth(-1);
    } else if (kind == K_DO) {
        s->kind = S_DO;
        raise_loop_depth(1);
        s->body = parse_statement(s, s);
        expect(K_WHILE);
        s->mark[0] = next_pos();
        s->expr = parenthesised_test("missing do test expression", "invalid do test type");
        raise_loop_depth(-1);
        expect(K_SEMI);
        s->end = here();
    } else {
        s->kind = S_FOR;
        expect(K_LPAREN);
        if (peek() != K_SEMI) s->init = parse_expression(true);
        expect(K_SEMI);
        s->mark[0] = here();
        raise_loop_depth(1);
        if (peek() != K_SEMI) {
            s->expr = make_test(parse_expression(false));
            if (!s->expr) {
                puterr("invalid for test type");
                s->expr = makeconst(0);
            }
        }
        expect(K_SEMI);
        s->mark[1] = here();
        if (peek() != K_RPAREN) s->step = parse_expression(true);
        expect(K_RPAREN);
        s->end = here();
        s->body = parse_statement(s, s);
        raise_loop_depth(-1);
    }
    state.enclosing.pop_back();
    contain(s, s->body);
    if (constant_true(s->expr) && !(s->flags & (ST_BREAK_USED | ST_GOTO_INSIDE))) s->flags |= ST_NO_FALL;
}

void parse_switch(Stmt* s, Stmt* cont) {
    s->kind = S_SWITCH;
    expect(K_LPAREN);
    if (peek() == K_RPAREN) {
        puterr("missing switch test expression");
        s->expr = makeconst(0);
    } else {
        s->expr = rvalue(parse_expression(false));
        if (!is_integer_code(effective_code(s->expr->type))) puterr("invalid switch test type");
    }
    expect(K_RPAREN);
    s->end = here();
    Stmt* outer = state.current_switch;
    state.current_switch = s;
    state.enclosing.push_back(s);
    s->body = parse_statement(cont, s);
    state.enclosing.pop_back();
    state.current_switch = outer;
    contain(s, s->body);
    bool has_default = !s->cases.empty() && s->cases.back().kind == CASE_DEFAULT;
    if (has_default && !(s->flags & ST_BREAK_USED) && (s->body->flags & ST_NO_FALL)) s->flags |= ST_NO_FALL;
}

void parse_return(Stmt* s) {
    s->kind = S_RETURN;
    s->flags |= ST_NO_FALL;
    TypeNode* result = state.function && state.function->result ? state.function->result : type_int();
    bool is_void = effective_code(result) == T_VOID;
    if (peek() == K_SEMI) {
        if (!is_void && opt.ck) puterr("missing return expression");
    } else {
        Expr* value = rvalue(parse_expression(false));
        std::uint8_t rc = effective_code(result), vc = effective_code(value->type);
        if (is_void) {
            puterr("unexpected return expression");
        } else if (rc == T_STRUCT || rc == T_UNION || vc == T_STRUCT || vc == T_UNION) {
            if (!sametype(result, value->type)) puterr("bad structure for return");
            s->expr = value;
        } else {
            bool null_pointer = rc == T_POINTER && isconstint(value) && value->value == 0;
            if (!null_pointer && !assigncompat(result, value))
                puterr("incompatible return type");
            else if (opt.ck)
                rangecheck(result, value);
            s->expr = castto(value, result);
        }
    }
    expect(K_SEMI);
    s->end = here();
}

}  // namespace

void stmt_reset() {
    state.pool.clear();
    state.labels.clear();
    state.label_index.clear();
    state.enclosing.clear();
    state.current_switch = nullptr;
    state.loop_depth = 0;
    state.nesting = Nesting{};
}

Stmt* new_stmt(std::uint8_t kind) {
    Stmt* s = &state.pool.emplace_back();
    s->kind = kind;
    return s;
}

const std::string* stmt_file_name() { return &*state.files.emplace(diag_file_name()).first; }

GotoLabel* new_goto_target(Stmt* stmt) {
    GotoLabel* label = &state.labels.emplace_back();
    label->stmt = stmt;
    return label;
}

FunctionDef* current_function() { return state.function; }
void set_current_function(FunctionDef* f) { state.function = f; }

void add_case(CaseKind kind, std::int32_t value, Stmt* stmt) {
    const char* what = kind == CASE_VALUE ? "case" : "default";
    Stmt* sw = state.current_switch;
    if (!sw) {
        puterr("invalid %s", 0, what);
        return;
    }
    std::vector<CaseEntry>& cases = sw->cases;
    // Case values ascending, the default last.
    auto at = cases.begin();
    if (kind == CASE_DEFAULT) {
        at = cases.end();
        if (!cases.empty() && cases.back().kind == CASE_DEFAULT) {
            puterr("duplicate %s", 0, what);
            return;
        }
    } else {
        // The default, when there is one, stands behind the values.
        auto values_end = !cases.empty() && cases.back().kind == CASE_DEFAULT ? cases.end() - 1 : cases.end();
        at = std::lower_bound(cases.begin(), values_end, value,
                              [](const CaseEntry& c, std::int32_t v) { return c.value < v; });
        if (at != values_end && at->value == value) {
            puterr("duplicate %s", 0, what);
            return;
        }
    }
    cases.insert(at, CaseEntry{kind, value, stmt});
    give_label(stmt);
    stmt->flags |= ST_CASE_LABEL | ST_ANY_LABEL;
}

Stmt* parse_statement(Stmt* continue_owner, Stmt* break_owner) {
    NestingGuard guard(state.nesting, statement_nesting_limit);
    Stmt* s = new_stmt(S_EXPR);
    s->file = stmt_file_name();
    statement_labels(s);
    s->start = next_pos();
    if (!guard.ok()) {
        skip_statement();
        s->end = here();
        return s;
    }
    statement_body(s, continue_owner, break_owner);
    return s;
}

Stmt* parse_block(Stmt* continue_owner, Stmt* break_owner, Stmt* block) {
    bool body = block == nullptr;
    if (body) {
        block = new_stmt(S_BLOCK);
        block->file = stmt_file_name();
        block->start = next_pos();
    }
    expect(K_LBRACE);
    open_block_scope();
    // Local declarations first; each initialiser is a statement of the block.
    Stmt* first = nullptr;
    Stmt** link = &first;
    auto append = [&](Stmt* s) {
        *link = s;
        link = &s->next;
    };
    while (local_declaration_follows()) {
        std::vector<LocalInit> inits;
        local_declaration(inits);
        for (const LocalInit& init : inits) {
            Stmt* s = new_stmt(S_EXPR);
            s->file = stmt_file_name();
            s->expr = init.assign;
            s->start = pos_of(init.start);
            s->end = pos_of(init.end);
            append(s);
        }
    }
    bool dead = false;
    for (;;) {
        int kind = peek();
        if (kind == K_RBRACE) {
            nexttoken();
            break;
        }
        if (kind == K_EOF) {
            puterr("unexpected end of file");
            break;
        }
        Stmt* s = parse_statement(continue_owner, break_owner);
        // Statements after one that does not go on are unreachable until a label.
        if (dead && !(s->flags & ST_ANY_LABEL))
            s->flags |= ST_REMOVED;
        else
            dead = (s->flags & ST_NO_FALL) != 0;
        contain(block, s);
        append(s);
    }
    block->end = here();
    block->body = first;
    if (dead) block->flags |= ST_NO_FALL;
    if (body && state.function) state.function->end_line = block->end.line;
    block->locals = close_block_scope();
    return block;
}

}  // namespace vy::cc
