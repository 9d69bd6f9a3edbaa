// The preprocessor's scanner: white space and comments become the white
// space of the next token; the line ends with a line-end token that carries
// the white space at its end.
#include "ccparse/ppscan.h"

#include "ccparse/diag.h"

namespace vy::cc {

namespace {

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r'; }

struct Punct {
    std::uint16_t kind;
    std::uint8_t len;
};

// The longest punctuator at `p` (at least one byte is left).
Punct punctuator(const char* p, const char* end) {
    auto at = [&](std::size_t i) { return p + i < end ? p[i] : '\0'; };
    char c = p[0], c1 = at(1), c2 = at(2);
    switch (c) {
    case ',': return {K_COMMA, 1};
    case ':': return {K_COLON, 1};
    case ';': return {K_SEMI, 1};
    case '@': return {K_AT, 1};
    case '.': return c1 == '.' && c2 == '.' ? Punct{K_ELLIPSIS, 3} : Punct{K_DOT, 1};
    case '?': return {K_QUEST, 1};
    case '(': return {K_LPAREN, 1};
    case ')': return {K_RPAREN, 1};
    case '[': return {K_LBRACKET, 1};
    case ']': return {K_RBRACKET, 1};
    case '{': return {K_LBRACE, 1};
    case '}': return {K_RBRACE, 1};
    case '~': return {K_TILDE, 1};
    case '^': return c1 == '=' ? Punct{K_XOR_ASSIGN, 2} : Punct{K_CARET, 1};
    case '#': return c1 == '#' ? Punct{K_HASHHASH, 2} : Punct{K_HASH, 1};
    case '\\': return c1 == '#' ? Punct{K_BSHASH, 2} : Punct{K_BAD, 1};
    case '!': return c1 == '=' ? Punct{K_NE, 2} : Punct{K_NOT, 1};
    case '/': return c1 == '=' ? Punct{K_DIV_ASSIGN, 2} : Punct{K_SLASH, 1};
    case '%': return c1 == '=' ? Punct{K_MOD_ASSIGN, 2} : Punct{K_PERCENT, 1};
    case '<':
        if (c1 == '<') return c2 == '=' ? Punct{K_SHL_ASSIGN, 3} : Punct{K_SHL, 2};
        return c1 == '=' ? Punct{K_LE, 2} : Punct{K_LT, 1};
    case '>':
        if (c1 == '>') return c2 == '=' ? Punct{K_SHR_ASSIGN, 3} : Punct{K_SHR, 2};
        return c1 == '=' ? Punct{K_GE, 2} : Punct{K_GT, 1};
    case '=': return c1 == '=' ? Punct{K_EQ, 2} : Punct{K_ASSIGN, 1};
    case '+':
        if (c1 == '+') return {K_INC, 2};
        return c1 == '=' ? Punct{K_ADD_ASSIGN, 2} : Punct{K_PLUS, 1};
    case '-':
        if (c1 == '-') return {K_DEC, 2};
        if (c1 == '=') return {K_SUB_ASSIGN, 2};
        return c1 == '>' ? Punct{K_ARROW, 2} : Punct{K_MINUS, 1};
    case '*': return c1 == '=' ? Punct{K_MUL_ASSIGN, 2} : Punct{K_STAR, 1};
    case '&':
        if (c1 == '&') return {K_ANDAND, 2};
        return c1 == '=' ? Punct{K_AND_ASSIGN, 2} : Punct{K_AMP, 1};
    case '|':
        if (c1 == '|') return {K_OROR, 2};
        return c1 == '=' ? Punct{K_OR_ASSIGN, 2} : Punct{K_PIPE, 1};
    default: return {K_BAD, 1};
    }
}

class Scanner {
public:
    Scanner(const char* text, std::size_t len, bool slash_comments)
        : start_(text), p_(text), end_(text + len), slash_comments_(slash_comments) {}

    // Skips white space and comments. Returns false when a /* comment runs
    // past the end.
    bool skip_space(bool in_comment) {
        if (in_comment && !finish_comment()) return false;
        while (p_ < end_) {
            char c = *p_;
            if (is_blank(c)) {
                ++p_;
            } else if (c == '/' && p_ + 1 < end_ && p_[1] == '*') {
                p_ += 2;
                if (!finish_comment()) return false;
            } else if (c == '/' && slash_comments_ && p_ + 1 < end_ && p_[1] == '/') {
                p_ = end_;
            } else {
                break;
            }
        }
        return true;
    }

