// The expression evaluator: tokens, the grammar (precedence climbing over a
// unary expression with its postfix operators) and C's operators on the
// values of the simulated target.
#include "debugger/engine/evaluator.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "debugger/engine/hooks.h"
#include "debugger/engine/location.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/scan.h"
#include "debugger/engine/typecode.h"
#include "debugger/target/messages.h"
#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"
#include "support/double_text.h"
#include "support/number_text.h"

namespace vy {

bool exprassign = true;

namespace {

// Nesting of unary expressions (prefix operators, parentheses, casts,
// indexes) beyond which an expression is refused: no text, however deep,
// exhausts the stack.
constexpr int MAXDEPTH = 128;
// The largest element count that "[i#n]" prints.
constexpr int32_t MAXCOUNT = 65536;

enum Tok : uint8_t {
    TK_END, TK_INT, TK_REAL, TK_NAME, TK_DOT, TK_ARROW, TK_LP, TK_RP, TK_LB, TK_RB, TK_HASH,
    TK_NOT, TK_TILDE, TK_STAR, TK_AMP, TK_PLUS, TK_MINUS, TK_SLASH, TK_PERCENT, TK_SHL, TK_SHR,
    TK_LT, TK_LE, TK_GT, TK_GE, TK_EQ, TK_NE, TK_XOR, TK_BAR, TK_ANDAND, TK_OROR, TK_ASSIGN, TK_BAD,
};

struct Token {
    Tok kind = TK_END;
    const char* start = nullptr;
    int32_t integer = 0;
    double real = 0;
};

// A name as the location parser reads it: a plain name, a function form
// "name()", or a form qualified by a file or function ("f.c:x", "main():i").
struct NameRef {
    std::string name, file, function;
    bool hasname = false, hasfile = false, hasfunction = false;
    bool call = false;        // "name()"
    bool qualified = false;   // a form with ':'
};

// A value while it is being computed.
struct Val {
    uint16_t address = 0;
    uint32_t type = T_INT;
    uint16_t aux = 0;
    const TypeDetail* detail = nullptr;
    std::shared_ptr<TypeDetail> own;   // holds the detail when this value made it
    int32_t i = 0;
    double d = 0;
    uint32_t count = 0;
    uint8_t storage = ST_VALUE;
    bool known = true;               // the value was computed, not left unread
    std::string symbol;              // a debugger variable's symbol

