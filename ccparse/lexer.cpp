// The lexer: keywords, names, integer, real, character and string
// constants, punctuators and assembly text.
#include "ccparse/lexer.h"

#include "ccparse/driver.h"
#include "ccparse/options.h"
#include "ccparse/preproc.h"
#include "ccparse/source.h"

#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <unordered_map>

namespace vy::cc {

namespace {

const char* const keywords[] = {"auto",     "break",  "case",     "char",   "const",    "continue", "default",
                                "do",       "double", "else",     "enum",   "extern",   "float",    "for",
                                "goto",     "if",     "int",      "long",   "register", "return",   "short",
                                "signed",   "sizeof", "static",   "struct", "switch",   "typedef",  "union",
                                "unsigned", "void",   "volatile", "while"};

struct Source {
    TokenList* list = nullptr;
    std::size_t index = 0;
    bool own_list = false;  // a list given by settokens: it ends the input
};

struct Saved {
    Source source;
    Token ring[3];
    int last, pending, recovery;
};

struct LexState {
    Source source;
    Token ring[3];
    int last = 0;
    int pending = 0;
    Token current;
    int recovery = 0;
    std::vector<Saved> saved;
    std::unordered_map<std::string_view, std::unique_ptr<Name>> names;
    std::deque<std::string> asm_texts;
    std::deque<Constant> constants;
    std::map<std::tuple<const Symbol*, bool, std::string>, Constant*> constant_index;
    const Symbol* function = nullptr;
};

LexState state;

int keyword_kind(std::string_view text) {
    if (text.size() < 2 || text.size() > 8 || text[0] == '_') return 0;
    static const std::unordered_map<std::string_view, int> table = [] {
        std::unordered_map<std::string_view, int> t;
        for (int i = 0; i < 32; ++i) t.emplace(keywords[i], K_AUTO + i);
        return t;
    }();
    auto it = table.find(text);
    return it == table.end() ? 0 : it->second;
}

bool is_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int hex_value(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// Reports through `puterr` unless quiet.
struct Reporter {
    bool quiet;
    bool failed = false;
    void operator()(std::string_view message, std::int32_t number = 0, std::string_view text = {}) {
        failed = true;
        if (!quiet) puterr(message, number, text);
    }
};

// Decodes one escape sequence at text[i] == '\\'; advances i past it.
std::uint32_t escape(std::string_view text, std::size_t& i, Reporter& report) {
    ++i;  // the backslash
    if (i >= text.size()) return '\\';
    char c = text[i];
    if (c == 'x') {
        ++i;
        if (i >= text.size() || !is_hex(text[i])) {
            report("invalid hexadecimal character");
            return 0;
        }
        std::uint32_t value = 0;
        bool reported = false;
        while (i < text.size() && is_hex(text[i])) {
            if (value > 0x0FFFFFFF && !reported) {
                report("hexadecimal constant too large");
                reported = true;
            }
            value = value * 16 + static_cast<std::uint32_t>(hex_value(text[i++]));
        }
        return value;
    }
    if (c >= '0' && c <= '7') {
        std::uint32_t value = 0;
        for (int n = 0; n < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++n)
            value = value * 8 + static_cast<std::uint32_t>(text[i++] - '0');
        return value;
    }
    switch (c) {
    case '"': ++i; return '"';
    case '\'': ++i; return '\'';
    case '?': ++i; return '?';
    case '\\': ++i; return '\\';
    case 'a': ++i; return 7;
    case 'b': ++i; return 8;
    case 'f': ++i; return 12;
    case 'n': ++i; return 10;
    case 'r': ++i; return 13;
    case 't': ++i; return 9;
    case 'v': ++i; return 11;
    default: return '\\';  // the character after it is read again
    }
}

// The characters between the quotes of a string or character constant.
std::string_view quoted_body(std::string_view text) {
    if (!text.empty() && text[0] == 'L') text.remove_prefix(1);
    if (!text.empty()) text.remove_prefix(1);
    if (!text.empty() && (text.back() == '"' || text.back() == '\'')) {
        // The last quote closes the constant unless it is escaped.
        std::size_t backslashes = 0;
        for (std::size_t k = text.size() - 1; k > 0 && text[k - 1] == '\\'; --k) ++backslashes;
        if (backslashes % 2 == 0) text.remove_suffix(1);
    }
    return text;
}

void decode_into(std::string_view quoted, std::string& out, Reporter& report) {
    std::string_view body = quoted_body(quoted);
    for (std::size_t i = 0; i < body.size();) {
        if (body[i] == '\\')
            out += static_cast<char>(escape(body, i, report));
        else
            out += body[i++];
    }
}

struct NumberValue {
    int kind = K_INT_CONST;
    std::uint32_t value = 0;
    double real = 0;
};

NumberValue convert_real(std::string_view text, Reporter& report) {
    NumberValue result;
    double mantissa = 0;
    int scale = 0;
    std::size_t i = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') mantissa = mantissa * 10 + (text[i++] - '0');
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            mantissa = mantissa * 10 + (text[i++] - '0');
            --scale;
        }
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
        if (i >= text.size() || text[i] < '0' || text[i] > '9') {
            report("missing exponent in real");
        } else {
            int exponent = 0;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
                if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
                ++i;
            }
            if (!negative && exponent > 310) {
                report("exponent overflow in real");
                exponent = 0;
            }
            scale += negative ? -exponent : exponent;
        }
    }
    // Scale by the powers 10, 100, 10^4, ... taken by the bits of the exponent.
    double power = 10;
    double factor = 1;
    for (int n = scale < 0 ? -scale : scale; n; n >>= 1) {
        if (n & 1) factor *= power;
        power *= power;
    }
    result.real = scale < 0 ? mantissa / factor : mantissa * factor;
    result.kind = K_DOUBLE_CONST;
    std::string_view suffix = text.substr(i);
    if (suffix.size() == 1) {
        switch (suffix[0]) {
        case 's': case 'S': result.kind = K_SHORT_REAL; break;
        case 'f': case 'F': result.kind = K_FLOAT_CONST; break;
        case 'l': case 'L': result.kind = K_LDOUBLE_CONST; break;
        default: report("bad real constant %.*s", 0, text); break;
        }
    } else if (!suffix.empty()) {
        report("bad real constant %.*s", 0, text);
    }
    if (opt.f && result.kind != K_SHORT_REAL) result.kind = K_FLOAT_CONST;
    return result;
}

