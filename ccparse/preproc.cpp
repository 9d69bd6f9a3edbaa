// The preprocessor: reads logical lines (trigraphs, joined lines), obeys
// directives and conditionals, expands macros and hands each line on.
#include "ccparse/preproc.h"

#include "ccparse/constexpr.h"
#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/lexer.h"
#include "ccparse/macro.h"
#include "ccparse/options.h"
#include "ccparse/output.h"
#include "ccparse/ppscan.h"
#include "ccparse/source.h"

#include <algorithm>
#include <optional>

namespace vy::cc {

namespace {

constexpr std::size_t line_buffer = 5120;   // a physical line and its joined lines
constexpr std::size_t logical_limit = 4096; // characters of one logical line
constexpr int include_depth_limit = 200;

struct LogicalLine {
    std::string text;
    std::vector<LinePiece> pieces;
};

struct CondFrame {
    char state;  // 'I', 'E', 'i', 'e'
    bool taken;
};

struct PpState {
    TextArena arena;
    TokenList line;
    LogicalLine logical;
    std::optional<LogicalLine> pending;  // read ahead, not yet handled
    bool pending_comment = false;        // comment state before the pending line
    std::string physical;
    bool comment_open = false;
    bool asm_mode = false;
    int asm_block = 0;  // counts the #asm blocks begun
    bool in_directive = false;
    std::vector<CondFrame> conds;
    TokenList asm_line;  // a line of an #asm block read ahead by the lexer
};

PpState state;

void replace_trigraphs(std::string& s) {
    if (s.find("??") == std::string::npos) return;
    std::size_t out = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '?' && i + 2 < s.size() && s[i + 1] == '?') {
            char r = 0;
            switch (s[i + 2]) {
            case '(': r = '['; break;
            case '/': r = '\\'; break;
            case ')': r = ']'; break;
            case '\'': r = '^'; break;
            case '<': r = '{'; break;
            case '!': r = '|'; break;
            case '>': r = '}'; break;
            case '-': r = '~'; break;
            case '=': r = '#'; break;
            }
            if (r) {
                s[out++] = r;
                i += 2;
                continue;
            }
        }
        s[out++] = s[i];
    }
    s.resize(out);
}

// Reads the next logical line. False at the end of input.
bool read_logical(LogicalLine& logical) {
    logical.text.clear();
    logical.pieces.clear();
    bool too_long = false;
    bool any = false;
    while (readsrc(state.physical)) {
        any = true;
        replace_trigraphs(state.physical);
        bool joined = !state.physical.empty() && state.physical.back() == '\\';
        if (joined) state.physical.pop_back();
        if (!too_long) {
            logical.pieces.push_back({static_cast<std::uint32_t>(logical.text.size()), current_line()});
            if (logical.text.size() + state.physical.size() + 2 > line_buffer) {
                puterr("line too long");
                too_long = true;
            } else {
                logical.text += state.physical;
            }
        }
        // A line joined at the end of its file ends there: it never takes the
        // including file's next line, so a directive on it is handled in its
        // own file (an #include on it nests as deep as the file does).
        if (!joined || source_at_end()) break;
    }
    if (!any) return false;
    if (too_long) {
        logical.text.clear();
    } else if (logical.text.size() > logical_limit) {
        puterr("logical line too long");
        logical.text.clear();
    }
    if (logical.pieces.empty()) logical.pieces.push_back({0, current_line()});
    if (logical.text.empty()) logical.pieces.resize(1);
    return true;
}

bool next_logical(LogicalLine& logical) {
    if (state.pending) {
        logical = std::move(*state.pending);
        state.pending.reset();
        return true;
    }
    return read_logical(logical);
}

// Scans a logical line into `out`; the texts are copied into the arena.
void scan_logical(const LogicalLine& logical, TokenList& out) {
    ScanInput input{state.arena.copy(logical.text), static_cast<std::uint32_t>(logical.text.size()),
                    logical.pieces.data(), logical.pieces.size()};
    scan_line(input, out, state.comment_open, !opt.sa);
}

