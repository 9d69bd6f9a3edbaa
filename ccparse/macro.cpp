// Macro definitions and their expansion. A macro's state keeps it from
// being expanded inside its own expansion: at the top level every macro is
// expanded; while a macro's body is substituted and rescanned (state 1) it
// is not; in the later rescans a macro expanded once in the line (state 2)
// is not expanded again. The states return to 0 after each top-level
// expansion.
#include "ccparse/macro.h"

#include "ccparse/diag.h"
#include "ccparse/nesting.h"
#include "ccparse/options.h"
#include "ccparse/ppscan.h"
#include "ccparse/preproc.h"
#include "ccparse/source.h"

#include <ctime>
#include <optional>
#include <unordered_map>

namespace vy::cc {

namespace {

const char* const predefined_names[] = {"defined",  "__DATE__", "__TIME__", "__FILE__",
                                        "__LINE__", "__STDC__", "__TLVX__"};
enum Predefined { P_DEFINED, P_DATE, P_TIME, P_FILE, P_LINE, P_STDC, P_TLVX, P_NONE };

// Each nested invocation holds its arguments twice (as given and expanded):
// past this many tokens held a nesting is too deep however few its levels,
// so that deep nesting over many lines costs neither gigabytes nor minutes.
constexpr std::size_t macro_held_limit = std::size_t{1} << 20;

struct MacroState {
    MacroDef* chains[32] = {};
    std::unordered_map<std::string_view, std::unique_ptr<MacroDef>> index;
    std::vector<std::unique_ptr<MacroDef>> retired;  // undefined, freed between lines
    std::vector<MacroDef*> touched;                  // states to clear after a top-level expansion
    Nesting depth;                                   // nested expansions
    std::size_t held = 0;                            // argument tokens the nested invocations hold
    std::string date, time;
};

MacroState state;

Predefined predefined(std::string_view name) {
    if (name.size() < 7 || name.size() > 8) return P_NONE;
    for (int i = 0; i < P_NONE; ++i)
        if (name == predefined_names[i]) return static_cast<Predefined>(i);
    return P_NONE;
}

void take_date_and_time() {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[32];
    std::snprintf(text, sizeof text, "\"%s %2d %d\"", months[local.tm_mon % 12], local.tm_mday, local.tm_year + 1900);
    state.date = text;
    std::snprintf(text, sizeof text, "\"%02d:%02d:%02d\"", local.tm_hour, local.tm_min, local.tm_sec);
    state.time = text;
}

std::size_t skip_space(const TokenList& list, std::size_t i) {
    while (i < list.size() && list[i].kind == K_SPACE) ++i;
    return i;
}

// Like `skip_space`, but at the top level the next lines are read when the
// list ends.
std::size_t skip_space_reading(TokenList& list, std::size_t i, int mode) {
    for (;;) {
        i = skip_space(list, i);
        if (i < list.size() || mode != 0 || !pp_read_more(list)) return i;
    }
}

PpTok make_token(std::uint16_t kind, std::string_view text, const PpTok& like) {
    PpTok tok = like;
    tok.kind = kind;
    tok.text = pp_arena().copy(text);
    tok.len = static_cast<std::uint32_t>(text.size());
    return tok;
}

// The value of the predefined name at list[i]; `end` becomes the index after
// what it replaces.
PpTok expand_predefined(const TokenList& list, std::size_t i, Predefined which, std::size_t& end) {
    const PpTok name = list[i];
    end = i + 1;
    PpTok tok = name;
    switch (which) {
    case P_DEFINED: {
        bool known = false;
        std::size_t j = skip_space(list, i + 1);
        bool paren = j < list.size() && list[j].kind == K_LPAREN;
        if (paren) j = skip_space(list, j + 1);
        if (j < list.size() && list[j].kind == K_IDENT) {
            known = predefined(list[j].str()) != P_NONE || find_macro(list[j].str());
            end = j + 1;
            if (paren) {
                std::size_t k = skip_space(list, end);
                if (k < list.size() && list[k].kind == K_RPAREN)
                    end = k + 1;
                else
                    puterr("missing ) in defined expansion");
            }
        } else {
            puterr("bad defined syntax");
        }
        tok = make_token(K_NUMBER, known ? "1" : "0", name);
        break;
    }
    case P_DATE: tok = make_token(K_STRING, state.date, name); break;
    case P_TIME: tok = make_token(K_STRING, state.time, name); break;
    case P_FILE: {
        std::string text = "\"";
        for (char c : diag_file_name()) {
            if (c == '\\' || c == '"') text += '\\';
            text += c;
        }
        text += '"';
        tok = make_token(K_STRING, text, name);
        break;
    }
    case P_LINE: tok = make_token(K_NUMBER, std::to_string(name.line), name); break;
    case P_STDC: tok = make_token(K_NUMBER, "1", name); break;
    case P_TLVX: tok = make_token(K_NUMBER, std::to_string(tlvx_value()), name); break;
    case P_NONE: break;
    }
    return tok;
}

// Finds the arguments of an invocation whose '(' is list[open]. Returns the
// index after the closing ')' and the ranges of the arguments, or 0 when the
// list ends first.
std::size_t collect_args(TokenList& list, std::size_t open, int mode,
                         std::vector<std::pair<std::size_t, std::size_t>>& ranges) {
    int depth = 0;
    std::size_t start = open + 1;
    for (std::size_t k = open + 1;; ++k) {
        if (k == list.size() && !(mode == 0 && pp_read_more(list))) return 0;
        std::uint16_t kind = list[k].kind;
        if (kind == K_LPAREN) {
            ++depth;
        } else if (kind == K_RPAREN) {
            if (depth == 0) {
                ranges.emplace_back(start, k);
                return k + 1;
            }
            --depth;
        } else if (kind == K_COMMA && depth == 0) {
            ranges.emplace_back(start, k);
            start = k + 1;
        }
    }
}

// The tokens of an argument without white-space tokens; a token that stood
// after a line end counts as preceded by white space.
TokenList argument_tokens(const TokenList& list, std::size_t from, std::size_t to) {
    TokenList arg;
    bool space = false;
    for (std::size_t k = from; k < to; ++k) {
        if (list[k].kind == K_SPACE) {
            space = true;
            continue;
        }
        PpTok tok = list[k];
        if (space && tok.wslen == 0 && !arg.empty()) {
            tok.ws = " ";
            tok.wslen = 1;
        }
        space = false;
        arg.push_back(tok);
    }
    return arg;
}

PpTok stringify(const TokenList& arg, const PpTok& like) {
    std::string text = "\"";
    for (std::size_t i = 0; i < arg.size(); ++i) {
        const PpTok& tok = arg[i];
        if (i > 0 && tok.wslen > 0) text += ' ';
        if (tok.kind == K_STRING || tok.kind == K_CHARCONST) {
            if (!quote_closed(tok.str())) puterr("unbalanced \" in string constant");
            for (char c : tok.str()) {
                if (c == '"' || c == '\\') text += '\\';
                text += c;
            }
        } else {
            text += tok.str();
        }
    }
    text += '"';
    return make_token(K_STRING, text, like);
}

// Substitutes the arguments into a copy of the body: # makes strings, ##
// pastes, and the other parameters take their expanded arguments.
bool substitute(const MacroDef& m, const std::vector<TokenList>& args, TokenList& out) {
    std::vector<std::optional<TokenList>> expanded(args.size());
    const TokenList& body = m.body;
    std::size_t n = body.size();
    auto next_real = [&](std::size_t k) {
        ++k;
        while (k < n && body[k].kind == K_SPACE) ++k;
        return k;
    };
    std::size_t first_real = next_real(static_cast<std::size_t>(-1));
    bool left_empty = true;  // no token was produced by the last operand
    for (std::size_t k = 0; k < n; ++k) {
        const PpTok& b = body[k];
        if (b.kind == K_SPACE) continue;
        if (b.kind == K_HASHHASH) {
            std::size_t r = next_real(k);
            if (k == first_real || r >= n) {
                puterr("missing ## argument in macro %.*s", 0, m.name);
                return false;
            }
            PpTok left;
            std::string joined;
            if (!left_empty) {
                left = out.back();
                out.pop_back();
                joined = left.str();
            }
            const PpTok* right_rest = nullptr;
            std::size_t right_rest_count = 0;
            if (body[r].kind == K_PARAM) {
                const TokenList& arg = args[body[r].param];
                if (!arg.empty()) {
                    joined += arg[0].str();
                    right_rest = arg.data() + 1;
                    right_rest_count = arg.size() - 1;
                }
            } else {
                joined += body[r].str();
            }
            TokenList pasted;
            scan_text({pp_arena().copy(joined), joined.size()}, pasted, !opt.sa);
            bool any = false;
            for (const PpTok& t : pasted) any = any || t.kind != K_SPACE;
            bool comment = !pasted.empty() && pasted[0].kind == K_SPACE && pasted[0].space().starts_with("//");
            if (!any && !comment) {
                puterr("bad ## arguments in macro %.*s", 0, m.name);
                return false;
            }
            if (comment) {
                // Two slashes make a comment that ends the line for the lexer.
                PpTok slashes = left;
                slashes.kind = K_SPACE;
                slashes.text = "//";
                slashes.len = 2;
                pasted.assign(1, slashes);
            } else if (!pasted.empty()) {
                pasted[0].ws = left_empty ? b.ws : left.ws;
                pasted[0].wslen = left_empty ? b.wslen : left.wslen;
            }
            out.insert(out.end(), pasted.begin(), pasted.end());
            out.insert(out.end(), right_rest, right_rest + right_rest_count);
            left_empty = pasted.empty() && right_rest_count == 0;
            k = r;
            continue;
        }
        if (b.kind == K_HASH && m.params != 0) {
            std::size_t r = next_real(k);
            if (r >= n || body[r].kind != K_PARAM) {
                puterr("bad # argument in macro %.*s", 0, m.name);
                return false;
            }
            out.push_back(stringify(args[body[r].param], b));
            left_empty = false;
            k = r;
            continue;
        }
        if (b.kind == K_PARAM) {
            std::size_t r = next_real(k);
            bool raw = r < n && body[r].kind == K_HASHHASH;
            const TokenList* source = &args[b.param];
            if (!raw) {
                auto& cached = expanded[b.param];
                if (!cached) {
                    cached = args[b.param];
                    expand(*cached, 1);
                }
                source = &*cached;
            }
            std::size_t start = out.size();
            out.insert(out.end(), source->begin(), source->end());
            if (out.size() > start) {
                out[start].ws = b.ws;
                out[start].wslen = b.wslen;
            }
            left_empty = out.size() == start;
            continue;
        }
        out.push_back(b);
        left_empty = false;
    }
    return true;
}

// Finds the ')' that matches list[open]; 0 when the list ends first.
std::size_t matching_paren(TokenList& list, std::size_t open, int mode) {
    int depth = 0;
    for (std::size_t k = open;; ++k) {
        if (k == list.size() && !(mode == 0 && pp_read_more(list))) return 0;
        if (list[k].kind == K_LPAREN) ++depth;
        if (list[k].kind == K_RPAREN && --depth == 0) return k;
    }
}

// Expands the invocation of `m` whose name is list[i] into `result`. Returns
// the index after the tokens it replaces, or nothing when the name stays as it
// is. The list itself is only read (and, at the top level, lengthened by the
// lines that follow).
std::optional<std::size_t> expand_invocation(TokenList& list, std::size_t i, MacroDef& m, int mode,
                                             TokenList& result) {
    // Once a nesting was too deep, the whole expansion it belongs to is given
    // up: no further invocation inside it is expanded (each would collect
    // its arguments again, for nothing).
    if (state.depth.reported) return std::nullopt;
    NestingGuard guard(state.depth, macro_nesting_limit);
    if (!guard.ok()) return std::nullopt;
    const PpTok name = list[i];
    std::size_t end = i + 1;
    std::vector<TokenList> args;
    if (m.params != 0) {
        std::size_t open = skip_space_reading(list, i + 1, mode);
        if (open >= list.size() || list[open].kind != K_LPAREN) return std::nullopt;
        std::vector<std::pair<std::size_t, std::size_t>> ranges;
        end = collect_args(list, open, mode, ranges);
        if (end == 0) {
            puterr("bad invocation of macro %.*s", 0, m.name);
            return std::nullopt;
        }
        for (auto [from, to] : ranges) args.push_back(argument_tokens(list, from, to));
        bool empty_call = args.size() == 1 && args[0].empty();
        if (m.params < 0) {
            if (!empty_call) return std::nullopt;
            args.clear();
        } else if (empty_call || static_cast<int>(args.size()) < m.params) {
            puterr("missing argument for macro %.*s", 0, m.name);
            return std::nullopt;
        } else if (static_cast<int>(args.size()) > m.params) {
            puterr("too many arguments for macro %.*s", 0, m.name);
            return std::nullopt;
        }
    }
    std::size_t weight = 0;
    for (const TokenList& arg : args) weight += 2 * arg.size();
    if (state.held + weight > macro_held_limit) {
        if (!state.depth.reported) {
            state.depth.reported = true;
            puterr("nesting too deep");
        }
        return std::nullopt;
    }
    state.held += weight;
    struct Release {
        std::size_t weight;
        ~Release() { state.held -= weight; }
    } release{weight};
    result.clear();
    if (!substitute(m, args, result)) return std::nullopt;
    m.used = true;
    m.state = 1;
    state.touched.push_back(&m);

    // A name at the end of the result takes its arguments from the text that
    // follows the invocation.
    std::size_t last = result.size();
    while (last > 0 && result[last - 1].kind == K_SPACE) --last;
    if (last > 0 && result[last - 1].kind == K_IDENT) {
        MacroDef* next = find_macro(result[last - 1].str());
        int reading = next && next->params != 0 ? mode : 1;
        std::size_t open = skip_space_reading(list, end, reading);
        if (open < list.size() && list[open].kind == K_LPAREN) {
            std::size_t close = matching_paren(list, open, reading);
            if (close) {
                result.insert(result.end(), list.begin() + static_cast<std::ptrdiff_t>(end),
                              list.begin() + static_cast<std::ptrdiff_t>(close + 1));
                end = close + 1;
            }
        }
    }

    expand(result, 1);
    while (expand(result, 3)) {
    }
    m.state = 2;

    for (PpTok& tok : result) {
        tok.line = name.line;
        tok.column = name.column;
    }
    if (!result.empty()) {
        result[0].ws = name.ws;
        result[0].wslen = name.wslen;
    }
    return end;
}

void link_macro(std::unique_ptr<MacroDef> def) {
    MacroDef* m = def.get();
    int chain = name_hash(m->name) & 31;
    m->link = state.chains[chain];
    state.chains[chain] = m;
    state.index.emplace(m->name, std::move(def));
}

void unlink_macro(MacroDef* m) {
    MacroDef** p = &state.chains[name_hash(m->name) & 31];
    while (*p && *p != m) p = &(*p)->link;
    if (*p) *p = m->link;
    auto it = state.index.find(m->name);
    state.retired.push_back(std::move(it->second));
    state.index.erase(it);
}

// Reads a definition from the tokens after "define". Reports and returns
// null when it is malformed.
std::unique_ptr<MacroDef> read_definition(const PpTok* tokens, std::size_t count) {
    std::size_t i = 0;
    if (i >= count || tokens[i].kind != K_IDENT) {
        puterr("bad #define syntax");
        return nullptr;
    }
    auto def = std::make_unique<MacroDef>();
    def->name = tokens[i].str();
    ++i;
    std::vector<std::string_view> params;
    if (i < count && tokens[i].kind == K_LPAREN && tokens[i].wslen == 0) {
        ++i;
        bool closed = false;
        bool expect_name = true;
        for (; i < count; ++i) {
            const PpTok& t = tokens[i];
            if (t.kind == K_SPACE) break;
            if (t.kind == K_RPAREN && (params.empty() || !expect_name)) {
                closed = true;
                ++i;
                break;
            }
            if (expect_name) {
                if (t.kind != K_IDENT) {
                    puterr("bad macro argument");
                    return nullptr;
                }
                for (std::string_view p : params)
                    if (p == t.str()) puterr("redeclared parameter");
                params.push_back(t.str());
                expect_name = false;
            } else if (t.kind == K_COMMA) {
                expect_name = true;
            } else {
                puterr("bad macro argument syntax");
                return nullptr;
            }
        }
        if (!closed) {
            puterr("bad macro argument syntax");
            return nullptr;
        }
        def->params = params.empty() ? -1 : static_cast<int>(params.size());
    }
    // The body: up to the line end, its first white space dropped.
    std::size_t body_end = count;
    while (body_end > i && tokens[body_end - 1].kind == K_SPACE) --body_end;
    std::size_t size = 0;
    for (std::size_t k = i; k < body_end; ++k) size += tokens[k].wslen + tokens[k].len;
    def->block.reserve(size);
    for (std::size_t k = i; k < body_end; ++k) {
        const PpTok& t = tokens[k];
        PpTok b = t;
        if (k == i) b.wslen = 0;
        if (t.kind == K_IDENT) {
            for (std::size_t p = 0; p < params.size(); ++p) {
                if (params[p] == t.str()) {
                    b.kind = K_PARAM;
                    b.param = static_cast<std::uint16_t>(p);
                    break;
                }
            }
        }
        def->body.push_back(b);
    }
    // The texts move into the definition's own block.
    std::vector<std::pair<std::size_t, std::size_t>> offsets;
    for (const PpTok& b : def->body) {
        std::size_t ws_at = def->block.size();
        def->block.append(b.ws, b.wslen);
        offsets.emplace_back(ws_at, def->block.size());
        def->block.append(b.text, b.len);
    }
    for (std::size_t k = 0; k < def->body.size(); ++k) {
        def->body[k].ws = def->block.data() + offsets[k].first;
        def->body[k].text = def->block.data() + offsets[k].second;
    }
    return def;
}

bool same_definition(const MacroDef& a, const MacroDef& b) {
    if (a.params != b.params || a.body.size() != b.body.size()) return false;
    for (std::size_t k = 0; k < a.body.size(); ++k) {
        const PpTok& x = a.body[k];
        const PpTok& y = b.body[k];
        if (x.kind != y.kind || (x.wslen > 0) != (y.wslen > 0)) return false;
        if (x.kind == K_PARAM ? x.param != y.param : x.len != y.len) return false;
        bool compare_text = x.kind == K_IDENT || x.kind == K_NUMBER || x.kind == K_STRING || x.kind == K_CHARCONST;
        if (compare_text && x.str() != y.str()) return false;
    }
    return true;
}

}  // namespace

int name_hash(std::string_view name) {
    int hash = 0;
    for (char c : name) hash = (hash >> 1) + static_cast<signed char>(c);
    return hash;
}

void macro_reset() {
    state = MacroState{};
    take_date_and_time();
}

MacroDef* macro_chain(int chain) { return state.chains[chain & 31]; }

MacroDef* find_macro(std::string_view name) {
    auto it = state.index.find(name);
    return it == state.index.end() ? nullptr : it->second.get();
}

bool is_predefined(std::string_view name) { return predefined(name) != P_NONE; }

void macro_release_retired() { state.retired.clear(); }

void ppdefine(const PpTok* tokens, std::size_t count) {
    std::size_t i = 0;
    if (i < count && tokens[i].kind == K_IDENT && is_predefined(tokens[i].str())) {
        puterr("can't redefine macro %.*s", 0, tokens[i].str());
        return;
    }
    std::unique_ptr<MacroDef> def = read_definition(tokens, count);
    if (!def) return;
    if (MacroDef* old = find_macro(def->name)) {
        if (!same_definition(*old, *def)) puterr("can't redefine macro %.*s", 0, def->name);
        return;
    }
    link_macro(std::move(def));
}

void ppundef(const PpTok& name) {
    if (is_predefined(name.str())) {
        puterr("can't undef macro %.*s", 0, name.str());
        return;
    }
    if (MacroDef* m = find_macro(name.str())) unlink_macro(m);
}

void optdefine(const char* text) {
    std::string_view def = text;
    std::size_t n = 0;
    auto ident_char = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || (c >= '0' && c <= '9');
    };
    bool starts_ok = !def.empty() && !(def[0] >= '0' && def[0] <= '9');
    while (n < def.size() && ident_char(def[n])) ++n;
    if (!starts_ok || n == 0 || (n < def.size() && def[n] != '=')) {
        puterr("bad symbol definition");
        return;
    }
    std::string line(def.substr(0, n));
    line += ' ';
    if (n < def.size())
        line += def.substr(n + 1);
    else
        line += '1';
    TokenList tokens;
    LinePiece piece{0, 0};
    bool comment = false;
    scan_line({pp_arena().copy(line), static_cast<std::uint32_t>(line.size()), &piece, 1}, tokens, comment,
              !opt.sa);
    ppdefine(tokens.data(), tokens.size());
}