NumberValue convert_number(std::string_view text, Reporter& report) {
    NumberValue result;
    int base = 10;
    std::size_t i = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'b' || text[1] == 'B')) {
        base = 2;
        i = 2;
    } else if (text.find_first_of(".eE") != std::string_view::npos) {
        return convert_real(text, report);
    } else if (text[0] == '0') {
        base = 8;
    }
    std::uint32_t value = 0;
    std::size_t digits = 0;
    bool too_large = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && is_hex(c))
            d = hex_value(c);
        else
            break;
        if (d >= base) break;
        if (value > (0xFFFFFFFFu - static_cast<std::uint32_t>(d)) / static_cast<std::uint32_t>(base)) too_large = true;
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(d);
        ++digits;
    }
    if (digits == 0 && base == 16) report("invalid hexadecimal number");
    if (digits == 0 && base == 2) report("invalid binary number");
    if (too_large) report("integer constant too large");
    bool u = false, l = false, bad = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if ((c == 'u' || c == 'U') && !u)
            u = true;
        else if ((c == 'l' || c == 'L') && !l)
            l = true;
        else
            bad = true;
    }
    if (bad) report("bad integer constant ");
    bool bit31 = (value & 0x80000000u) != 0;
    int kind;
    if (u && l) {
        kind = K_ULONG_CONST;
    } else if (u) {
        kind = value > 65535 ? K_ULONG_CONST : K_UINT_CONST;
    } else if (l) {
        kind = bit31 ? K_ULONG_CONST : K_LONG_CONST;
    } else if (value <= 32767) {
        kind = K_INT_CONST;
    } else if (base == 10) {
        kind = value == 32768 ? K_INT_CONST : bit31 && value != 0x80000000u ? K_ULONG_CONST : K_LONG_CONST;
    } else if (value <= 65535) {
        kind = K_UINT_CONST;
    } else {
        kind = bit31 && value != 0x80000000u ? K_ULONG_CONST : K_LONG_CONST;
    }
    result.kind = kind;
    result.value = value;
    return result;
}