std::size_t first_real(const TokenList& list, std::size_t from = 0) {
    while (from < list.size() && list[from].kind == K_SPACE) ++from;
    return from;
}

bool at_line_end(const TokenList& list, std::size_t i) { return first_real(list, i) >= list.size(); }

bool active() { return state.conds.empty() || state.conds.back().taken; }

// -sa: nothing may follow the directive's operand.
void check_trailing(const TokenList& list, std::size_t from) {
    if (opt.sa && !at_line_end(list, from)) puterr("unexpected token");
}

// ---------------------------------------------------------- directives

enum Directive { D_IF, D_ASM, D_ELSE, D_ELIF, D_LINE, D_ENDIF, D_ERROR, D_UNDEF, D_IFDEF, D_DEFINE,
                 D_ENDASM, D_IFNDEF, D_PRAGMA, D_INCLUDE, D_UNKNOWN };

const char* const directive_names[] = {"if",    "asm",   "else",  "elif",   "line",   "endif",  "error",
                                       "undef", "ifdef", "define", "endasm", "ifndef", "pragma", "include"};

Directive find_directive(std::string_view name) {
    for (int i = 0; i < D_UNKNOWN; ++i)
        if (name.size() == std::strlen(directive_names[i]) && name == directive_names[i]) return static_cast<Directive>(i);
    return D_UNKNOWN;
}

// Evaluates the expression of #if or #elif in list[from..].
bool if_condition(const TokenList& line, std::size_t from, bool is_elif) {
    TokenList list(line.begin() + static_cast<std::ptrdiff_t>(from), line.end());
    expand(list, 0);
    TokenList expr;
    for (std::size_t i = 0; i < list.size(); ++i) {
        PpTok tok = list[i];
        if (tok.kind == K_SPACE) continue;
        if (tok.kind == K_IDENT) {
            if (!opt.sa && tok.str() == "sizeof") {
                // sizeof ( ... ) stays for the expression parser.
                expr.push_back(tok);
                std::size_t j = first_real(list, i + 1);
                if (j < list.size() && list[j].kind == K_LPAREN) {
                    int depth = 0;
                    for (; j < list.size(); ++j) {
                        if (list[j].kind == K_SPACE) continue;
                        expr.push_back(list[j]);
                        if (list[j].kind == K_LPAREN) ++depth;
                        if (list[j].kind == K_RPAREN && --depth == 0) break;
                    }
                    i = j;
                }
                continue;
            }
            std::int32_t value = 0;
            if (!opt.sa) enum_constant_value(tok.str(), &value);
            std::string text = std::to_string(value);
            tok.kind = K_NUMBER;
            tok.text = state.arena.copy(text);
            tok.len = static_cast<std::uint32_t>(text.size());
        }
        expr.push_back(tok);
    }
    PpTok end = list.empty() ? PpTok{} : list.back();
    end.kind = K_SEMI;
    end.text = ";";
    end.len = 1;
    end.wslen = 0;
    expr.push_back(end);

    std::int32_t value = 0;
    bool ok = if_expression(expr, &value);
    if (!ok) {
        puterr(is_elif ? "bad #elif expression" : "bad #if expression");
        return false;
    }
    if (last_stop_kind() != K_SEMI) {
        puterr(is_elif ? "incomplete #elif expression" : "incomplete #if expression");
        return false;
    }
    return value != 0;
}

void do_ifdef(const TokenList& line, std::size_t from, bool negate) {
    if (!active()) {
        state.conds.push_back({'i', false});
        return;
    }
    std::size_t i = first_real(line, from);
    bool taken = false;
    if (i < line.size() && line[i].kind == K_IDENT) {
        taken = is_predefined(line[i].str()) || find_macro(line[i].str());
        if (negate) taken = !taken;
        check_trailing(line, i + 1);
    } else {
        puterr(negate ? "bad #ifndef syntax" : "bad #ifdef syntax");
    }
    state.conds.push_back({'I', taken});
}

