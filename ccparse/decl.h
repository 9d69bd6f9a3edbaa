// Declarations: symbols and their lists, declaration specifiers,
// declarators, prototypes, structures, unions, enumerations and tags,
// absolute addresses, default spaces, the space and section pragmas, and the
// end-of-file pass over the global symbols.
#pragma once

#include "ccparse/diag.h"
#include "ccparse/pptoken.h"
#include "ccparse/types.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace vy::cc {

struct Expr;
struct InitList;
struct Name;

// Symbol kinds (the keyword kinds of the storage classes, and the rest).
enum SymbolKind : std::uint8_t {
    KIND_NONE = 0,         // file-level definition
    KIND_ABSOLUTE = 5,     // declared with an @ address
    KIND_PARAM = 25,
    KIND_REG_PARAM = 28,
    KIND_AUTO = 128,
    KIND_ENUM_CONST = 132,
    KIND_EXTERN = 139,
    KIND_REGISTER = 146,
    KIND_STATIC = 151,
    KIND_TYPEDEF = 154,
};

enum SymbolFlags : std::uint16_t {
    SYM_COMPLETE = 0x0001,  // a tag whose body was read
    SYM_USED = 0x0002,
    SYM_DECLARED = 0x0004,
    SYM_LAST_MEMBER = 0x0008,
    SYM_FIRST_PARAM = 0x0008,    // on a parameter: the first one
    SYM_WRITTEN = 0x0020,
    SYM_HIDDEN = 0x0040,
    SYM_WIDENED = 0x0080,        // a parameter passed in a wider type
    SYM_CALLED = 0x0100,         // named in the current function's list of called functions
    SYM_REFERENCED = 0x0200,     // named in the current function's list of referenced variables
    SYM_ADDRESS_TAKEN = 0x0400,  // needs a home in memory
    SYM_FILE_LEVEL = 0x0800,
};

struct Symbol {
    Symbol* link = nullptr;       // in its list
    Symbol* file_link = nullptr;  // in the current file's debug list
    TypeNode* type = nullptr;
    const Name* name = nullptr;
    std::int32_t value = 0;       // enum value, address, member offset, first use
    std::uint16_t flags = 0;
    std::uint16_t attr = 0;       // space bits, 0x4000 volatile, 0x8000 const
    std::uint16_t debug = 0;
    std::uint16_t label = 0;      // number of a static symbol
    std::uint16_t uses = 0;       // weighted use count: +1 per use, +2 per loop level around it
    std::uint8_t kind = KIND_NONE;
    std::uint8_t reg = 0;         // a register variable's register field
    bool implicit = false;        // declared without a type specifier
    bool defined = false;         // a function body or an initialiser was given
    bool undefined = false;       // used but not declared: entered with type int at its first use
    TokenPos first_use;           // where an undeclared name was first used
    const InitList* kept = nullptr;  // a const object's initial values (const replacement)
    bool on_debug_list = false;      // linked into a file's debug list (or never to be)
};

void decl_reset();

// A counter that returns 2, 4, 6, ...: labels, statics and debug handles.
std::uint16_t nextlabel();

Symbol* newsym(Symbol** list, const Name* name, std::uint8_t kind, TypeNode* type);
Symbol* lookupsym(const Name* name, Symbol* list, const Symbol* end = nullptr);
// The global symbol of a name, null when none.
Symbol* global_symbol(const Name* name);
Symbol* global_symbols();
// The tag of a name in the file's tag list.
Symbol* file_tags();

// The innermost visible symbol of a name, null when none.
Symbol* find_visible(const Name* name);
// A name used before any declaration: followed by ( it is declared at once
// as an external function returning int; otherwise it is entered in the
// innermost scope with type int and reported as undefined at the end of
// that scope unless a declaration follows there.
Symbol* declare_implicit_function(const Name* name);
Symbol* declare_undefined(const Name* name, const TokenPos& where);
// An unnamed static object with the attributes of a constant, numbered by
// a fresh label (the initial data of an automatic aggregate).
Symbol* unnamed_static(TypeNode* type);
// Reports an undefined name at its first use.
void report_undefined(const Symbol* sym);

// The value of an enumeration constant already declared (for #if).
bool enum_constant_value(std::string_view name, std::int32_t* value);

// Parses one external declaration.
void extdecl();
// The end-of-file pass; with `final` also the external references and the
// public definitions.
void endscope(bool final);
// Whether any object or function was defined (for -sa).
bool any_object_declared();

// Applies the default space masks to an attribute word.
std::uint16_t defspace(std::uint16_t attr, int slot, const TypeNode* type);

// Type names for casts and sizeof: true when the token starts one.
bool starts_typename(int kind, const Name* name);
// Parses a type name (specifiers and an abstract declarator).
TypeNode* parse_typename();

// The pragmas, given the tokens after "space" or "section" (white space
// removed, the line end made a ';').
void pragma_space(const TokenList& tokens);
void pragma_section(const TokenList& tokens);

// Assignment compatibility of a value with a target type.
bool assigncompat(const TypeNode* target, const Expr* source);
// Reports "value out of range" for a constant that does not fit an integer
// target and "truncating assignment" for a wider value.
void rangecheck(const TypeNode* target, const Expr* source);

// Seams filled by the function, initialiser and debug-information parts.
bool in_function_body();

// Function bodies. The parameters' names are visible in a scope of their
// own (the parameter list keeps its links); each block opens a scope whose
// symbols it takes back, in declaration order, when it closes.
void open_parameter_scope(const std::vector<Symbol*>& params);
void close_parameter_scope();
void open_block_scope();
std::vector<Symbol*> close_block_scope();

// Old-style parameter declarations between ')' and '{' of a definition.
void parameter_declarations(TypeNode* function);

// Whether the next tokens begin a local declaration (not a statement).
bool local_declaration_follows();
// Parses one local declaration up to its ';'. Each initialiser of an
// automatic object gives an assignment, with where it stands.
struct LocalInit {
    Expr* assign;
    TokenPos start;
    TokenPos end;
};
void local_declaration(std::vector<LocalInit>& inits);

}  // namespace vy::cc