    // One token at the current position (not at the end).
    std::uint16_t token() {
        char c = *p_;
        if ((c == 'L' && p_ + 1 < end_ && (p_[1] == '"' || p_[1] == '\'')) || c == '"' || c == '\'') {
            if (c == 'L') ++p_;
            return quoted();
        }
        if (is_letter(c)) {
            while (p_ < end_ && (is_letter(*p_) || is_digit(*p_))) ++p_;
            return K_IDENT;
        }
        if (is_digit(c) || (c == '.' && p_ + 1 < end_ && is_digit(p_[1]))) {
            while (p_ < end_) {
                char d = *p_;
                if ((d == 'e' || d == 'E') && p_ + 1 < end_ && (p_[1] == '+' || p_[1] == '-')) {
                    p_ += 2;
                } else if (is_letter(d) || is_digit(d) || d == '.') {
                    ++p_;
                } else {
                    break;
                }
            }
            return K_NUMBER;
        }
        Punct punct = punctuator(p_, end_);
        p_ += punct.len;
        return punct.kind;
    }

    const char* pos() const { return p_; }
    const char* end() const { return end_; }
    std::uint32_t offset(const char* q) const { return static_cast<std::uint32_t>(q - start_); }

private:
    bool finish_comment() {
        while (p_ + 1 < end_) {
            if (p_[0] == '*' && p_[1] == '/') {
                p_ += 2;
                return true;
            }
            ++p_;
        }
        p_ = end_;
        return false;
    }

    std::uint16_t quoted() {
        char quote = *p_++;
        while (p_ < end_) {
            char c = *p_++;
            if (c == quote) return quote == '"' ? K_STRING : K_CHARCONST;
            if (c == '\\' && p_ < end_) ++p_;
        }
        puterr("unbalanced %c", quote);
        return quote == '"' ? K_STRING : K_CHARCONST;
    }

    const char* start_;
    const char* p_;
    const char* end_;
    bool slash_comments_;
};

const char line_end_text[] = "\n";

}  // namespace

void scan_line(const ScanInput& input, TokenList& out, bool& comment_open, bool slash_comments) {
    Scanner scan(input.text, input.len, slash_comments);
    std::size_t piece = 0;
    auto place = [&](PpTok& tok, const char* at) {
        std::uint32_t offset = scan.offset(at);
        while (piece + 1 < input.piece_count && input.pieces[piece + 1].offset <= offset) ++piece;
        tok.line = input.pieces[piece].line;
        tok.column = static_cast<std::uint16_t>(offset - input.pieces[piece].offset);
    };
    bool in_comment = comment_open;
    for (;;) {
        const char* ws = scan.pos();
        bool closed = scan.skip_space(in_comment);
        in_comment = false;
        PpTok tok;
        tok.ws = ws;
        tok.wslen = static_cast<std::uint32_t>(scan.pos() - ws);
        if (!closed || scan.pos() == scan.end()) {
            comment_open = !closed;
            tok.text = line_end_text;
            tok.len = 1;
            tok.kind = K_SPACE;
            place(tok, scan.pos());
            out.push_back(tok);
            return;
        }
        const char* text = scan.pos();
        place(tok, text);
        tok.kind = scan.token();
        tok.text = text;
        tok.len = static_cast<std::uint32_t>(scan.pos() - text);
        out.push_back(tok);
    }
}

void scan_text(std::string_view text, TokenList& out, bool slash_comments) {
    Scanner scan(text.data(), text.size(), slash_comments);
    for (;;) {
        const char* ws = scan.pos();
        bool closed = scan.skip_space(false);
        if (!closed || scan.pos() == scan.end()) {
            if (scan.pos() != ws) {
                PpTok space;
                space.ws = ws;
                space.wslen = static_cast<std::uint32_t>(scan.pos() - ws);
                space.text = scan.pos();
                space.kind = K_SPACE;
                out.push_back(space);
            }
            return;
        }
        PpTok tok;
        tok.ws = ws;
        tok.wslen = static_cast<std::uint32_t>(scan.pos() - ws);
        const char* start = scan.pos();
        tok.kind = scan.token();
        tok.text = start;
        tok.len = static_cast<std::uint32_t>(scan.pos() - start);
        out.push_back(tok);
    }
}

}  // namespace vy::cc
