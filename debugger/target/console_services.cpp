#include "debugger/target/console_services.h"

#include <cctype>
#include <cstring>

#include "debugger/target/services.h"
#include "debugger/target/symbols.h"

namespace vy {

void ConsoleServices::error(std::string_view text) {
    if (capture) {
        errors.append(text);
        errors += '\n';
        return;
    }
    std::fprintf(stderr, "#error: %.*s\n", static_cast<int>(text.size()), text.data());
}

void ConsoleServices::output(std::string_view text) {
    if (capture) {
        out.append(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void ConsoleServices::interp(const char* text, int flag) {
    commands += text;
    commands += '\n';
}

// How an expression reads: a syntax error, or terms nested past the bound.
struct Reading {
    bool bad = false;
    bool deep = false;
    int depth = 0;
};

// Terms nest through '(' and '-': past this depth the expression is "nesting
// too deep" and the rest of the text is passed over, so that no text, however
// deep, overflows the stack.
constexpr int max_term_depth = 256;

// term: number, symbol, '(' expr ')' or '-' term.
static uint32_t readterm(const char*& p, Reading& r);

static uint32_t readsum(const char*& p, Reading& r) {
    uint32_t value = readterm(p, r);
    for (;;) {
        p = skipwhite(p);
        if (*p == '+') {
            ++p;
            value += readterm(p, r);
        } else if (*p == '-') {
            ++p;
            value -= readterm(p, r);
        } else {
            return value;
        }
    }
}

static uint32_t readnested(const char*& p, Reading& r) {
    p = skipwhite(p);
    if (*p == '-') return 0u - readterm(++p, r);
    uint32_t v = readsum(++p, r);
    p = skipwhite(p);
    if (*p == ')') ++p;
    else r.bad = true;
    return v;
}

static uint32_t readterm(const char*& p, Reading& r) {
    p = skipwhite(p);
    if (*p == '-' || *p == '(') {
        if (r.depth >= max_term_depth) {
            r.deep = true;
            p += std::strlen(p);
            return 0;
        }
        ++r.depth;
        uint32_t v = readnested(p, r);
        --r.depth;
        return v;
    }
    if (std::isdigit(static_cast<unsigned char>(*p))) {
        int base = 10;
        if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) base = 16, p += 2;
        else if (p[0] == '0' && (p[1] == 'b' || p[1] == 'B')) base = 2, p += 2;
        uint32_t v = 0;
        for (;;) {
            int c = std::tolower(static_cast<unsigned char>(*p)), d;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else break;
            if (d >= base) break;
            v = v * base + d;
            ++p;
        }
        return v;
    }
    if (std::isalpha(static_cast<unsigned char>(*p)) || *p == '_' || *p == '.') {
        const char* start = p;
        while (std::isalnum(static_cast<unsigned char>(*p)) || *p == '_' || *p == '.') ++p;
        std::string name(start, p);
        if (SymRec* s = rensym(name.c_str())) return s->value;
        r.bad = true;
        return 0;
    }
    r.bad = true;
    return 0;
}

bool ConsoleServices::evalexpr(uint32_t* value) {
    Reading r;
    const char* p = reader.pos;
    *value = readsum(p, r);
    reader.pos = p;
    if (r.deep)
        error("nesting too deep");
    else if (r.bad)
        error("syntax error");
    return !r.bad && !r.deep;
}

}  // namespace vy