    void setdetail(TypeDetail* nd) {
        own.reset(nd);
        detail = nd;
    }
};

struct Parser {
    const char* pos = nullptr;
    bool haspushed = false;
    Token pushed;
    int error = 0;
    bool evaluate = true;
    bool noeffects = false;   // inside sizeof: nothing is assigned
    int depth = 0;
    NameRef name;             // the name of the last name token
    // Where the word at a position ends and where its next ':' stands,
    // found once per stretch of text so that reading names stays linear.
    const char* wordfrom = nullptr;
    const char* wordend = nullptr;
    const char* colonfrom = nullptr;
    const char* colonat = nullptr;
};

Parser P;

Val parsebinary(int minprec);
Val parseunary();

void seterror(int e) {
    if (!P.error) P.error = e;
}

// ---------------------------------------------------------------------------
// Tokens

bool endsword(char c) { return c == '\0' || static_cast<signed char>(c) < 33 || c == 127 || c == ';'; }
bool namestart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '$'; }
// A ':' starts a name too: a line form without its file (":x").
bool identch(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'; }

const char* endofword(const char* p) {
    if (!(P.wordfrom && P.wordfrom <= p && p <= P.wordend)) {
        const char* q = p;
        while (!endsword(*q)) ++q;
        P.wordfrom = p;
        P.wordend = q;
    }
    return P.wordend;
}

// The next ':' at or after p, or null.
const char* nextcolon(const char* p) {
    if (!(P.colonfrom && P.colonfrom <= p && (!P.colonat || p <= P.colonat))) {
        P.colonfrom = p;
        P.colonat = std::strchr(p, ':');
    }
    return P.colonat;
}

// Whether the word at p has the colon of a line form (the location parser's
// rule: any ':' of the word but one in second place that is followed by
// something other than a digit or the word's end).
bool haslinecolon(const char* p) {
    const char* end = endofword(p);
    const char* c = nextcolon(p);
    if (!c || c >= end) return false;
    if (c - p != 1) return true;
    char next = c[1];
    if (endsword(next) || std::isdigit(static_cast<unsigned char>(next))) return true;
    c = nextcolon(c + 1);
    return c && c < end;
}

void readname() {
    NameRef& n = P.name;
    n = NameRef{};
    const char* p = P.pos;
    if (!haslinecolon(p)) {
        // No line form: the name is the run of name characters (and '@').
        const char* q = p;
        while (identch(*q) || *q == '@') ++q;
        n.name.assign(p, q);
        n.hasname = true;
        if (q[0] == '(' && q[1] == ')') {
            n.call = true;
            q += 2;
        }
        P.pos = q;
        return;
    }
    LocationSpec r;
    P.pos = parseloc(p, r);
    n.qualified = true;
    if (r.name) n.name = r.name, n.hasname = true;
    if (r.file) n.file = r.file, n.hasfile = true;
    if (r.function) n.function = r.function, n.hasfunction = true;
}

// A constant: an integer by the support library's scanner, read again as a
// double when '.', 'e' or 'E' follows it.
void readnumber(Token& t) {
    const char* p = P.pos;
    const char* q = p;
    while (std::isalnum(static_cast<unsigned char>(*q))) ++q;
    int32_t v = 0;
    int32_t used = scanlong(p, static_cast<int32_t>(q - p), v, 1);
    if (used <= 0) used = 1;
    char after = p[used];
    if (after == '.' || after == 'e' || after == 'E') {
        const char* r = p;
        while (std::isdigit(static_cast<unsigned char>(*r))) ++r;
        if (*r == '.')
            for (++r; std::isdigit(static_cast<unsigned char>(*r));) ++r;
        if ((*r == 'e' || *r == 'E')) {
            const char* s = r + 1;
            if (*s == '+' || *s == '-') ++s;
            if (std::isdigit(static_cast<unsigned char>(*s))) {
                while (std::isdigit(static_cast<unsigned char>(*s))) ++s;
                r = s;
            }
        }
        double d = 0;
        int32_t n = scandouble(p, static_cast<int32_t>(r - p), d);
        t.kind = TK_REAL;
        t.real = d;
        P.pos = p + (n > 0 ? n : used);
        return;
    }
    t.kind = TK_INT;
    t.integer = v;
    P.pos = p + used;
}

// 'abc': the characters shifted in from the right, no escapes.
void readcharconst(Token& t) {
    const char* p = P.pos + 1;
    uint32_t v = 0;
    while (*p && *p != '\'') v = v << 8 | static_cast<unsigned char>(*p++);
    t.kind = TK_INT;
    t.integer = static_cast<int32_t>(v);
    if (*p == '\'') {
        P.pos = p + 1;
    } else {
        seterror(MSG_SYNTAX);
        P.pos = p;
    }
}

Token next() {
    if (P.haspushed) {
        P.haspushed = false;
        return P.pushed;
    }
    while (*P.pos == ' ' || *P.pos == '\t') ++P.pos;
    Token t;
    t.start = P.pos;
    const char* p = P.pos;
    char c = *p;
    auto op = [&](Tok k, int length) {
        t.kind = k;
        P.pos = p + length;
        return t;
    };
    switch (c) {
    case '\0': case '"': case ',': case ';': case '?': case '{':
        t.kind = TK_END;
        return t;
    case '=':
        if (p[1] == '=') return op(TK_EQ, 2);
        if (!exprassign) {
            t.kind = TK_END;
            return t;
        }
        return op(TK_ASSIGN, 1);
    case '(': return op(TK_LP, 1);
    case ')': return op(TK_RP, 1);
    case '[': return op(TK_LB, 1);
    case ']': return op(TK_RB, 1);
    case '.': return op(TK_DOT, 1);
    case '#': return op(TK_HASH, 1);
    case '~': return op(TK_TILDE, 1);
    case '*': return op(TK_STAR, 1);
    case '/': return op(TK_SLASH, 1);
    case '%': return op(TK_PERCENT, 1);
    case '+': return op(TK_PLUS, 1);
    case '^': return op(TK_XOR, 1);
    case '!': return p[1] == '=' ? op(TK_NE, 2) : op(TK_NOT, 1);
    case '-': return p[1] == '>' ? op(TK_ARROW, 2) : op(TK_MINUS, 1);
    case '&': return p[1] == '&' ? op(TK_ANDAND, 2) : op(TK_AMP, 1);
    case '|': return p[1] == '|' ? op(TK_OROR, 2) : op(TK_BAR, 1);
    case '<': return p[1] == '<' ? op(TK_SHL, 2) : p[1] == '=' ? op(TK_LE, 2) : op(TK_LT, 1);
    case '>': return p[1] == '>' ? op(TK_SHR, 2) : p[1] == '=' ? op(TK_GE, 2) : op(TK_GT, 1);
    case '\'':
        readcharconst(t);
        return t;
    default: break;
    }
    if (std::isdigit(static_cast<unsigned char>(c))) {
        readnumber(t);
        return t;
    }
    if (namestart(c) || c == ':') {
        readname();
        t.kind = TK_NAME;
        return t;
    }
    return op(TK_BAD, 1);
}

void pushback(const Token& t) {
    if (P.haspushed) {
        seterror(MSG_INTERNAL);
        return;
    }
    P.haspushed = true;
    P.pushed = t;
}

bool expect(Tok k) {
    Token t = next();
    if (t.kind == k) return true;
    seterror(MSG_SYNTAX);
    pushback(t);
    return false;
}

// Passes over the rest of the expression without reading it: the end of
// an expression that nests too deeply.
void skiprest() {
    P.haspushed = false;
    const char* p = P.pos;
    while (*p && !std::strchr("\",;?{", *p)) {
        if (*p == '=' && !exprassign) {
            bool part = p[1] == '=' || (p > P.pos && std::strchr("=!<>", p[-1]));
            if (!part) break;
        }
        ++p;
    }
    P.pos = p;
}

// ---------------------------------------------------------------------------
// Values

int32_t asint(const Val& v) {
    if (!isfloating(v.type)) return v.i;
    double d = v.d;
    if (std::isnan(d)) return 0;
    if (d >= 2147483647.0) return INT32_MAX;
    if (d <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(d);
}

double asdouble(const Val& v) {
    if (isfloating(v.type)) return v.d;
    if (basetype(v.type) == T_ULONG && topderiv(v.type) == DERIV_NONE) return static_cast<uint32_t>(v.i);
    return v.i;
}

Val intval(int32_t value, uint32_t type = T_INT) {
    Val v;
    v.type = type;
    v.i = value;
    return v;
}

ResultRecord asrecord(const Val& v) {
    ResultRecord r{};
    r.address = v.address;
    r.type = v.type;
    r.aux = v.aux;
    r.detail = v.detail;
    r.storage = v.storage;
    r.count = v.count;
    if (isfloating(v.type)) r.value.real = v.d;
    else r.value.integer = v.i;
    return r;
}

// Loads an object's value from the target: aggregates, functions and
// records of class 18 keep their address as the value.
void fetch(Val& v) {
    if (!P.evaluate) {
        v.known = false;
        return;
    }
    v.known = true;
    if (isaggregate(v.type) || topderiv(v.type) == DERIV_FUNCTION || v.storage == 18) {
        v.i = v.address;
        return;
    }
    ResultRecord r = asrecord(v);
    names().readvalue(r);
    if (isfloating(v.type)) v.d = r.value.real;
    else v.i = r.value.integer;
}

// An enumeration counts as int in arithmetic.
uint32_t arithtype(uint32_t type) {
    if (topderiv(type) == DERIV_NONE && isenum(basetype(type))) return T_INT;
    return type;
}

// The type of a promoted integer operand: unsigned long and long stay, the
// unsigned 16-bit types are unsigned int, all others int. Arithmetic is in
// 32 bits: unsigned when unsigned long takes part, else signed.
uint32_t promote(uint32_t type) {
    switch (basetype(type)) {
    case T_ULONG: return T_ULONG;
    case T_LONG: case T_LONGFIELD: return T_LONG;
    case T_USHORT: case T_UINT: return T_UINT;
    default: return T_INT;
    }
}

uint32_t commontype(uint32_t a, uint32_t b) {
    a = promote(a);
    b = promote(b);
    if (a == T_ULONG || b == T_ULONG) return T_ULONG;
    if (a == T_LONG || b == T_LONG) return T_LONG;
    if (a == T_UINT || b == T_UINT) return T_UINT;
    return T_INT;
}

// A value with the outermost pointer or array derivation removed.
void dropone(Val& v) {
    uint32_t type = v.type;
    if (v.detail) v.setdetail(dropdetail(type, v.detail));
    v.type = dropderiv(type);
    v.aux = (v.aux & 0x8000) && v.detail && !v.detail->words.empty() ? static_cast<uint16_t>(v.detail->words[0]) : 0;
}

uint32_t elementsize(const Val& v) {
    std::unique_ptr<TypeDetail> d(dropdetail(v.type, v.detail));
    return sizeoftype(dropderiv(v.type), d.get());
}

// An array as a pointer to its first element.
void decay(Val& v) {
    if (topderiv(v.type) != DERIV_ARRAY) return;
    if (v.detail) {
        std::unique_ptr<TypeDetail> element(dropdetail(v.type, v.detail));
        v.setdetail(pointerdetail(dropderiv(v.type), element.get(), 0));
    }
    v.type = (v.type & ~0xC0000000u) | 0x40000000u;
    v.i = v.address;
}

void deref(Val& v) {
    if (!ispointerlike(v.type)) {
        seterror(MSG_ILLEGALTYPE);
        return;
    }
    if (topderiv(v.type) == DERIV_POINTER) v.address = static_cast<uint16_t>(v.i);
    dropone(v);
    v.storage = ST_MEMORY;
    v.count = 0;
    v.symbol.clear();
    fetch(v);
}

// ---------------------------------------------------------------------------
// Names

bool readregister(const std::string& name, Val& v) {
    std::string lower;
    for (char c : name.substr(1)) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "time") {
        v = intval(static_cast<int32_t>(timeptr ? *timeptr : 0));
        v.storage = ST_CYCLES;
        v.address = 1;
        return true;
    }
    uint16_t code = regcode(lower.c_str());
    if (!code) return false;
    v = intval(static_cast<int32_t>(getreg(code)));
    v.storage = ST_REGISTER;
    v.address = code;
    return true;
}

Val debugvariable() {
    Token t = next();
    if (t.kind != TK_NAME || P.name.qualified || P.name.call || !P.name.hasname) {
        seterror(MSG_BADVARIABLE);
        if (t.kind != TK_NAME) pushback(t);
        return intval(0);
    }
    std::string symbol = ".." + P.name.name;
    SymRec* s = rensym(symbol.c_str());
    if (!s) s = defsym(symbol.c_str(), 0);
    Val v = intval(static_cast<int32_t>(s->value));
    v.storage = ST_DEBUGVAR;
    v.symbol = symbol;
    return v;
}

Val fromvariable(const VarRef& var) {
    Val v;
    v.address = var.address;
    v.type = var.type;
    v.detail = var.detail;
    v.aux = var.aux;
    v.storage = var.storage;
    fetch(v);
    return v;
}

Val sizeofexpr();

Val lookupname() {
    NameRef n = P.name;
    if (n.qualified) {
        if (!n.hasname) {
            seterror(MSG_BADVARIABLE);
            return intval(0);
        }
        VarRef var{};
        int e = names().variable(n.hasfile ? n.file.c_str() : nullptr, n.hasfunction ? n.function.c_str() : nullptr,
                                 n.name.c_str(), P.evaluate, var);
        if (e == 0 || e == MSG_NOTADDRESSABLE) {
            seterror(e);
            return fromvariable(var);
        }
        seterror(e < 0 ? MSG_NOACCESS : e);
        return intval(0);
    }
    const char* name = n.name.c_str();
    Val v;
    if (name[0] == '$' && !n.call) {
        if (!readregister(n.name, v)) seterror(MSG_NOACCESS);
        return v;
    }
    uint16_t start = 0;
    uint32_t ftype = 0;
    if (names().function(name, start, ftype)) {
        v = intval(start, addderiv(ftype, DERIV_POINTER));
        return v;
    }
    if (n.call) {
        seterror(MSG_NOACCESS);
        return intval(0);
    }
    if (n.name == "sizeof") {
        const char* p = skipblanks(P.pos);
        if (*p == '(' && !P.haspushed) return sizeofexpr();
    }
    VarRef var{};
    // A variable without an address (a local held in a register) is still
    // found, with its message.
    int e = names().variable(nullptr, nullptr, name, P.evaluate, var);
    if (e == 0 || e == MSG_NOTADDRESSABLE) {
        seterror(e);
        return fromvariable(var);
    }
    if (e > 0) {
        seterror(e);
        return intval(0);
    }
    if (SymRec* s = rensym(name)) {
        v = intval(static_cast<int32_t>(s->value));
        v.address = static_cast<uint16_t>(s->value);
        v.storage = ST_SYMBOL;
        return v;
    }
    if (SymRec* s = rensym(("_" + n.name).c_str())) {
        v.type = T_UCHAR;
        v.address = static_cast<uint16_t>(s->value);
        v.storage = ST_UNDERSCORE;
        fetch(v);
        return v;
    }
    seterror(MSG_NOACCESS);
    return intval(0);
}

// ---------------------------------------------------------------------------
// Type names of casts and sizeof

enum : uint32_t {
    KW_CHAR = 1, KW_SHORT = 2, KW_INT = 4, KW_LONG = 8, KW_FLOAT = 16, KW_DOUBLE = 32, KW_SIGNED = 64,
    KW_UNSIGNED = 128, KW_CONST = 256, KW_VOLATILE = 512, KW_VOID = 1024, KW_STRUCT = 2048, KW_UNION = 4096,
    KW_ENUM = 8192, KW_TYPEDEF = 32768,
};

const char* const keywords[] = {"char", "short", "int", "long", "float", "double", "signed", "unsigned",
                                "const", "volatile", "void", "struct", "union", "enum"};

// The accepted keyword sets (const and volatile dropped) with the type each
// names.
struct TypeWords {
    uint32_t mask;
    uint8_t base;
};
const TypeWords typewords[] = {
    {KW_CHAR, T_UCHAR}, {KW_SIGNED | KW_CHAR, T_CHAR}, {KW_UNSIGNED | KW_CHAR, T_UCHAR},
    {KW_SHORT, T_SHORT}, {KW_SIGNED | KW_SHORT, T_SHORT}, {KW_UNSIGNED | KW_SHORT, T_USHORT},
    {KW_SHORT | KW_INT, T_SHORT}, {KW_SIGNED | KW_SHORT | KW_INT, T_SHORT}, {KW_UNSIGNED | KW_SHORT | KW_INT, T_USHORT},
    {KW_INT, T_SHORT}, {KW_SIGNED | KW_INT, T_SHORT}, {KW_UNSIGNED | KW_INT, T_USHORT},
    {KW_SIGNED, T_SHORT}, {KW_UNSIGNED, T_USHORT},
    {KW_LONG, T_LONG}, {KW_SIGNED | KW_LONG, T_LONG}, {KW_UNSIGNED | KW_LONG, T_ULONG},
    {KW_LONG | KW_INT, T_LONG}, {KW_SIGNED | KW_LONG | KW_INT, T_LONG}, {KW_UNSIGNED | KW_LONG | KW_INT, T_ULONG},
    {KW_FLOAT, T_FLOAT}, {KW_DOUBLE, T_DOUBLE}, {KW_LONG | KW_DOUBLE, T_LDOUBLE}, {KW_VOID, T_VOID},
};

// A type name as a cast or sizeof writes it.
struct TypeName {
    uint32_t type = 0;
    std::shared_ptr<TypeDetail> detail;   // a copy of the typedef's or tag's
    int stars = 0;
    bool named = false;   // a structure, union, enumeration or typedef
};

// Reads a type name and its ')' at P.pos; without one, leaves the position.
bool readtypename(TypeName& tn) {
    if (P.haspushed) return false;
    const char* p = P.pos;
    uint32_t mask = 0;
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (!namestart(*p) || *p == '$') break;
        const char* q = p;
        while (identch(*q)) ++q;
        std::string word(p, q);
        uint32_t bit = 0;
        for (std::size_t k = 0; k < std::size(keywords); ++k)
            if (word == keywords[k]) bit = 1u << k;
        if (bit & (KW_STRUCT | KW_UNION | KW_ENUM)) {
            while (*q == ' ' || *q == '\t') ++q;
            const char* e = q;
            while (identch(*e)) ++e;
            std::string tag(q, e);
            uint8_t kind = bit == KW_STRUCT ? T_STRUCT : bit == KW_UNION ? T_UNION : T_ENUM;
            TypeDetail detail;
            if (tag.empty() || !names().tag(kind, tag.c_str(), tn.type, detail)) return false;
            tn.detail = std::make_shared<TypeDetail>(detail);
            tn.named = true;
            q = e;
        } else if (!bit) {
            // A typedef name can only be followed by '*' or ')': other
            // words in parentheses are not looked up among the types.
            const char* after = q;
            while (*after == ' ' || *after == '\t') ++after;
            if ((mask & ~(KW_CONST | KW_VOLATILE)) || (*after != '*' && *after != ')')) return false;
            TypeDetail detail;
            if (!names().typedefname(word.c_str(), tn.type, detail)) return false;
            tn.detail = std::make_shared<TypeDetail>(detail);
            tn.named = true;
            bit = KW_TYPEDEF;
        }
        mask |= bit;
        p = q;
    }
    mask &= ~(KW_CONST | KW_VOLATILE);
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (*p != '*') break;
        ++tn.stars;
        ++p;
    }
    if (*p != ')' || !mask) return false;
    if (!tn.named) {
        bool found = false;
        for (const TypeWords& w : typewords)
            if (w.mask == mask) tn.type = w.base, found = true;
        if (!found) return false;
    } else if (mask != KW_STRUCT && mask != KW_UNION && mask != KW_ENUM && mask != KW_TYPEDEF) {
        return false;
    }
    P.pos = p + 1;
    return true;
}

