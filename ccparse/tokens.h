// Token kinds shared by the preprocessor's scanner, the lexer and the
// parsers. Punctuator kinds double as the expression operator codes.
#pragma once

#include <cstdint>

namespace vy::cc {

enum TokenKind : std::uint16_t {
    K_NONE = 0,
    K_COMMA = 1,
    K_COLON = 2,
    K_SEMI = 3,
    K_STRING = 4,
    K_AT = 5,
    K_DOT = 6,
    K_ELLIPSIS = 7,
    K_ARROW = 8,
    K_QUEST = 9,
    K_LPAREN = 10,
    K_RPAREN = 11,
    K_LBRACKET = 12,
    K_RBRACKET = 13,
    K_INC = 14,
    K_DEC = 15,
    K_LBRACE = 16,
    K_RBRACE = 17,
    K_IDENT = 18,
    K_NUMBER = 19,
    K_HASH = 20,
    K_HASHHASH = 21,
    K_CHARCONST = 22,
    K_SPACE = 23,      // white space, or the end of a line ("\n")
    K_BAD = 24,        // any other character
    K_PARAM = 30,      // parameter reference inside a macro body
    K_ASM = 31,        // a line of an #asm block
    K_BSHASH = 52,     // \# : a '#' that a macro may put at the head of a line
    K_NOT = 61,
    K_TILDE = 62,
    K_SLASH = 68,
    K_PERCENT = 69,
    K_SHL = 70,
    K_SHR = 71,
    K_CARET = 73,
    K_PIPE = 74,
    K_LT = 75,
    K_GE = 76,
    K_GT = 77,
    K_LE = 78,
    K_EQ = 79,
    K_NE = 80,
    K_ADD_ASSIGN = 81,
    K_SUB_ASSIGN = 82,
    K_MUL_ASSIGN = 83,
    K_DIV_ASSIGN = 84,
    K_MOD_ASSIGN = 85,
    K_SHL_ASSIGN = 86,
    K_SHR_ASSIGN = 87,
    K_AND_ASSIGN = 88,
    K_XOR_ASSIGN = 89,
    K_OR_ASSIGN = 90,
    K_ANDAND = 91,
    K_OROR = 92,
    K_ASSIGN = 95,
    K_PLUS = 97,
    K_MINUS = 98,
    K_STAR = 99,
    K_AMP = 104,

    // Keywords: 128 + position in the keyword table.
    K_AUTO = 128,
    K_BREAK,
    K_CASE,
    K_CHAR,
    K_CONST,
    K_CONTINUE,
    K_DEFAULT,
    K_DO,
    K_DOUBLE,
    K_ELSE,
    K_ENUM,
    K_EXTERN,
    K_FLOAT,
    K_FOR,
    K_GOTO,
    K_IF,
    K_INT,
    K_LONG,
    K_REGISTER,
    K_RETURN,
    K_SHORT,
    K_SIGNED,
    K_SIZEOF,
    K_STATIC,
    K_STRUCT,
    K_SWITCH,
    K_TYPEDEF,
    K_UNION,
    K_UNSIGNED,
    K_VOID,
    K_VOLATILE,
    K_WHILE,  // 159

    // Converted constants.
    K_INT_CONST = 160,
    K_UINT_CONST = 161,
    K_LONG_CONST = 162,
    K_ULONG_CONST = 163,
    K_SHORT_REAL = 164,  // suffix s or S
    K_FLOAT_CONST = 165,
    K_DOUBLE_CONST = 166,
    K_LDOUBLE_CONST = 167,

    K_EOF = 255,
};

inline bool is_int_constant(int kind) { return kind >= K_INT_CONST && kind <= K_ULONG_CONST; }
inline bool is_real_constant(int kind) { return kind >= K_SHORT_REAL && kind <= K_LDOUBLE_CONST; }

}  // namespace vy::cc