void do_include(const TokenList& line, std::size_t from) {
    TokenList list(line.begin() + static_cast<std::ptrdiff_t>(from), line.end());
    std::size_t i = first_real(list);
    if (i < list.size() && list[i].kind != K_STRING && list[i].kind != K_LT) {
        expand(list, 0);
        i = first_real(list);
    }
    std::string name;
    if (i < list.size() && list[i].kind == K_STRING && list[i].text[0] == '"' && quote_closed(list[i].str())) {
        name = std::string(list[i].text + 1, list[i].len - 2);
    } else if (i < list.size() && list[i].kind == K_LT) {
        std::size_t j = i + 1;
        for (; j < list.size() && list[j].kind != K_GT; ++j)
            if (list[j].kind != K_SPACE) name += list[j].str();
        if (j >= list.size()) {
            puterr("missing '>' in #include");
            return;
        }
    } else {
        puterr("bad #include syntax");
        return;
    }
    if (name.empty()) {
        puterr("missing file name in #include");
        return;
    }
    if (include_depth() >= include_depth_limit) {
        puterr("#include nested too deeply: %s", 0, name);
        give_up_includes();
        return;
    }
    if (openfile(name, true)) current_source()->included = true;
}

void do_line(const TokenList& line, std::size_t from) {
    TokenList list(line.begin() + static_cast<std::ptrdiff_t>(from), line.end());
    expand(list, 0);
    std::size_t i = first_real(list);
    if (i >= list.size()) {
        puterr("missing line number");
        return;
    }
    std::uint32_t number = 0;
    if (list[i].kind != K_NUMBER || !integer_constant_value(list[i].str(), &number)) {
        puterr("invalid line number");
        return;
    }
    std::size_t j = first_real(list, i + 1);
    if (j < list.size()) {
        if (list[j].kind != K_STRING || list[j].text[0] != '"') {
            puterr("string constant expected");
            return;
        }
        std::string name = decode_string_text(list[j].str());
        // A line end in the name would split every diagnostic line in two.
        if (name.find_first_of("\r\n") != std::string::npos) {
            puterr("string constant expected");
            return;
        }
        if (!has_line_name() || diag_file_name() != name) set_line_name(name);
    }
    set_next_line(number);
}

void do_error(const TokenList& line, std::size_t from) {
    std::string text;
    std::size_t i = first_real(line, from);
    for (std::size_t k = i; k < line.size(); ++k) {
        if (line[k].kind == K_SPACE) continue;
        if (k != i) text += line[k].space();
        text += line[k].str();
    }
    puterr("%s", 0, text);
}

void do_pragma(const TokenList& line, std::size_t from) {
    std::size_t i = first_real(line, from);
    if (i >= line.size() || line[i].kind != K_IDENT) return;
    std::string_view what = line[i].str();
    if (what == "asm" || what == "endasm") {
        if (what == "asm" ? state.asm_mode : !state.asm_mode)
            puterr(what == "asm" ? "bad #asm directive" : "bad #endasm directive");
        else if ((state.asm_mode = what == "asm"))
            ++state.asm_block;
        return;
    }
    if (what != "space" && what != "section") return;
    TokenList rest(line.begin() + static_cast<std::ptrdiff_t>(i + 1), line.end());
    rest.erase(std::remove_if(rest.begin(), rest.end(), [](const PpTok& t) { return t.kind == K_SPACE; }),
               rest.end());
    PpTok end = line.back();
    end.kind = K_SEMI;
    end.text = ";";
    end.len = 1;
    end.wslen = 0;
    rest.push_back(end);
    if (what == "space")
        pragma_space(rest);
    else
        pragma_section(rest);
}