// The type with the type name's pointers added outside.
void starred(const TypeName& tn, Val& v) {
    uint32_t type = tn.type;
    std::shared_ptr<TypeDetail> detail = tn.detail;
    for (int k = 0; k < tn.stars; ++k) {
        detail.reset(pointerdetail(type, detail.get(), 0));
        type = addderiv(type, DERIV_POINTER);
    }
    v.type = type;
    v.own = detail;
    v.detail = detail.get();
}

Val cast(const TypeName& tn, Val v) {
    uint8_t base = basetype(tn.type);
    bool aggregate = topderiv(tn.type) == DERIV_NONE && (base == T_STRUCT || base == T_UNION || isenum(base));
    bool operandaggregate = topderiv(v.type) == DERIV_NONE &&
                            (basetype(v.type) == T_STRUCT || basetype(v.type) == T_UNION || isenum(basetype(v.type)));
    v.storage = ST_VALUE;
    v.count = 0;
    v.symbol.clear();
    if (tn.stars > 0 || topderiv(tn.type) == DERIV_POINTER) {
        if (aggregate && isfloating(v.type)) {
            seterror(MSG_SYNTAX);
            return v;
        }
        if (topderiv(v.type) == DERIV_ARRAY) decay(v);
        int32_t value = asint(v);
        starred(tn, v);
        v.i = value;
        return v;
    }
    if (aggregate || operandaggregate || topderiv(tn.type) != DERIV_NONE) {
        seterror(MSG_SYNTAX);
        return v;
    }
    if (topderiv(v.type) == DERIV_ARRAY) decay(v);
    double real = asdouble(v);
    int32_t value = asint(v);
    starred(tn, v);
    switch (base) {
    case T_CHAR: case T_SCHAR: v.i = static_cast<int8_t>(value); break;
    case T_UCHAR: v.i = value & 0xFF; break;
    case T_SHORT: case T_INT: v.i = static_cast<int16_t>(value); break;
    case T_USHORT: case T_UINT: v.i = value & 0xFFFF; break;
    case T_FLOAT: {
        bool fits = !std::isfinite(real) || std::fabs(real) <= 3.4028234663852886e+38;
        v.d = fits ? static_cast<float>(real) : real;
        break;
    }
    case T_DOUBLE: case T_LDOUBLE: v.d = real; break;
    default: v.i = value; break;
    }
    return v;
}

