// Source input: the stack of files and expansions, include files, macro
// definitions and calls, repeat blocks and the expansion of body lines.
#include <cstring>

#include "ccasm/asm.h"
#include "support/file_read.h"

namespace ccasm {
namespace {

constexpr size_t MAX_FILE_DEPTH = 64;
constexpr size_t MAX_EXPANSION_DEPTH = 1000;
constexpr size_t MAX_ARGUMENTS = 62;
// Lines one pass reads, expansions included: far beyond any program for a
// 64 KB address space, it stops a runaway repeat count in reasonable time.
constexpr uint32_t MAX_PASS_LINES = 5000000;

// Sources name files with '/' or '\' as they were written on either kind
// of host; the file is opened with the host's separator.
std::string host_path(const std::string& name) {
#ifdef _WIN32
    return name;
#else
    std::string p = name;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
#endif
}

// A whole file, bounded in size: an endless one (a device, a pipe) is
// "file too large" instead of filling memory. No file name holds a NUL.
vy::FileRead read_file(const std::string& name, std::string& content) {
    FILE* f = name.find('\0') == std::string::npos ? std::fopen(host_path(name).c_str(), "rb") : nullptr;
    if (!f) return vy::FileRead::failed;
    vy::FileRead result = vy::read_whole(f, content);
    std::fclose(f);
    return result;
}

bool is_absolute_path(const std::string& name) {
    if (name.empty()) return false;
    if (name[0] == '\\' || name[0] == '/') return true;
    return name.size() >= 2 && name[1] == ':';
}

size_t count_kind(const Asm& a, char kind) {
    size_t n = 0;
    for (const InputEntry& e : a.input)
        if (e.kind == kind) ++n;
    return n;
}

bool ident_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Drops the input entries above the first `keep`, with the conditional
// blocks opened inside dropped expansions: a nesting too deep is given up
// as a whole, so that a definition that calls or includes itself more than
// once per level ends with one diagnostic instead of one per call.
void give_up_nesting(Asm& a, size_t keep) {
    while (a.input.size() > keep) {
        const InputEntry& e = a.input.back();
        if (e.kind == 'M' && a.conds.size() > e.if_depth) a.conds.resize(e.if_depth);
        a.input.pop_back();
    }
}

void append_argument(Asm& a, InputEntry& e, size_t index, std::string& out) {
    if (index < e.args.size()) {
        out += e.args[index];
    } else if (!a.opt.old_syntax && a.expand_error.empty()) {
        a.expand_error = "bad argument number";
    }
}

}  // namespace

std::string refusal(vy::FileRead result, const std::string& name) {
    return result == vy::FileRead::too_large ? "file too large: " + name : "can't open " + name;
}

std::string join_path(const std::string& dir, const std::string& name) {
#ifdef _WIN32
    const char sep = '\\';
#else
    const char sep = '/';
#endif
    if (dir.empty()) return name;
    char last = dir.back();
    if (last == '/' || last == '\\') return dir + name;
    return dir + sep + name;
}

// Loads a file once per source; later passes reuse the text.
SourceFile* load_source(Asm& a, const std::string& name, vy::FileRead* result) {
    auto it = a.file_cache.find(name);
    if (it != a.file_cache.end()) return it->second;
    auto refused = a.unreadable.find(name);
    if (refused != a.unreadable.end()) {
        if (result) *result = refused->second;
        return nullptr;
    }
    std::string content;
    vy::FileRead read = read_file(name, content);
    if (result) *result = read;
    if (read != vy::FileRead::ok) {
        // An endless file is not read again in every pass.
        if (read == vy::FileRead::too_large) a.unreadable.emplace(name, read);
        return nullptr;
    }
    auto f = std::make_unique<SourceFile>();
    f->name = name;
    f->content = std::move(content);
    SourceFile* p = f.get();
    a.files.push_back(std::move(f));
    a.file_cache.emplace(name, p);
    return p;
}

void push_file(Asm& a, SourceFile* f) {
    InputEntry e;
    e.kind = 'F';
    e.file = f;
    a.input.push_back(std::move(e));
}

bool openinc(Asm& a, const std::string& name, bool report) {
    if (count_kind(a, 'F') >= MAX_FILE_DEPTH) {
        if (report) error(a, "include nesting too deep: " + name);
        give_up_nesting(a, 1);  // back to the source itself
        return false;
    }
    vy::FileRead read = vy::FileRead::failed;
    SourceFile* f = load_source(a, name, &read);
    if (!f && read == vy::FileRead::failed && !is_absolute_path(name)) {
        for (const std::string& dir : a.opt.include_dirs) {
            f = load_source(a, join_path(dir, name), &read);
            if (f || read != vy::FileRead::failed) break;
        }
    }
    if (!f) {
        if (report) error(a, refusal(read, name));
        return false;
    }
    push_file(a, f);
    return true;
}

InputEntry* current_file_entry(Asm& a) {
    for (auto it = a.input.rbegin(); it != a.input.rend(); ++it)
        if (it->kind == 'F') return &*it;
    return nullptr;
}

std::string current_file(Asm& a) {
    InputEntry* e = current_file_entry(a);
    if (!e) return a.source;
    return e->sfile ? e->sfile_name : e->file->name;
}

uint32_t current_line(Asm& a) {
    InputEntry* e = current_file_entry(a);
    if (!e) return a.last_line;
    if (e->sfile) return e->sfile_line + (e->line - e->sfile_base - 1);
    return e->line;
}

void push_expansion(Asm& a, InputEntry e) {
    if (count_kind(a, 'M') >= MAX_EXPANSION_DEPTH) {
        error(a, "macro nesting too deep");
        size_t file = a.input.size();
        while (file > 0 && a.input[file - 1].kind != 'F') --file;
        give_up_nesting(a, file);  // back to the file that made the first call
        return;
    }
    e.kind = 'M';
    e.unique = ++a.unique;
    e.if_depth = a.conds.size();
    a.input.push_back(std::move(e));
}

void end_expansion(Asm& a, bool by_exit) {
    size_t depth = a.input.back().if_depth;
    a.input.pop_back();
    if (a.conds.size() != depth && !by_exit) diag(a, "bad if/endif balance");
    if (a.conds.size() > depth) a.conds.resize(depth);
}

bool nextsrc(Asm& a, std::string_view& line) {
    a.skip_macro = false;
    a.expand_error.clear();
    if (a.pass_lines >= MAX_PASS_LINES) {
        if (!a.input.empty()) diag(a, "too many lines");
        a.input.clear();
        return false;
    }
    while (!a.input.empty()) {
        InputEntry& e = a.input.back();
        if (e.kind == 'F') {
            const std::string& text = e.file->content;
            if (e.pos >= text.size()) {
                a.last_line = e.line;
                a.input.pop_back();
                continue;
            }
            size_t end = text.find('\n', e.pos);
            if (end == std::string::npos) end = text.size();
            size_t stop = end;
            if (stop > e.pos && text[stop - 1] == '\r') --stop;
            line = std::string_view(text).substr(e.pos, stop - e.pos);
            e.pos = end + 1;
            ++e.line;
            ++a.pass_lines;
            if (a.input.size() == 1) ++a.source_lines;
            a.from_expansion = false;
            a.from_preamble = false;
            return true;
        }
        if (e.cursor >= e.body->size()) {
            if (e.is_repeat) {
                bool again = e.items.empty() ? --e.repeat_left > 0 : ++e.item < e.items.size();
                if (again) {
                    e.cursor = 0;
                    e.unique = ++a.unique;
                    if (!e.items.empty()) e.args.assign(1, e.items[e.item]);
                    continue;
                }
            }
            end_expansion(a, false);
            continue;
        }
        const std::string& body_line = (*e.body)[e.cursor++];
        a.expanded = expandline(a, e, body_line);
        line = a.expanded;
        ++a.pass_lines;
        a.from_expansion = true;
        a.from_preamble = e.preamble;
        return true;
    }
    return false;
}

// Expands one body line: arguments, the expansion number, the argument
// count, the size suffix, and the mark that looks past a macro.
std::string expandline(Asm& a, InputEntry& e, std::string_view line) {
    std::string out;
    out.reserve(line.size() + 16);
    const std::vector<std::string>* params = e.is_repeat ? &e.params_store : e.params;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c != '\\' || i + 1 >= line.size()) {
            out += c;
            continue;
        }
        char n = line[i + 1];
        if (n == '@') {
            out += '.';
            out += std::to_string(e.unique);
            ++i;
        } else if (n == '#') {
            out += std::to_string(e.args.size());
            ++i;
        } else if (n == '0') {
            if (e.suffix) out += e.suffix;
            ++i;
        } else if (n >= '1' && n <= '9') {
            append_argument(a, e, static_cast<size_t>(n - '1'), out);
            ++i;
        } else if (n == '*') {
            for (size_t k = 0; k < e.args.size(); ++k) {
                if (k) out += ',';
                out += e.args[k];
            }
            ++i;
        } else if (n == '\\') {
            a.skip_macro = true;
            ++i;
        } else if (n == '(' && params && !params->empty()) {
            size_t close = line.find(')', i + 2);
            std::string_view name = close == std::string_view::npos ? line.substr(i + 2) : line.substr(i + 2, close - i - 2);
            size_t k = 0;
            while (k < params->size() && (*params)[k] != name) ++k;
            if (k < params->size()) {
                if (k < e.args.size()) out += e.args[k];
            } else if (a.expand_error.empty()) {
                a.expand_error = "unknown macro argument " + std::string(name);
            }
            i = close == std::string_view::npos ? line.size() : close;
        } else if (ident_char(n) && params && !params->empty()) {
            size_t end = i + 1;
            while (end < line.size() && ident_char(line[end])) ++end;
            std::string_view name = line.substr(i + 1, end - i - 1);
            size_t k = 0;
            while (k < params->size() && (*params)[k] != name) ++k;
            if (k < params->size()) {
                if (k < e.args.size()) out += e.args[k];
                i = end - 1;
            } else if (n >= 'A' && n <= 'Z') {
                append_argument(a, e, static_cast<size_t>(n - 'A' + 9), out);
                ++i;
            } else {
                if (a.expand_error.empty()) a.expand_error = "unknown macro argument " + std::string(name);
                i = end - 1;
            }
        } else if (n >= 'A' && n <= 'Z') {
            append_argument(a, e, static_cast<size_t>(n - 'A' + 9), out);
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// Splits the operands of a macro call: at ',', blanks around an argument
// dropped, a quoted argument taken without its quotes, ';' ends the list.
bool split_arguments(Asm& a, std::vector<std::string>& args) {
    std::string_view line = a.line;
    size_t p = a.pos;
    auto blanks = [&] {
        while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    };
    blanks();
    if (p >= line.size() || line[p] == ';') {
        a.pos = p;
        return true;
    }
    for (;;) {
        blanks();
        std::string arg;
        if (p < line.size() && (line[p] == '"' || line[p] == '\'') && !a.opt.old_syntax) {
            char q = line[p];
            size_t close = line.find(q, p + 1);
            if (close == std::string_view::npos) {
                error(a, "bad string constant");
                close = line.size();
            }
            arg = std::string(line.substr(p + 1, close - p - 1));
            p = close < line.size() ? close + 1 : close;
            blanks();
            if (p < line.size() && line[p] != ',' && line[p] != ';') {
                // text behind the closing quote belongs to the argument
                size_t end = p;
                while (end < line.size() && line[end] != ',' && line[end] != ';') ++end;
                arg += std::string(line.substr(p, end - p));
                p = end;
                while (!arg.empty() && (arg.back() == ' ' || arg.back() == '\t')) arg.pop_back();
            }
        } else {
            size_t end = p;
            while (end < line.size() && line[end] != ',' && line[end] != ';') ++end;
            arg = std::string(line.substr(p, end - p));
            while (!arg.empty() && (arg.back() == ' ' || arg.back() == '\t')) arg.pop_back();
            p = end;
        }
        if (args.size() >= MAX_ARGUMENTS) {
            error(a, "too many arguments");
            a.pos = line.size();
            return false;
        }
        args.push_back(std::move(arg));
        if (p < line.size() && line[p] == ',') {
            ++p;
            continue;
        }
        break;
    }
    a.pos = p;
    return true;
}

void call_macro(Asm& a, Macro* m) {
    InputEntry e;
    if (!split_arguments(a, e.args)) return;
    a.pos = a.line.size();
    a.nback = 0;
    e.body = &m->body;
    e.params = &m->params;
    e.is_macro = true;
    e.suffix = a.size_suffix;
    push_expansion(a, std::move(e));
}

bool collecting(Asm& a) { return a.collect.kind != Collect::NONE; }

void collect_line(Asm& a, std::string_view line, std::string_view op) {
    Collect& c = a.collect;
    if (c.kind == Collect::MACRO) {
        if (op == "macro") {
            ++c.nesting;
        } else if (op == "endm" && --c.nesting == 0) {
            c.kind = Collect::NONE;
            c.macro = nullptr;
            return;
        }
        if (c.macro) c.macro->body.emplace_back(line);
        return;
    }
    if (op == "repeat" || op == "repeatl" || op == "irp") {
        ++c.nesting;
    } else if (op == "endr" && --c.nesting == 0) {
        c.kind = Collect::NONE;
        bool runs = c.list ? !c.items.empty() : c.count > 0;
        if (runs && !c.body->empty()) {
            InputEntry e;
            e.is_repeat = true;
            e.owned_body = c.body;
            e.body = c.body.get();
            e.repeat_left = c.count;
            e.items = std::move(c.items);
            if (c.list) {
                e.params_store.assign(1, c.param);
                e.args.assign(1, e.items[0]);
            }
            push_expansion(a, std::move(e));
        }
        c.body.reset();
        c.items.clear();
        return;
    }
    c.body->emplace_back(line);
}

}  // namespace ccasm