// Handles a directive line whose '#' is list[hash]. Returns true when the
// line is to be handed on as it is (a #pragma under -e).
bool handle_directive(TokenList& list, std::size_t hash) {
    std::size_t i = first_real(list, hash + 1);
    if (i >= list.size()) return false;  // '#' alone
    if (list[i].kind != K_IDENT) {
        if (active()) puterr("bad # syntax");
        return false;
    }
    Directive d = find_directive(list[i].str());
    if (d == D_UNKNOWN) {
        if (active()) puterr("bad # directive: %.*s", 0, list[i].str());
        return false;
    }
    std::size_t rest = i + 1;
    state.in_directive = true;
    struct Leave {
        ~Leave() { state.in_directive = false; }
    } leave;

    switch (d) {
    case D_IF:
        if (!active())
            state.conds.push_back({'i', false});
        else
            state.conds.push_back({'I', if_condition(list, rest, false)});
        return false;
    case D_IFDEF: do_ifdef(list, rest, false); return false;
    case D_IFNDEF: do_ifdef(list, rest, true); return false;
    case D_ELIF:
        if (state.conds.empty() || state.conds.back().state == 'E' || state.conds.back().state == 'e') {
            puterr("bad #else");
        } else if (state.conds.back().state == 'I') {
            CondFrame& frame = state.conds.back();
            if (frame.taken)
                frame = {'i', false};
            else
                frame.taken = if_condition(list, rest, true);
        }
        return false;
    case D_ELSE:
        if (state.conds.empty() || state.conds.back().state == 'E' || state.conds.back().state == 'e') {
            puterr("bad #else");
        } else {
            CondFrame& frame = state.conds.back();
            if (frame.state == 'I')
                frame = {'E', !frame.taken};
            else
                frame = {'e', false};
            check_trailing(list, rest);
        }
        return false;
    case D_ENDIF:
        if (state.conds.empty()) {
            puterr("bad #endif");
        } else {
            state.conds.pop_back();
            check_trailing(list, rest);
        }
        return false;
    default: break;
    }
    if (!active()) return false;

    switch (d) {
    case D_DEFINE: ppdefine(list.data() + rest, list.size() - rest); break;
    case D_UNDEF: {
        std::size_t n = first_real(list, rest);
        if (n < list.size() && list[n].kind == K_IDENT) {
            ppundef(list[n]);
            check_trailing(list, n + 1);
        } else {
            puterr("bad #undef syntax");
        }
        break;
    }
    case D_INCLUDE: do_include(list, rest); break;
    case D_LINE: do_line(list, rest); break;
    case D_ERROR: do_error(list, rest); break;
    case D_ASM:
        if (state.asm_mode) {
            puterr("bad #asm directive");
        } else {
            state.asm_mode = true;
            ++state.asm_block;
        }
        break;
    case D_ENDASM:
        if (!state.asm_mode)
            puterr("bad #endasm directive");
        else
            state.asm_mode = false;
        break;
    case D_PRAGMA:
        if (opt.e) return true;
        do_pragma(list, rest);
        break;
    default: break;
    }
    return false;
}

bool first_is_hash(const TokenList& list) {
    std::size_t i = first_real(list);
    return i < list.size() && list[i].kind == K_HASH;
}

// A line of an #asm block that is not a directive: the whole line is one token.
bool is_directive_text(std::string_view text) {
    std::size_t i = text.find_first_not_of(" \t\f\v\r");
    return i != std::string_view::npos && text[i] == '#';
}

const char line_end[] = "\n";

}  // namespace

void pp_reset() { state = PpState{}; }

TextArena& pp_arena() { return state.arena; }

bool condactive() { return active(); }

bool pp_comment_at_end_of_file() {
    bool open = state.comment_open;
    state.comment_open = false;
    return open;
}

void pp_finish() {
    for (std::size_t i = 0; i < state.conds.size(); ++i) puterr("missing #endif directive");
    state.conds.clear();
}