Val sizeofexpr() {
    next();   // the '('
    TypeName tn;
    if (readtypename(tn)) {
        Val t;
        starred(tn, t);
        return intval(static_cast<int32_t>(sizeoftype(t.type, t.detail)));
    }
    bool evaluate = P.evaluate, noeffects = P.noeffects;
    P.evaluate = false;
    P.noeffects = true;
    Val v = parsebinary(1);
    P.evaluate = evaluate;
    P.noeffects = noeffects;
    expect(TK_RP);
    return intval(static_cast<int32_t>(sizeoftype(v.type, v.detail)));
}

// ---------------------------------------------------------------------------
// Operators

Val unaryop(Tok op, Val v) {
    v.count = 0;
    v.symbol.clear();
    switch (op) {
    case TK_HASH:
        v.storage = ST_VALUE;
        return v;
    case TK_STAR:
        deref(v);
        return v;
    case TK_AMP: {
        static const uint8_t refused[] = {0, 4, 5, 7, 12, 13, 15, 20, 24};
        for (uint8_t s : refused)
            if (v.storage == s) {
                seterror(MSG_NOTADDRESSABLE);
                v.storage = ST_VALUE;
                return v;
            }
        v.setdetail(pointerdetail(v.type, v.detail, 0));
        v.type = addderiv(v.type, DERIV_POINTER);
        v.i = v.address;
        v.storage = ST_VALUE;
        return v;
    }
    default: break;
    }
    v.storage = ST_VALUE;
    uint32_t type = arithtype(v.type);
    if (op == TK_NOT || op == TK_TILDE) {
        if (!isintegral(type)) {
            seterror(MSG_ILLEGALTYPE);
            return v;
        }
        if (op == TK_NOT) return intval(v.i == 0);
        return intval(~v.i, promote(type));
    }
    // Plus and minus.
    if (topderiv(type) != DERIV_NONE || basetype(type) >= 43) {
        seterror(MSG_ILLEGALTYPE);
        return v;
    }
    if (isfloating(type)) {
        if (op == TK_MINUS) v.d = -v.d;
        return v;
    }
    int32_t value = op == TK_MINUS ? static_cast<int32_t>(0u - static_cast<uint32_t>(v.i)) : v.i;
    Val r = intval(value, promote(type));
    r.known = v.known;
    return r;
}

