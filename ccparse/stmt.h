// Statements of a function body: the statement records the parser builds,
// the simplifying pass over them, and the writer of a whole function into
// the intermediate file. The records exist for one function at a time.
#pragma once

#include "ccparse/diag.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vy::cc {

struct Expr;
struct Name;
struct Symbol;
struct TypeNode;

enum StmtKind : std::uint8_t {
    S_EXPR = 0,
    S_WRAPPER = 1,  // an optional expression and one inner statement (made by the simplifying pass)
    S_BLOCK = 16,
    S_ASM = 31,
    S_BREAK = 129,
    S_CONTINUE = 133,
    S_DO = 135,
    S_FOR = 141,
    S_GOTO = 142,
    S_IF = 143,
    S_RETURN = 147,
    S_SWITCH = 153,
    S_WHILE = 159,
};

enum StmtFlags : std::uint8_t {
    ST_BREAK_USED = 0x01,
    ST_CONTINUE_USED = 0x02,
    ST_GOTO_INSIDE = 0x04,
    ST_NO_FALL = 0x08,      // control does not go on after it
    ST_REMOVED = 0x10,      // unreachable: not written
    ST_CASE_LABEL = 0x20,   // carries a case or default label
    ST_C_LABEL = 0x40,      // carries a C label, or contains one
    ST_ANY_LABEL = 0x80,    // carries or contains a label of either kind
};

// A line and a column of the source.
struct SourcePos {
    std::uint32_t line = 0;
    std::uint16_t column = 0;
};

struct Stmt;

// A C label of the function: defined by a statement, used by gotos.
struct GotoLabel {
    const Name* name = nullptr;
    Stmt* stmt = nullptr;  // the statement that carries it; null until defined
    TokenPos first_use;
    std::uint16_t debug = 0;  // its name label in the debug description
};

// A case or default label of a switch.
enum CaseKind : std::uint8_t { CASE_VALUE = 130, CASE_DEFAULT = 134 };
struct CaseEntry {
    CaseKind kind;
    std::int32_t value;
    Stmt* stmt;
};

// One text part of an assembly block.
struct AsmPart {
    std::string text;
    SourcePos start, end;
};

struct Stmt {
    std::uint8_t kind = S_EXPR;
    std::uint8_t flags = 0;
    std::uint16_t label = 0;     // label number of a statement that carries a label, 0 none
    bool kept_label = false;     // its label is named by the debug description (written as 130)
    bool known_true = false;     // for: the test holds on entry
    Stmt* next = nullptr;        // next sibling
    Expr* expr = nullptr;        // the expression, test or value
    Stmt* body = nullptr;        // body, then-part, a wrapper's inner statement, a block's first statement
    Stmt* other = nullptr;       // else-part
    Expr* init = nullptr;        // for
    Expr* step = nullptr;        // for
    GotoLabel* target = nullptr; // goto
    std::vector<CaseEntry> cases;    // switch: ascending by value, then the default
    std::vector<Symbol*> locals;     // block: its declarations in order
    std::vector<AsmPart> parts;      // assembly block
    const std::string* file = nullptr;
    SourcePos start, end;
    SourcePos mark[2];           // the ( of a do test; the two semicolons of a for
};

// A function definition being parsed.
struct FunctionDef {
    Symbol* symbol = nullptr;
    TypeNode* type = nullptr;        // the function type of the definition
    TypeNode* result = nullptr;      // its return type
    std::vector<Symbol*> params;     // named and unnamed, without the void end mark
    std::vector<GotoLabel*> labels;  // in order of first mention
    Stmt* body = nullptr;
    std::uint32_t first_line = 0;
    std::uint32_t brace_line = 0;
    std::uint32_t end_line = 0;      // the line of the closing brace
    std::uint32_t param_size = 0;    // bytes of the parameters as passed
    std::int32_t lowest = 0;         // the lowest frame offset of the locals
    bool nostack = false;
    const struct SourceFile* source = nullptr;  // where the definition began
    const std::string* file = nullptr;          // the name of that file
};

// The statement pool of the function being parsed.
void stmt_reset();
Stmt* new_stmt(std::uint8_t kind);
// The file name a statement records, shared by equal names.
const std::string* stmt_file_name();

// Parsers. `parse_block` with no statement record parses the function body.
Stmt* parse_block(Stmt* continue_owner, Stmt* break_owner, Stmt* block);
Stmt* parse_statement(Stmt* continue_owner, Stmt* break_owner);
void add_case(CaseKind kind, std::int32_t value, Stmt* stmt);
// A goto target for a statement that carries a label (made by the
// simplifying pass).
GotoLabel* new_goto_target(Stmt* stmt);

// The simplifying pass over a statement (recursive): dead branches, small
// switches, frame offsets of locals, widths of expressions.
void simplify_statement(Stmt* s);

// Writes the function: the debug description (with -x), the function
// records and the body.
void write_ir_function(FunctionDef& f);

// The definition being parsed (null outside function bodies).
FunctionDef* current_function();
void set_current_function(FunctionDef* f);

// The frame offset the simplifying pass has reached.
void frame_reset();

// Calls `f` on every statement of the list `list` that is not removed and on
// every statement inside them. A then-part or an else-part is one statement;
// chains of else-if (and wrappers around their parts) are followed without
// recursion along them.
template <typename F>
void for_each_stmt(Stmt* list, F&& f) {
    for (Stmt* s = list; s; s = s->next) {
        for (Stmt* n = s; n && !(n->flags & ST_REMOVED);) {
            f(n);
            Stmt* chain = nullptr;
            if (n->kind == S_IF) {
                if (n->body) for_each_stmt(n->body, f);
                chain = n->other;
            } else if (n->kind == S_WRAPPER) {
                chain = n->body;
            } else if (n->body) {
                for_each_stmt(n->body, f);
            }
            n = chain;
        }
    }
}

}  // namespace vy::cc
