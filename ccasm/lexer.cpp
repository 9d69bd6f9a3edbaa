// Tokens of an assembler statement: numbers, names, strings and operators.
#include "ccasm/asm.h"

namespace ccasm {
namespace {

constexpr size_t MAX_STRING = 256;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int digit_value(char c) {
    if (is_digit(c)) return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// Reads digits of one base from the line; returns false when none is there.
bool read_digits(std::string_view line, size_t& pos, int base, uint32_t& value) {
    size_t start = pos;
    value = 0;
    while (pos < line.size() && digit_value(line[pos]) < base) {
        value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit_value(line[pos]));
        ++pos;
    }
    return pos > start;
}

bool followed_by_digit(std::string_view line, size_t pos, int base) {
    return pos < line.size() && digit_value(line[pos]) < base;
}

// A number that starts with a digit: 0x.., or digits and letters a-q whose
// last one may name the base.
void read_number(Asm& a, Token& t) {
    std::string_view line = a.line;
    size_t p = a.pos;
    uint32_t value = 0;
    if (line[p] == '0' && p + 1 < line.size() && (line[p + 1] == 'x' || line[p + 1] == 'X')) {
        p += 2;
        if (!read_digits(line, p, 16, value)) t.bad = true;
        t.number = static_cast<int32_t>(value);
        a.pos = p;
        return;
    }
    size_t end = p;
    while (end < line.size() && (is_digit(line[end]) || (line[end] >= 'a' && line[end] <= 'q') ||
                                 (line[end] >= 'A' && line[end] <= 'Q')))
        ++end;
    size_t digits_end = end;
    int base = a.base;
    char last = static_cast<char>(line[end - 1] | 0x20);
    if (!is_digit(line[end - 1]) && (last == 'b' || last == 'd' || last == 'h' || last == 'q')) {
        // With the default base 16, b and d are digits unless they end the run.
        base = last == 'b' ? 2 : last == 'd' ? 10 : last == 'h' ? 16 : 8;
        digits_end = end - 1;
    }
    size_t q = p;
    read_digits(line.substr(0, digits_end), q, base, value);
    if (q != digits_end || digits_end == p) t.bad = true;
    t.number = static_cast<int32_t>(value);
    a.pos = end;
}

// Whether a token ends an operand, so that a following '%' is the remainder
// operator and not a binary constant.
bool is_operand(const Token& t) {
    switch (t.kind) {
    case T_NUMBER: case T_NAME: case T_LOCAL: case T_REGISTER: case T_STRING:
        return true;
    case T_OP:
        return t.op == OP_RPAREN || t.op == OP_RBRACK;
    default:
        return false;
    }
}

}  // namespace

bool is_name_start(char c) { return is_alpha(c) || c == '_' || c == '.'; }
bool is_name_char(char c) { return is_alpha(c) || is_digit(c) || c == '_' || c == '$' || c == '.'; }

int register_number(std::string_view n) {
    static constexpr std::string_view lower[] = {"a", "b", "ccr", "d", "x", "y"};
    static constexpr std::string_view upper[] = {"A", "B", "CCR", "D", "X", "Y"};
    if (n.size() > 3) return 0;
    for (int i = 0; i < 6; ++i)
        if (n == lower[i] || n == upper[i]) return i + 1;
    return 0;
}

void skip_blanks(Asm& a) {
    while (a.pos < a.line.size() && (a.line[a.pos] == ' ' || a.line[a.pos] == '\t')) ++a.pos;
}

bool at_statement_end(Asm& a) {
    if (a.nback > 0) return a.back[a.nback - 1].kind == T_END;
    skip_blanks(a);
    if (a.pos >= a.line.size()) return true;
    char c = a.line[a.pos];
    return c == ';' || (c == '/' && a.pos + 1 < a.line.size() && a.line[a.pos + 1] == '/');
}

namespace {

// Reads the next token from the text into t, which is the caller's return
// value: building it in place keeps the lexer free of copies.
void scan(Asm& a, Token& t) {
    skip_blanks(a);
    t.start = static_cast<uint32_t>(a.pos);
    std::string_view line = a.line;
    if (at_statement_end(a)) {
        t.kind = T_END;
        return;
    }
    char c = line[a.pos];
    if (is_digit(c)) {
        size_t p = a.pos;
        while (p < line.size() && is_digit(line[p])) ++p;
        if (p < line.size() && line[p] == '$') {
            t.kind = T_LOCAL;
            t.text = line.substr(a.pos, p + 1 - a.pos);
            a.pos = p + 1;
            return;
        }
        t.kind = T_NUMBER;
        read_number(a, t);
        t.text = line.substr(t.start, a.pos - t.start);
        return;
    }
    if (c == '$' || c == '@' || (c == '%' && !a.after_operand && followed_by_digit(line, a.pos + 1, 2))) {
        int base = c == '$' ? 16 : c == '@' ? 8 : 2;
        size_t p = a.pos + 1;
        uint32_t value = 0;
        t.kind = T_NUMBER;
        if (!read_digits(line, p, base, value)) t.bad = true;
        t.number = static_cast<int32_t>(value);
        a.pos = p;
        t.text = line.substr(t.start, a.pos - t.start);
        return;
    }
    if (is_name_start(c)) {
        size_t p = a.pos + 1;
        while (p < line.size() && is_name_char(line[p])) ++p;
        t.text = line.substr(a.pos, p - a.pos);
        a.pos = p;
        if (p < line.size() && line[p] == '(') {
            static constexpr std::string_view funcs[] = {"high", "low", "page", "strlen"};
            static constexpr std::string_view ufuncs[] = {"HIGH", "LOW", "PAGE", "STRLEN"};
            for (int i = 0; i < 4; ++i)
                if (t.text == funcs[i] || t.text == ufuncs[i]) {
                    t.kind = T_OPFUNC;
                    t.op = static_cast<uint8_t>(i);
                    return;
                }
        }
        int reg = register_number(t.text);
        t.kind = reg ? T_REGISTER : T_NAME;
        t.number = reg;
        return;
    }
    if (c == '"' || c == '\'') {
        size_t p = a.pos + 1;
        while (p < line.size() && line[p] != c) ++p;
        t.kind = T_STRING;
        t.text = line.substr(a.pos + 1, p - a.pos - 1);
        if (p >= line.size()) {
            t.bad = true;   // missing closing quote
            a.pos = p;
        } else {
            a.pos = p + 1;
            if (t.text.size() > MAX_STRING) t.too_long = true;
        }
        return;
    }
    t.kind = T_OP;
    char n = a.pos + 1 < line.size() ? line[a.pos + 1] : '\0';
    a.pos += 1;
    switch (c) {
    case '<':
        if (n == '<') { t.op = OP_SHL; ++a.pos; }
        else if (n == '=') { t.op = OP_LE; ++a.pos; }
        else if (n == '>') { t.op = OP_NE; ++a.pos; }
        else t.op = OP_LT;
        break;
    case '>':
        if (n == '>') { t.op = OP_SHR; ++a.pos; }
        else if (n == '=') { t.op = OP_GE; ++a.pos; }
        else t.op = OP_GT;
        break;
    case '=':
        t.op = OP_EQ;
        if (n == '=') ++a.pos;
        break;
    case '!':
        if (n == '=') { t.op = OP_NE; ++a.pos; }
        else t.op = OP_NOT;
        break;
    case '&':
        if (n == '&') { t.op = OP_LAND; ++a.pos; }
        else t.op = OP_AND;
        break;
    case '|':
        if (n == '|') { t.op = OP_LOR; ++a.pos; }
        else t.op = OP_OR;
        break;
    case '~': case '+': case '-': case '*': case '/': case '%': case '^':
    case '(': case ')': case ',': case '#': case ':': case '[': case ']':
        t.op = static_cast<uint8_t>(c);
        break;
    default:
        t.kind = T_BAD;
        break;
    }
    t.text = line.substr(t.start, a.pos - t.start);
}

}  // namespace

Token gettoken(Asm& a) {
    Token t;  // one named result, built in the caller's return slot
    if (a.nback > 0) t = a.back[--a.nback];
    else scan(a, t);
    a.after_operand = is_operand(t);
    return t;
}

void backtoken(Asm& a, const Token& t) {
    if (a.nback >= 5) {
        error(a, "too many back tokens");
        return;
    }
    a.back[a.nback++] = t;
}

char next_char(Asm& a) {
    if (a.nback > 0) {
        const Token& t = a.back[a.nback - 1];
        return t.kind == T_END ? '\0' : t.kind == T_OP && t.op < 128 ? static_cast<char>(t.op) : '\x01';
    }
    if (at_statement_end(a)) return '\0';
    return a.line[a.pos];
}

bool accept(Asm& a, char c) {
    if (a.nback > 0) {
        const Token& t = a.back[a.nback - 1];
        if (t.kind != T_OP || t.op != static_cast<uint8_t>(c)) return false;
        --a.nback;
        a.after_operand = false;
        return true;
    }
    if (at_statement_end(a) || a.line[a.pos] != c) return false;
    // '<' and '>' here are the one-character operators only
    if ((c == '<' || c == '>') && a.pos + 1 < a.line.size() &&
        (a.line[a.pos + 1] == c || a.line[a.pos + 1] == '=' || (c == '<' && a.line[a.pos + 1] == '>')))
        return false;
    ++a.pos;
    a.after_operand = false;
    return true;
}

int accept_register(Asm& a) {
    if (a.nback > 0) {
        const Token& t = a.back[a.nback - 1];
        if (t.kind != T_REGISTER) return 0;
        --a.nback;
        a.after_operand = true;
        return t.number;
    }
    if (at_statement_end(a) || !is_alpha(a.line[a.pos])) return 0;
    size_t p = a.pos;
    while (p < a.line.size() && is_name_char(a.line[p])) ++p;
    if (p < a.line.size() && a.line[p] == '(') return 0;
    int reg = register_number(a.line.substr(a.pos, p - a.pos));
    if (reg) {
        a.pos = p;
        a.after_operand = true;
    }
    return reg;
}

Token peektoken(Asm& a) {
    Token t = gettoken(a);
    backtoken(a, t);
    return t;
}

}  // namespace ccasm