bool isrelation(Tok op) { return op == TK_LT || op == TK_LE || op == TK_GT || op == TK_GE || op == TK_EQ || op == TK_NE; }

template <class T>
int32_t compare(Tok op, T a, T b) {
    switch (op) {
    case TK_LT: return a < b;
    case TK_LE: return a <= b;
    case TK_GT: return a > b;
    case TK_GE: return a >= b;
    case TK_EQ: return a == b;
    default: return a != b;
    }
}

Val assign(Val left, const Val& right);

Val pointerop(Tok op, Val l, Val r) {
    bool lp = ispointerlike(l.type), rp = ispointerlike(r.type);
    if (op == TK_ASSIGN) {
        bool zero = isintegral(arithtype(r.type)) && r.i == 0;
        if (!lp || topderiv(l.type) == DERIV_ARRAY) {
            seterror(lp ? MSG_NOTUPDATABLE : MSG_ILLEGALTYPE);
            return l;
        }
        decay(r);
        if (!(rp && r.type == l.type) && !zero) {
            seterror(MSG_ILLEGALTYPE);
            return l;
        }
        return assign(l, r);
    }
    decay(l);
    decay(r);
    if ((lp && !rp && !isintegral(arithtype(r.type))) || (rp && !lp && !isintegral(arithtype(l.type)))) {
        seterror(MSG_ILLEGALTYPE);
        return l;
    }
    Val result = lp ? l : r;
    result.storage = ST_VALUE;
    result.count = 0;
    result.symbol.clear();
    result.known = l.known && r.known;
    switch (op) {
    case TK_PLUS:
        if (lp && rp) break;
        result.i = static_cast<int32_t>(static_cast<uint32_t>(lp ? l.i : r.i) +
                                        static_cast<uint32_t>(lp ? r.i : l.i) * elementsize(result));
        return result;
    case TK_MINUS:
        if (!lp) break;
        if (!rp) {
            result.i = static_cast<int32_t>(static_cast<uint32_t>(l.i) - static_cast<uint32_t>(r.i) * elementsize(l));
            return result;
        }
        if (l.type == r.type) {
            auto size = static_cast<int32_t>(elementsize(l));
            if (size <= 0) break;
            return intval(static_cast<int32_t>(static_cast<uint32_t>(l.i) - static_cast<uint32_t>(r.i)) / size);
        }
        break;
    default:
        if (isrelation(op)) {
            if (lp && rp && l.type != r.type) break;
            return intval(compare(op, l.i, r.i));
        }
        seterror(MSG_ILLEGALOP);
        return l;
    }
    seterror(MSG_ILLEGALTYPE);
    return l;
}