bool pp_read_more(TokenList& list) {
    if (state.in_directive) return false;
    LogicalLine logical;
    if (!next_logical(logical)) return false;
    bool comment_before = state.comment_open;
    TokenList more;
    scan_logical(logical, more);
    if (first_is_hash(more)) {
        state.comment_open = comment_before;
        state.pending = std::move(logical);
        return false;
    }
    list.insert(list.end(), more.begin(), more.end());
    return true;
}

TokenList* pp_next_line() {
    for (;;) {
        state.arena.reset();
        macro_release_retired();
        TokenList& list = state.line;
        list.clear();
        if (!next_logical(state.logical)) return nullptr;

        if (state.asm_mode && !is_directive_text(state.logical.text)) {
            if (!active()) continue;
            PpTok tok;
            tok.kind = K_ASM;
            tok.text = state.arena.copy(state.logical.text);
            tok.len = static_cast<std::uint32_t>(state.logical.text.size());
            tok.line = state.logical.pieces[0].line;
            list.push_back(tok);
            PpTok end = tok;
            end.kind = K_SPACE;
            end.text = line_end;
            end.len = 1;
            list.push_back(end);
            return &list;
        }

        bool comment_before = state.comment_open;
        scan_logical(state.logical, list);
        if (first_is_hash(list)) {
            // A comment begun on a directive line takes the following lines
            // of its file in; each new line alone tells whether the comment
            // goes on, and the whole is cut into tokens once. When the file
            // ends inside the comment the directive is incomplete and dropped.
            if (state.comment_open && !comment_before) {
                bool open = true;
                while (open && !source_at_end()) {
                    LogicalLine more;
                    if (!next_logical(more)) break;
                    std::uint32_t base = static_cast<std::uint32_t>(state.logical.text.size());
                    state.logical.text += more.text;
                    for (LinePiece piece : more.pieces) state.logical.pieces.push_back({base + piece.offset, piece.line});
                    open = comment_open_after(more.text, !opt.sa);
                }
                if (open) {
                    state.comment_open = false;
                    puterr("unclosed comment at end of file");
                    continue;
                }
                list.clear();
                state.comment_open = comment_before;
                scan_logical(state.logical, list);
            }
            if (handle_directive(list, first_real(list))) return &list;
            continue;
        }
        if (!active()) continue;
        expand(list, 0);
        std::size_t first = first_real(list);
        if (first < list.size() && list[first].kind == K_BSHASH) {
            list[first].kind = K_HASH;
            list[first].text = "#";
            list[first].len = 1;
            if (handle_directive(list, first)) return &list;
            continue;
        }
        return &list;
    }
}

TokenList* pp_next_asm_line() {
    if (!state.asm_mode) return nullptr;
    LogicalLine logical;
    if (!next_logical(logical)) return nullptr;
    if (is_directive_text(logical.text) || !active()) {
        state.pending = std::move(logical);
        return nullptr;
    }
    TokenList& list = state.asm_line;
    list.clear();
    PpTok tok;
    tok.kind = K_ASM;
    tok.text = state.arena.copy(logical.text);
    tok.len = static_cast<std::uint32_t>(logical.text.size());
    tok.line = logical.pieces[0].line;
    list.push_back(tok);
    return &list;
}

void pponly() {
    bool in_asm = false;
    int block = 0;  // the block whose "#asm" was written
    while (TokenList* list = pp_next_line()) {
        if (opt.md) continue;
        bool is_asm = !list->empty() && (*list)[0].kind == K_ASM;
        if (in_asm && (!is_asm || block != state.asm_block)) {
            out_text("#endasm\n");
            in_asm = false;
        }
        if (is_asm && !in_asm) {
            out_text("#asm\n");
            in_asm = true;
            block = state.asm_block;
        }
        for (const PpTok& tok : *list) {
            out_text(tok.space());
            out_text(tok.str());
        }
    }
    if (in_asm && !opt.md) out_text("#endasm\n");
    pp_finish();
}

}  // namespace vy::cc
