// Expression trees of the front end: one node record for operators and
// leaves, the parsers of C expressions, and the constructors that check,
// convert and fold each node as it is built. The statement, initialiser and
// declaration parsers take their trees from here; `narrow` (narrow.h) and
// `write_ir_tree` (treewrite.h) finish them.
#pragma once

#include "ccparse/tokens.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vy::cc {

struct Constant;
struct Symbol;
struct TypeNode;

// Operator codes: the lexer's punctuator kinds for the binary operators, the
// assignments, ?:, comma and the postfix steps; the unary forms are the
// binary codes minus 64.
enum ExprOp : std::uint8_t {
    OP_LEAF = 0,
    OP_COMMA = K_COMMA,
    OP_QUEST = K_QUEST,
    OP_POST_INC = K_INC,
    OP_POST_DEC = K_DEC,
    OP_ARG = 25,    // argument link: left the argument, right the rest
    OP_CAST = 26,   // conversion to the node's type
    OP_CALL = 27,   // left the callee (a function), right the arguments
    OP_NEG = 34,    // unary -
    OP_DEREF = 35,  // unary *
    OP_ADDR = 40,   // unary & of a node that is not a leaf
    OP_NOT = K_NOT,
    OP_COMPL = K_TILDE,
};

// Leaf flags.
enum LeafFlags : std::uint8_t {
    LEAF_MEMORY = 0x01,   // the leaf stands for the object's contents (clear: its address)
    LEAF_SYMBOL = 0x02,   // names a symbol
    LEAF_LITERAL = 0x04,  // names a string or floating literal
};

// Node flags.
enum NodeFlags : std::uint8_t {
    NODE_NOT_LVALUE = 0x04,
    NODE_IMPLICIT = 0x08,      // a conversion the rules inserted, not one the source wrote
    NODE_ZERO_DIVIDE = 0x10,   // a constant divisor 0 of a /
    NODE_ZERO_MODULUS = 0x20,  // a constant divisor 0 of a %
    NODE_EFFECTS = 0x40,       // an operator node with side effects in it (set with its depth)
};

struct Expr {
    std::uint8_t op = OP_LEAF;
    std::uint8_t leaf_flags = 0;
    std::uint8_t node_flags = 0;
    std::uint8_t storage = 0;   // a slot leaf: 1 the return value, 2 the switch value
    std::uint16_t attr = 0;     // space and qualifier bits of the value read or written
    std::uint16_t depth = 1;    // levels of the tree below and including this node
    TypeNode* type = nullptr;
    Expr* left = nullptr;
    Expr* right = nullptr;
    Expr* third = nullptr;      // ?: the value if false
    Symbol* sym = nullptr;      // a leaf's symbol
    Constant* literal = nullptr;  // a leaf's string or floating literal
    std::int32_t value = 0;     // a constant's value (reduced to its type), or the byte offset of a leaf

    bool is_leaf() const { return op == OP_LEAF; }
};

void expr_reset();

// Expression records live while one function (or one file-level
// initialiser) is parsed: `expr_release` frees every record taken after the
// mark.
std::size_t expr_mark();
void expr_release(std::size_t mark);

// The loop depth of the statement being parsed: each use of a symbol adds
// 1 + 2 * depth to its weighted use count.
void set_loop_depth(int depth);
int loop_depth();

// Parsers. `parse_expression` reads a comma expression; with `discarded`
// (the value is not used) postfix ++ and -- at the top and on the left of
// commas become += and -=. Each returns a tree; a missing operand is
// reported and replaced by the constant 0 of type int.
Expr* parse_expression(bool discarded);
Expr* parse_assignment();
Expr* parse_conditional();
Expr* parse_unary();