Val binop(Tok op, Val l, Val r) {
    if (ispointerlike(l.type) || ispointerlike(r.type)) return pointerop(op, l, r);
    uint32_t lt = arithtype(l.type), rt = arithtype(r.type);
    bool numeric = topderiv(lt) == DERIV_NONE && topderiv(rt) == DERIV_NONE && basetype(lt) <= 42 && basetype(rt) <= 42;
    if (!numeric) {
        seterror(MSG_ILLEGALTYPE);
        return l;
    }
    if (op == TK_ASSIGN) return assign(l, r);
    bool known = l.known && r.known;
    auto truth = [](const Val& v, uint32_t t) { return isfloating(t) ? v.d != 0 : v.i != 0; };
    if (op == TK_ANDAND) return intval(truth(l, lt) && truth(r, rt));
    if (op == TK_OROR) return intval(truth(l, lt) || truth(r, rt));

    if (isfloating(lt) || isfloating(rt)) {
        double a = asdouble(l), b = asdouble(r);
        if (isrelation(op)) return intval(compare(op, a, b));
        Val v;
        v.type = T_DOUBLE;
        v.known = known;
        switch (op) {
        case TK_STAR: v.d = a * b; return v;
        case TK_PLUS: v.d = a + b; return v;
        case TK_MINUS: v.d = a - b; return v;
        case TK_SLASH:
            if (b == 0 && r.known) {
                seterror(MSG_ZERODIVIDE);
                v.d = a;
                return v;
            }
            v.d = b == 0 ? 0 : a / b;
            return v;
        default:
            seterror(MSG_ILLEGALOP);
            return l;
        }
    }

    uint32_t type = commontype(lt, rt);
    bool isunsigned = type == T_ULONG;
    uint32_t a = static_cast<uint32_t>(l.i), b = static_cast<uint32_t>(r.i);
    if (isrelation(op))
        return isunsigned ? intval(compare(op, a, b)) : intval(compare(op, l.i, r.i));
    uint32_t result = 0;
    switch (op) {
    case TK_STAR: result = a * b; break;
    case TK_PLUS: result = a + b; break;
    case TK_MINUS: result = a - b; break;
    case TK_AMP: result = a & b; break;
    case TK_XOR: result = a ^ b; break;
    case TK_BAR: result = a | b; break;
    case TK_SLASH:
    case TK_PERCENT:
        if (b == 0) {
            if (r.known) seterror(MSG_ZERODIVIDE);
            result = a;
            break;
        }
        if (isunsigned) result = op == TK_SLASH ? a / b : a % b;
        else if (l.i == INT32_MIN && r.i == -1) result = op == TK_SLASH ? a : 0;
        else result = static_cast<uint32_t>(op == TK_SLASH ? l.i / r.i : l.i % r.i);
        break;
    case TK_SHL:
    case TK_SHR: {
        // Counts of the width or more give 0, or the sign for a signed right shift.
        type = promote(lt);
        bool arithmetic = op == TK_SHR && type != T_ULONG && l.i < 0;
        if (b >= 32) result = arithmetic ? 0xFFFFFFFFu : 0;
        else if (op == TK_SHL) result = a << b;
        else if (arithmetic) result = ~(~a >> b);
        else result = a >> b;
        break;
    }
    default:
        seterror(MSG_ILLEGALOP);
        return l;
    }
    Val v = intval(static_cast<int32_t>(result), type);
    v.known = known;
    return v;
}