int tlvx_value() {
    return (opt.nw ? 1 : 0) | (opt.f ? 2 : 0) | (opt.u ? 4 : 0) | (opt.rb ? 16 : 0) | (opt.ne ? 32 : 0);
}

bool expand(TokenList& list, int mode) {
    // The expanded line is built in a new list from the first replacement on,
    // so that a long line costs time in proportion to its length. The scan
    // never looks back: a replacement has been rescanned already.
    TokenList out;
    std::size_t copied = 0;  // list[0, copied) is in `out`
    bool any = false;
    auto replace = [&](std::size_t from, std::size_t to, const PpTok* first, const PpTok* last) {
        if (!any) out.reserve(list.size());
        any = true;
        out.insert(out.end(), list.begin() + static_cast<std::ptrdiff_t>(copied),
                   list.begin() + static_cast<std::ptrdiff_t>(from));
        out.insert(out.end(), first, last);
        copied = to;
    };
    TokenList result;
    std::size_t i = 0;
    while (i < list.size()) {
        if (list[i].kind != K_IDENT) {
            ++i;
            continue;
        }
        std::string_view name = list[i].str();
        Predefined which = predefined(name);
        if (which != P_NONE) {
            std::size_t end = i + 1;
            PpTok value = expand_predefined(list, i, which, end);
            replace(i, end, &value, &value + 1);
            i = end;
            continue;
        }
        MacroDef* m = find_macro(name);
        if (!m || (mode & m->state) != 0) {
            ++i;
            continue;
        }
        std::optional<std::size_t> end = expand_invocation(list, i, *m, mode, result);
        if (!end) {
            ++i;
            continue;
        }
        replace(i, *end, result.data(), result.data() + result.size());
        i = *end;
        if (mode == 0) {
            for (MacroDef* t : state.touched) t->state = 0;
            state.touched.clear();
        }
    }
    if (any) {
        out.insert(out.end(), list.begin() + static_cast<std::ptrdiff_t>(copied), list.end());
        list.swap(out);
    }
    return any;
}

}  // namespace vy::cc
