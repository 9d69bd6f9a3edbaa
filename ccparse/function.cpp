// Function bodies: their parser comes with the statement part. Meanwhile
// the text is read over to the end of the body, with an error, so that no
// partial output is kept.
#include "ccparse/function.h"

#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/lexer.h"

namespace vy::cc {

namespace {

bool body_open = false;

// Reads over tokens up to the matching close of the bracket just taken.
void skip_balanced() {
    int depth = 1;
    while (depth > 0) {
        int kind = nexttoken().kind;
        if (kind == K_EOF) return;
        if (kind == K_LBRACE || kind == K_LPAREN || kind == K_LBRACKET) ++depth;
        if (kind == K_RBRACE || kind == K_RPAREN || kind == K_RBRACKET) --depth;
    }
}

}  // namespace

bool function_follows() {
    const Token& t = nexttoken();
    int kind = t.kind;
    bool old_style = starts_typename(kind, t.name) || kind == K_REGISTER;
    ungettoken();
    return kind == K_LBRACE || old_style;
}

bool parse_function(Symbol* function, std::uint32_t first_line) {
    (void)first_line;
    if (!function_follows()) return false;
    puterr("function definitions are not supported yet");
    function->defined = true;
    body_open = true;
    for (;;) {
        int kind = nexttoken().kind;
        if (kind == K_EOF) break;
        if (kind == K_LBRACE) {
            skip_balanced();
            break;
        }
    }
    body_open = false;
    return true;
}

bool function_body_open() { return body_open; }

}  // namespace vy::cc