// Constructors: each takes a node whose operands are built, checks,
// converts and folds it, and returns the (possibly replaced) node.
Expr* make_unary(Expr* node);
Expr* make_cast(Expr* node);
// With `initialiser` the node gives a declared object its initial value,
// which a const object takes too.
Expr* make_assign(Expr* node, bool initialiser = false);
Expr* make_binary(Expr* node);
// A test of if, while, do, for, ?:, && and ||: a comparison, a constant,
// an && or logical or, or a comma ending in one of these; null when the
// type is not scalar.
Expr* make_test(Expr* test);
// An array or function valued node made its address.
Expr* make_address(Expr* node);
// An operand used for its value: arrays and functions become addresses,
// reads of const objects with known values and characters of string
// literals become constants.
Expr* rvalue(Expr* node);
// The type after the promotions (of arguments when `argument`).
TypeNode* promote(TypeNode* type, bool argument);

// A call of `callee` with the argument chain `args` (null: none).
Expr* make_call(Expr* callee, Expr* args);
// test ? yes : no, the test not yet made a test.
Expr* make_conditional(Expr* test, Expr* yes, Expr* no);
// left , right.
Expr* make_comma(Expr* left, Expr* right);
// Unary + : the operand promoted, as a value.
Expr* unary_plus(Expr* operand);
// The address of an lvalue (or of a call's structure result) without the
// checks of unary &; null when it has none.
Expr* address_of(Expr* node);
// A pointer to `type` at `offset` bytes from the pointer `address`; the
// pointer word is `attr`.
Expr* add_offset(Expr* address, std::int64_t offset, TypeNode* type, std::uint16_t attr);

// Shorthands that build a node and pass it to its constructor.
Expr* unary(int op, Expr* operand);
Expr* binary(int op, Expr* left, Expr* right);
Expr* assign(int op, Expr* dest, Expr* value);
Expr* initialise(Expr* dest, Expr* value);
Expr* cast(TypeNode* type, Expr* operand);

// Helpers.
Expr* new_expr(int op, TypeNode* type, Expr* left = nullptr, Expr* right = nullptr);
Expr* makeconst(std::int64_t value, TypeNode* type);
Expr* makeconst(std::int32_t value);  // of type int
Expr* real_leaf(double value, TypeNode* type);
bool isconstint(const Expr* e);
bool isconstreal(const Expr* e);
// A constant leaf of an integer or pointer type, or a floating literal.
bool isconst(const Expr* e);
// An address constant: a leaf naming a symbol or literal that stands for
// its address (not the object's contents).
bool isaddress(const Expr* e);
// The value of an integer constant with the sign of its type.
std::int64_t const_value(const Expr* e);
double real_value(const Expr* e);
// Inverts a test tree (comparison, &&, logical or, constant, comma).
Expr* negatecond(Expr* test);
bool sametree(const Expr* a, const Expr* b);
// Inserts a conversion to `type` when the types differ; constants are
// converted at once.
Expr* castto(Expr* node, TypeNode* type);
bool side_effects(const Expr* e);
bool is_lvalue(const Expr* e);
bool is_relation(int op);
// The relation with its operands swapped (< and >, <= and >=).
int mirror_relation(int op);
// The negated relation: ((op - 1) XOR 1) + 1.
int negate_relation(int op);

// Reports an expression diagnostic, unless the expression is parsed for
// #if, where only the failure is noted.
void experr(std::string_view format, std::int32_t number = 0, std::string_view text = {});
// Quiet parsing for #if and @ addresses: returns the previous setting.
bool set_expr_quiet(bool quiet);
// Whether a diagnostic was suppressed since the flag was cleared.
bool expr_failed();
void clear_expr_failed();
void experr_mark_failed();

// Tokens that end an expression (an operand missing before them is
// "missing expression").
bool ends_expression(int kind);

// A leaf naming a symbol, counted as one use of it.
Expr* symbol_use(Symbol* sym);

// A node's depth from its operands.
void set_depth(Expr* e);
// The node, or the constant 0 after "nesting too deep" when the tree grew
// beyond the depth bound.
Expr* bound_depth(Expr* e);
// Sets the depths along an argument chain built from the front.
void fix_chain_depth(Expr* chain);

// Bound on the depth of a tree (long chains of operators build trees
// without recursion in the parser; every pass over the tree recurses).
constexpr int tree_depth_limit = 1000;

}  // namespace vy::cc