Val assign(Val left, const Val& right) {
    if (left.storage == ST_VALUE || isaggregate(left.type)) {
        seterror(MSG_NOTUPDATABLE);
        return left;
    }
    if (P.error || P.noeffects) return left;
    int32_t value = asint(right);
    double real = asdouble(right);
    if (isfloating(left.type)) left.d = real;
    else left.i = value;
    switch (left.storage) {
    case ST_CYCLES:
        if (left.address == 1 && timeptr) {
            *timeptr = static_cast<uint32_t>(value);
            RunStartCycles = static_cast<uint32_t>(value);
        }
        return left;
    case ST_DEBUGVAR:
        defsym(left.symbol.c_str(), static_cast<uint32_t>(value));
        return left;
    case ST_REGISTER: {
        uint16_t pc = getpc();
        setreg(left.address, static_cast<uint32_t>(value));
        left.i = static_cast<int32_t>(getreg(left.address));
        if (getpc() != pc) RegsChanged(1);
        return left;
    }
    default:
        // Without evaluating, the address of an object is not known for
        // certain: target memory is written only while evaluating.
        if (!P.evaluate) return left;
        names().writevalue(asrecord(left), value, real);
        fetch(left);
        return left;
    }
}

// ---------------------------------------------------------------------------
// Grammar

int precedence(Tok t) {
    switch (t) {
    case TK_STAR: case TK_SLASH: case TK_PERCENT: return 14;
    case TK_PLUS: case TK_MINUS: return 13;
    case TK_SHL: case TK_SHR: return 12;
    case TK_LT: case TK_LE: case TK_GT: case TK_GE: return 11;
    case TK_EQ: case TK_NE: return 10;
    case TK_AMP: return 9;
    case TK_XOR: return 8;
    case TK_BAR: return 7;
    case TK_ANDAND: return 6;
    case TK_OROR: return 5;
    case TK_ASSIGN: return 1;
    default: return 0;
    }
}

Val parsebinary(int minprec) {
    Val left = parseunary();
    for (;;) {
        Token t = next();
        int p = precedence(t.kind);
        if (p == 0 || p < minprec) {
            pushback(t);
            return left;
        }
        Val right = parsebinary(p + 1);
        left = binop(t.kind, std::move(left), std::move(right));
    }
}

// The member of a structure or union after '.' or "->".
void member(Val& v) {
    while (*P.pos == ' ' || *P.pos == '\t') ++P.pos;
    const char* p = P.pos;
    while (identch(*p)) ++p;
    std::string name(P.pos, p);
    P.pos = p;
    if (name.empty()) {
        seterror(MSG_SYNTAX);
        return;
    }
    uint8_t base = basetype(v.type);
    if (topderiv(v.type) != DERIV_NONE || (base != T_STRUCT && base != T_UNION)) {
        seterror(MSG_ILLEGALTYPE);
        return;
    }
    const LocalRec* m = findmember(v.detail, name.c_str());
    if (!m) {
        seterror(MSG_UNKNOWNFIELD);
        return;
    }
    v.address = static_cast<uint16_t>(v.address + m->value);
    v.type = m->type;
    v.own.reset();
    v.detail = m->detail;
    v.aux = m->offset5;
    v.storage = ST_MEMORY;
    v.count = 0;
    v.symbol.clear();
    fetch(v);
}

