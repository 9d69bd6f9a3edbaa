// The older core's integer expressions: signed 32-bit values, five levels
// from logical down to primary, every level left to right and both operands
// always evaluated. Bitwise or and exclusive or bind like addition, bitwise
// and and the shifts like multiplication. Reads at reader.pos.
#include <cctype>
#include <cstring>
#include <string>

#include "debugger/engine/core.h"
#include "debugger/engine/core_state.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "support/number_text.h"

namespace vy {

// Parentheses, brackets and unary operators nest at most this deep; deeper
// input is a stack overflow, never a stack exhausted.
constexpr int EVALDEPTH = 200;

static int depth;
static uint32_t errorcount;

uint32_t coreevalerrors() { return errorcount; }

// An error of the expression: reported only while statements execute (a
// skipped statement is read silently).
static void evalerror(int id) {
    ++errorcount;
    if (coreexecuting()) coreerror(id);
}

static char at(int k = 0) { return reader.pos[k]; }
static void skip() { reader.pos = skipwhite(reader.pos); }

bool endofarg() {
    skip();
    char c = at();
    return c == '\0' || c == ';' || c == ',' || c == '}' || c == '\n';
}

uint16_t rddecimal() {
    uint16_t value = 0;
    while (std::isdigit(static_cast<unsigned char>(at()))) value = static_cast<uint16_t>(value * 10 + (*reader.pos++ - '0'));
    return value;
}

static int32_t logical();

// Arithmetic wraps in 32 bits; division never traps.
static int32_t wrap(uint32_t v) { return static_cast<int32_t>(v); }

static int32_t divide(int32_t a, int32_t b, char op) {
    if (b == 0) {
        evalerror(MSG_ZERODIVIDE);
        return a;
    }
    if (b == -1) return op == '/' ? wrap(0u - static_cast<uint32_t>(a)) : 0;
    return op == '/' ? a / b : a % b;
}

static int32_t shift(int32_t a, int32_t b, bool left) {
    int n = b & 31;
    if (left) return wrap(static_cast<uint32_t>(a) << n);
    return a >> n;   // arithmetic
}

// "name": a symbol; unknown, -1 in a listing, else an error while executing.
static int32_t symbolvalue(const char* name) {
    if (SymRec* s = rensym(name)) return static_cast<int32_t>(s->value);
    if (runflags.listing) return -1;
    evalerror(MSG_SYMBOLNOTFOUND);
    return 0;
}

static int32_t registervalue() {
    char name[64];
    if (!rdident(name, 63)) return 0;
    for (char* c = name; *c; ++c) *c = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    uint16_t code = regcode(name);
    if (!code) {
        evalerror(MSG_UNKNOWNREG);
        return 0;
    }
    return static_cast<int32_t>(getreg(code) & 0xFFFF);
}

// '@' [file] [':'] line ['.' column]
static int32_t linevalue() {
    std::string file;
    if (!std::isdigit(static_cast<unsigned char>(at())) && at() != ':') {
        char name[256];
        if (!rdident(name, 255)) return 0;
        file = name;
    }
    if (at() == ':') ++reader.pos;
    if (!std::isdigit(static_cast<unsigned char>(at()))) {
        evalerror(MSG_SYNTAX);
        return 0;
    }
    uint32_t line = rddecimal(), column = 0;
    if (at() == '.') {
        ++reader.pos;
        if (!std::isdigit(static_cast<unsigned char>(at()))) {
            evalerror(MSG_SYNTAX);
            return 0;
        }
        column = rddecimal();
    }
    if (!coreexecuting()) return 0;
    return static_cast<int32_t>(corelineaddr(file.empty() ? nullptr : file.c_str(), line, column));
}

// '[' expression ']' ['.b' | '.w' | '.l']
static int32_t memoryvalue() {
    auto address = static_cast<uint16_t>(logical());
    skip();
    if (at() != ']') {
        evalerror(MSG_SYNTAX);
        return 0;
    }
    ++reader.pos;
    char size = 'b';
    if (at() == '.') {
        size = static_cast<char>(std::tolower(static_cast<unsigned char>(at(1))));
        reader.pos += at(1) ? 2 : 1;
        if (size != 'b' && size != 'w' && size != 'l') {
            evalerror(MSG_BADSIZE);
            size = 'b';
        }
    }
    if (size == 'w') return rdword(address);
    if (size == 'l') return static_cast<int32_t>(rdlong(address));
    return rdbyte(address);
}

// '\' digit or '\(' expression ')': an argument of the running macro.
static int32_t argumentvalue() {
    int32_t n;
    if (at() == '(') {
        ++reader.pos;
        n = logical();
        skip();
        if (at() == ')') ++reader.pos;
        else evalerror(MSG_SYNTAX);
    } else if (std::isdigit(static_cast<unsigned char>(at()))) {
        n = *reader.pos++ - '0';
    } else {
        evalerror(MSG_SYNTAX);
        return 0;
    }
    int32_t value = 0;
    if (macroargument(n, value)) return value;
    if (coreexecuting()) {
        ++errorcount;
        corefatal(MSG_BADARG);
    }
    return 0;
}

// '?': a line read from the input, evaluated, while executing.
static int32_t askedvalue() {
    if (!coreexecuting()) return 0;
    std::string line;
    coreprompt("?> ");
    if (!rdline(line)) return 0;
    const char* saved = reader.pos;
    reader.pos = line.c_str();
    int32_t value = logical();
    reader.pos = saved;
    return value;
}

static bool namestart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

static int32_t primary() {
    skip();
    if (coreabandoned()) return 0;
    if (++depth > EVALDEPTH) {
        --depth;
        corefatal(MSG_STACKOVERFLOW);
        return 0;
    }
    int32_t value = 0;
    char c = at();
    if (c == '!') {
        ++reader.pos;
        value = primary() == 0;
    } else if (c == '~') {
        ++reader.pos;
        value = ~primary();
    } else if (c == '\'') {
        // The characters packed high byte first; no escapes.
        uint32_t packed = 0;
        for (++reader.pos; at() && at() != '\''; ++reader.pos) packed = packed * 256 + static_cast<unsigned char>(at());
        if (at() == '\'') ++reader.pos;
        value = wrap(packed);
    } else if (c == '(') {
        ++reader.pos;
        value = logical();
        skip();
        if (at() == ')') ++reader.pos;
        else evalerror(MSG_SYNTAX);
    } else if (c == '?') {
        ++reader.pos;
        value = askedvalue();
    } else if (c == '@') {
        ++reader.pos;
        value = linevalue();
    } else if (c == '[') {
        ++reader.pos;
        value = memoryvalue();
    } else if (c == '\\') {
        ++reader.pos;
        value = argumentvalue();
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
        int32_t n = scanlong(reader.pos, static_cast<int32_t>(std::strlen(reader.pos)), value, 1);
        reader.pos += n > 0 ? n : 1;
    } else if (c == '$') {
        ++reader.pos;
        value = registervalue();
    } else if (namestart(c)) {
        char name[64];
        if (rdident(name, 63)) value = symbolvalue(name);
        else ++errorcount;
    } else {
        evalerror(MSG_SYNTAX);
    }
    --depth;
    return value;
}

static int32_t multiplicative() {
    int32_t value = primary();
    for (;;) {
        skip();
        char c = at(), d = c ? at(1) : '\0';
        if (c == '*') {
            ++reader.pos;
            value = wrap(static_cast<uint32_t>(value) * static_cast<uint32_t>(primary()));
        } else if (c == '/' || c == '%') {
            ++reader.pos;
            value = divide(value, primary(), c);
        } else if (c == '&' && d != '&') {
            ++reader.pos;
            value &= primary();
        } else if ((c == '<' || c == '>') && d == c) {
            reader.pos += 2;
            value = shift(value, primary(), c == '<');
        } else {
            return value;
        }
    }
}

static int32_t additive() {
    skip();
    bool negate = false;
    if (at() == '-' || at() == '+') negate = *reader.pos++ == '-';
    int32_t value = multiplicative();
    if (negate) value = wrap(0u - static_cast<uint32_t>(value));
    for (;;) {
        skip();
        char c = at(), d = c ? at(1) : '\0';
        if (c == '+') {
            ++reader.pos;
            value = wrap(static_cast<uint32_t>(value) + static_cast<uint32_t>(multiplicative()));
        } else if (c == '-') {
            ++reader.pos;
            value = wrap(static_cast<uint32_t>(value) - static_cast<uint32_t>(multiplicative()));
        } else if (c == '|' && d != '|') {
            ++reader.pos;
            value |= multiplicative();
        } else if (c == '^') {
            ++reader.pos;
            value ^= multiplicative();
        } else {
            return value;
        }
    }
}

static int32_t relational() {
    int32_t value = additive();
    for (;;) {
        skip();
        char c = at(), d = c ? at(1) : '\0';
        int32_t right;
        if (c == '<' && d == '=') {
            reader.pos += 2;
            right = additive();
            value = value <= right;
        } else if (c == '>' && d == '=') {
            reader.pos += 2;
            right = additive();
            value = value >= right;
        } else if (c == '=' && d == '=') {
            reader.pos += 2;
            right = additive();
            value = value == right;
        } else if (c == '!' && d == '=') {
            reader.pos += 2;
            right = additive();
            value = value != right;
        } else if (c == '<') {
            ++reader.pos;
            right = additive();
            value = value < right;
        } else if (c == '>') {
            ++reader.pos;
            right = additive();
            value = value > right;
        } else {
            return value;   // a single '=' or '!' ends the expression
        }
    }
}

static int32_t logical() {
    int32_t value = relational();
    for (;;) {
        skip();
        char c = at();
        if ((c == '&' || c == '|') && at(1) == c) {
            reader.pos += 2;
            int32_t right = relational();
            value = c == '&' ? (value != 0 && right != 0) : (value != 0 || right != 0);
        } else {
            return value;
        }
    }
}

int32_t evalexpr() { return logical(); }

}  // namespace vy