Constant* pool_constant(bool is_real, std::string bytes, double real) {
    if (is_real) {
        // Reals are kept apart by their bits.
        bytes.assign(8, '\0');
        std::memcpy(bytes.data(), &real, 8);
    }
    auto key = std::make_tuple(state.function, is_real, bytes);
    auto it = state.constant_index.find(key);
    if (it != state.constant_index.end()) {
        ++it->second->uses;
        return it->second;
    }
    Constant& c = state.constants.emplace_back();
    if (state.constants.size() > 1) state.constants[state.constants.size() - 2].link = &c;
    c.function = state.function;
    c.uses = 1;
    c.is_real = is_real;
    c.real = real;
    c.bytes = is_real ? std::string() : std::move(bytes);
    state.constant_index.emplace(std::move(key), &c);
    return &c;
}

}  // namespace

Constant* string_constant(std::string bytes) { return pool_constant(false, std::move(bytes), 0); }
Constant* real_constant(double value) { return pool_constant(true, std::string(), value); }
Constant* first_constant() { return state.constants.empty() ? nullptr : &state.constants.front(); }

namespace {

// A white-space token that begins "//" ends the line (two pasted slashes).
bool starts_comment(const PpTok& t) { return t.str().starts_with("//") || t.space().starts_with("//"); }

// The next preprocessor token, reading lines as needed; null at the end.
const PpTok* next_pp() {
    Source& src = state.source;
    for (;;) {
        if (src.list && src.index < src.list->size()) return &(*src.list)[src.index++];
        if (src.own_list) return nullptr;
        set_current_token(nullptr);
        src.list = pp_next_line();
        src.index = 0;
        if (!src.list) return nullptr;
    }
}

// Looks at the next preprocessor token that is not white space without taking it.
const PpTok* peek_pp() {
    Source& src = state.source;
    for (;;) {
        while (src.list && src.index < src.list->size() && (*src.list)[src.index].kind == K_SPACE) {
            if (starts_comment((*src.list)[src.index]))
                src.index = src.list->size();
            else
                ++src.index;
        }
        if (src.list && src.index < src.list->size()) return &(*src.list)[src.index];
        if (src.own_list) return nullptr;
        set_current_token(nullptr);
        src.list = pp_next_line();
        src.index = 0;
        if (!src.list) return nullptr;
    }
}

void begin_token(Token& tok, const PpTok& p) {
    tok.kind = p.kind;
    tok.line = p.line;
    tok.column = p.column;
    tok.span = static_cast<std::uint16_t>(p.len > 0xFFFF ? 0xFFFF : p.len);
    state.current = tok;
    set_current_token(&state.current);
}

Token read_token() {
    for (;;) {
        const PpTok* p = next_pp();
        Token tok;
        if (!p) {
            tok.kind = K_EOF;
            tok.line = current_line();
            tok.column = 0;
            return tok;
        }
        if (p->kind == K_SPACE) {
            if (starts_comment(*p)) state.source.index = state.source.list->size();
            continue;
        }
        begin_token(tok, *p);
        Reporter report{false};
        switch (p->kind) {
        case K_IDENT:
            if (int kw = keyword_kind(p->str())) {
                tok.kind = static_cast<std::uint16_t>(kw);
            } else {
                tok.name = intern(p->str());
            }
            return tok;
        case K_NUMBER: {
            NumberValue number = convert_number(p->str(), report);
            tok.kind = static_cast<std::uint16_t>(number.kind);
            if (is_real_constant(number.kind))
                tok.constant = pool_constant(true, std::string(), number.real);
            else
                tok.value = static_cast<std::int32_t>(number.value);
            return tok;
        }
        case K_CHARCONST: {
            std::string_view body = quoted_body(p->str());
            std::uint32_t value = 0;
            for (std::size_t i = 0; i < body.size();) {
                std::uint32_t c = body[i] == '\\' ? escape(body, i, report)
                                                  : static_cast<unsigned char>(body[i++]);
                value = value * 256 + c;
            }
            if (value < 256 && (value & 0x80) && !opt.u) value |= 0xFFFFFF00u;
            tok.kind = K_INT_CONST;
            tok.value = static_cast<std::int32_t>(value);
            return tok;
        }
        case K_STRING: {
            std::string bytes;
            decode_into(p->str(), bytes, report);
            // A string followed by another string is one constant.
            while (const PpTok* next = peek_pp()) {
                if (next->kind != K_STRING) break;
                ++state.source.index;
                decode_into(next->str(), bytes, report);
            }
            tok.kind = K_STRING;
            tok.constant = pool_constant(false, std::move(bytes), 0);
            return tok;
        }
        case K_BAD:
            puterr("bad character %c", static_cast<unsigned char>(p->text[0]));
            continue;
        case K_ASM: {
            std::string text(p->str());
            text += '\n';
            std::uint32_t lines = 1;
            while (state.source.index + 1 >= state.source.list->size() && !state.source.own_list) {
                TokenList* more = pp_next_asm_line();
                if (!more) break;
                text += (*more)[0].str();
                text += '\n';
                ++lines;
            }
            tok.kind = K_ASM;
            tok.text = &state.asm_texts.emplace_back(std::move(text));
            tok.span = static_cast<std::uint16_t>(lines);
            return tok;
        }
        default: return tok;
        }
    }
}

void skip_for_recovery() {
    int kind = state.recovery;
    state.recovery = 0;
    for (;;) {
        const Token& t = nexttoken();
        if (t.kind == K_EOF || t.kind == K_SEMI) return;
        if (kind == 255 ? (t.kind == K_RBRACE || t.kind == K_LBRACE) : t.kind == kind) {
            if (kind == 255) ungettoken();
            return;
        }
    }
}

}  // namespace