// "[i]", "[#]" and "[i#n]".
void index(Val& v) {
    bool indexable = ispointerlike(v.type);
    if (!indexable) seterror(MSG_ILLEGALTYPE);
    Token t = next();
    if (t.kind == TK_HASH) {
        if (topderiv(v.type) != DERIV_ARRAY) {
            seterror(MSG_ILLEGALTYPE);
            expect(TK_RB);
            return;
        }
        uint32_t count = derivword(v.type, v.detail, 0);
        expect(TK_RB);
        deref(v);
        v.count = count <= static_cast<uint32_t>(MAXCOUNT) ? count : static_cast<uint32_t>(MAXCOUNT);
        return;
    }
    pushback(t);
    Val i = parsebinary(1);
    if (!isintegral(arithtype(i.type))) seterror(MSG_ILLEGALTYPE);
    int32_t count = 0;
    t = next();
    if (t.kind == TK_HASH) {
        Val n = parsebinary(1);
        if (!isintegral(arithtype(n.type)) || n.i < 0 || n.i > MAXCOUNT) seterror(MSG_ILLEGALTYPE);
        else count = n.i;
    } else {
        pushback(t);
    }
    expect(TK_RB);
    if (!indexable) return;
    uint32_t size = elementsize(v);
    if (topderiv(v.type) == DERIV_POINTER) v.address = static_cast<uint16_t>(v.i);
    v.address = static_cast<uint16_t>(v.address + static_cast<uint32_t>(i.i) * size);
    dropone(v);
    v.storage = ST_MEMORY;
    v.symbol.clear();
    fetch(v);
    v.count = static_cast<uint32_t>(count);
}

void postfix(Val& v) {
    for (;;) {
        Token t = next();
        switch (t.kind) {
        case TK_DOT: member(v); break;
        case TK_ARROW:
            deref(v);
            member(v);
            break;
        case TK_LB: index(v); break;
        default:
            pushback(t);
            return;
        }
    }
}

struct Nesting {
    Nesting() { ++P.depth; }
    ~Nesting() { --P.depth; }
};

Val parseunary() {
    Nesting nesting;
    if (P.depth > MAXDEPTH) {
        seterror(MSG_NESTING);
        skiprest();
        return intval(0);
    }
    Token t = next();
    Val v;
    switch (t.kind) {
    case TK_NOT: case TK_TILDE: case TK_STAR: case TK_AMP: case TK_PLUS: case TK_MINUS: case TK_HASH:
        return unaryop(t.kind, parseunary());
    case TK_DOT:
        v = debugvariable();
        break;
    case TK_LP: {
        TypeName tn;
        if (readtypename(tn)) return cast(tn, parseunary());
        v = parsebinary(1);
        expect(TK_RP);
        break;
    }
    case TK_NAME:
        v = lookupname();
        break;
    case TK_INT:
        v = intval(t.integer);
        break;
    case TK_REAL:
        v.type = T_DOUBLE;
        v.d = t.real;
        break;
    default:
        seterror(MSG_SYNTAX);
        if (t.kind != TK_BAD) pushback(t);
        return intval(0);
    }
    postfix(v);
    return v;
}

}  // namespace

// ---------------------------------------------------------------------------
// The exported entries

int32_t intvalue(const ResultRecord* r) {
    Val v;
    v.type = r->type;
    if (isfloating(r->type)) v.d = r->value.real;
    else v.i = r->value.integer;
    return asint(v);
}

}  // namespace vy

using namespace vy;

ResultRecord* xexpr(const char** position, int* error, int evaluate) {
    Parser saved = P;
    P = Parser{};
    P.pos = *position;
    P.evaluate = evaluate != 0;
    const char* start = *position;

    Val v = parsebinary(1);
    // A token read but given back is not part of the expression, whether
    // or not it ended in an error.
    const char* end = P.haspushed ? P.pushed.start : P.pos;

    auto* r = new ResultRecord{};
    r->address = v.address;
    r->type = v.type;
    r->aux = v.aux;
    r->count = v.count;
    r->storage = v.storage;
    if (isfloating(v.type)) r->value.real = v.d;
    else r->value.integer = v.i;
    if (v.own && v.detail == v.own.get()) {
        r->detail = new TypeDetail(*v.own);
        r->owned = 1;
    } else {
        r->detail = v.detail;
    }
    r->size = v.storage != ST_VALUE ? sizeoftype(v.type, v.detail) : 0;

    // The text as written: blanks before it and blanks and control bytes
    // after it left out, and one leading ':'.
    const char* from = start;
    while (from < end && (*from == ' ' || *from == '\t')) ++from;
    if (from < end && *from == ':') ++from;
    const char* to = end;
    while (to > from && (static_cast<unsigned char>(to[-1]) <= 32 || to[-1] == 127)) --to;
    std::size_t n = static_cast<std::size_t>(to - from);
    r->text = new char[n + 2];
    std::memcpy(r->text, from, n);
    r->text[n] = '\0';
    r->text[n + 1] = static_cast<char>(v.storage ? v.storage : 9);

    *position = end;
    *error = P.error;
    P = saved;
    return r;
}

int Expression(int evaluate, const char* text, int* isfloat, int32_t* integer, double* real) {
    const char* p = text;
    int error = 0;
    ResultRecord* r = xexpr(&p, &error, evaluate);
    if (isfloating(r->type)) {
        *isfloat = 1;
        *real = r->value.real;
    } else {
        *isfloat = 0;
        *integer = r->value.integer;
    }
    if (!error && *skipblanks(p)) error = MSG_BADEXTENSION;
    xfree(r);
    return error;
}

void xfree(ResultRecord* r) {
    if (!r) return;
    delete[] r->text;
    if (r->owned) delete r->detail;
    delete r;
}
