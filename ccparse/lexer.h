// The lexer: turns the preprocessor's lines into the parser's tokens, with a
// ring of three tokens that the parser may give back.
#pragma once

#include "ccparse/diag.h"
#include "ccparse/pptoken.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vy::cc {

struct Symbol;

// An identifier's text, stored once: two names are equal when they are the
// same stored name.
struct Name {
    std::string text;
    std::string_view str() const { return text; }
};

// A string or real constant of the constant pool.
struct Constant {
    Constant* link = nullptr;
    const Symbol* function = nullptr;  // the function it occurs in; null at file level
    std::uint32_t uses = 0;
    std::uint16_t number = 0;          // label given on first use, 0 until then
    std::uint8_t widths = 0;           // a real's widths in use: 1, 2 (float), 4 (double), 8 (long double)
    std::uint8_t written = 0;          // the widths (for a string: 1) already in the literal pool
    bool is_real = false;
    double real = 0;
    std::string bytes;                 // a string's characters (no terminator)
};

struct Token : TokenPos {
    std::int32_t value = 0;           // integer and character constants
    const Name* name = nullptr;       // identifiers
    Constant* constant = nullptr;     // strings and reals
    const std::string* text = nullptr;  // assembly text
};

void lexer_reset();

// The next token (a given-back one first); kind 255 at the end of input.
const Token& nexttoken();
// Gives the last token back; a fourth pending token ends the program.
void ungettoken();
// The token last returned.
const Token& current_tok();

// Takes a token of `kind`; otherwise gives it back, reports "missing ..." or
// "syntax error" and sets the recovery state to `kind`.
bool expect(int kind);
// Skips tokens as the recovery state asks, then clears it.
void recover();
void set_recovery(int kind);
int recovery_state();

// Makes `list` the source of tokens (null restores the previous source and
// returns the kind of the token that stopped the parse).
int settokens(TokenList* list);

const Name* intern(std::string_view text);

// The constant pool: shared records for equal constants of one function.
Constant* string_constant(std::string bytes);
Constant* real_constant(double value);
Constant* first_constant();

// The function whose constants are being read (shared only within it).
void set_constant_function(const Symbol* function);

// The value of an integer constant's text, without reports; false when the
// text is not an integer constant.
bool integer_constant_value(std::string_view text, std::uint32_t* value);

// The characters of a string constant's text (quotes and escapes removed).
std::string decode_string_text(std::string_view quoted);

// The text shown for a token kind in "missing %s".
const char* kind_text(int kind);

}  // namespace vy::cc