void lexer_reset() { state = LexState{}; }

const Token& nexttoken() {
    if (state.recovery) skip_for_recovery();
    state.last = (state.last + 1) % 3;
    if (state.pending > 0) {
        --state.pending;
    } else {
        state.ring[state.last] = read_token();
    }
    state.current = state.ring[state.last];
    set_current_token(&state.current);
    return state.ring[state.last];
}

void ungettoken() {
    if (state.pending >= 3) {
        puterr("token overflow");
        fatal_exit();
    }
    ++state.pending;
    state.last = (state.last + 2) % 3;
}

const Token& current_tok() { return state.current; }

const char* kind_text(int kind) {
    switch (kind) {
    case K_LPAREN: return "(";
    case K_RPAREN: return ")";
    case K_RBRACE: return "}";
    case K_RBRACKET: return "]";
    case K_WHILE: return "while";
    case K_SEMI: return ";";
    case K_COLON: return ":";
    default: return nullptr;
    }
}

bool expect(int kind) {
    const Token& t = nexttoken();
    if (t.kind == kind) return true;
    ungettoken();
    if (const char* text = kind_text(kind))
        puterr("missing %s", 0, text);
    else
        puterr("syntax error");
    state.recovery = kind;
    return false;
}

void recover() {
    if (state.recovery) skip_for_recovery();
}

void set_recovery(int kind) { state.recovery = kind; }
int recovery_state() { return state.recovery; }

int settokens(TokenList* list) {
    if (list) {
        state.saved.push_back({state.source, {state.ring[0], state.ring[1], state.ring[2]}, state.last,
                               state.pending, state.recovery});
        state.source = Source{list, 0, true};
        state.pending = 0;
        state.recovery = 0;
        return 0;
    }
    int stop = K_EOF;
    if (state.pending > 0) {
        stop = state.ring[(state.last + 1) % 3].kind;
    } else {
        stop = nexttoken().kind;
    }
    if (state.saved.empty()) return stop;
    Saved& saved = state.saved.back();
    state.source = saved.source;
    for (int i = 0; i < 3; ++i) state.ring[i] = saved.ring[i];
    state.last = saved.last;
    state.pending = saved.pending;
    state.recovery = saved.recovery;
    state.saved.pop_back();
    set_current_token(nullptr);
    return stop;
}

const Name* intern(std::string_view text) {
    auto it = state.names.find(text);
    if (it != state.names.end()) return it->second.get();
    auto name = std::make_unique<Name>();
    name->text = text;
    const Name* p = name.get();
    state.names.emplace(p->str(), std::move(name));
    return p;
}

void set_constant_function(const Symbol* function) { state.function = function; }

bool integer_constant_value(std::string_view text, std::uint32_t* value) {
    Reporter report{true};
    NumberValue number = convert_number(text, report);
    if (report.failed || !is_int_constant(number.kind)) return false;
    *value = number.value;
    return true;
}

std::string decode_string_text(std::string_view quoted) {
    Reporter report{true};
    std::string out;
    decode_into(quoted, out, report);
    return out;
}

}  // namespace vy::cc
