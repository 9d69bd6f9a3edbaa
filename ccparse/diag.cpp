// Diagnostics of ccparse: every error goes through `puterr`; there are no warnings.
#include "ccparse/diag.h"

#include "ccparse/source.h"
#include "ccparse/toolkit/toolkit.h"
#include "support/one_line.h"

#include <cstdio>

namespace vy::cc {

namespace {

struct DiagState {
    const TokenPos* current = nullptr;
    int errors = 0;
    std::uint32_t last_line = 0;
    std::uint16_t last_column = 0;
    std::FILE* error_file = nullptr;
    bool error_file_failed = false;
};

DiagState state;

void append_number(std::string& out, std::uint32_t value, unsigned base, bool is_signed) {
    if (is_signed && static_cast<std::int32_t>(value) < 0) {
        out += '-';
        value = 0u - value;
    }
    char digits[16];
    int n = 0;
    do {
        digits[n++] = "0123456789abcdef"[value % base];
        value /= base;
    } while (value);
    while (n) out += digits[--n];
}

}  // namespace

void diag_reset() {
    if (state.error_file) std::fclose(state.error_file);
    state = DiagState{};
}

void set_current_token(const TokenPos* pos) { state.current = pos; }
const TokenPos* current_token() { return state.current; }
int error_count() { return state.errors; }
void count_error() { ++state.errors; }

std::string format_message(std::string_view format, std::int32_t number, std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        std::string_view rest = format.substr(i + 1);
        if (rest.starts_with(".*s")) {
            out += text;
            i += 3;
            continue;
        }
        switch (rest[0]) {
        case 's': out += text; break;
        case 'c': out += static_cast<char>(number); break;
        case 'd': append_number(out, static_cast<std::uint32_t>(number), 10, true); break;
        case 'u': append_number(out, static_cast<std::uint32_t>(number), 10, false); break;
        case 'x': append_number(out, static_cast<std::uint32_t>(number), 16, false); break;
        case 'o': append_number(out, static_cast<std::uint32_t>(number), 8, false); break;
        case '%': out += '%'; break;
        default: out += '%'; out += rest[0]; break;
        }
        ++i;
    }
    return out;
}

void puterr(std::string_view format, std::int32_t number, std::string_view text) {
    const TokenPos* token = state.current;
    bool has_column = token && token->kind != 0;
    std::uint32_t line = has_column ? token->line : current_line();
    if (state.errors > 0) {
        if (!has_column && token && line == state.last_line) return;
        if (has_column && line == state.last_line && token->column == state.last_column) return;
    }
    std::string head = "#error ";
    head += progname();
    head += ' ';
    append_one_line(head, diag_file_name());
    head += ':';
    append_number(head, line, 10, false);
    if (has_column) {
        head += '(';
        append_number(head, token->column, 10, false);
        if (token->span < 2) {
            head += ") ";
        } else {
            head += '+';
            append_number(head, token->span, 10, false);
            head += ") ";
        }
    } else {
        head += ' ';
    }
    append_one_line(head, format_message(format, number, text));
    head += '\n';
    write_error_stream(head);
    state.last_line = line;
    if (has_column) state.last_column = token->column;
    ++state.errors;
}

void errhead(std::string_view file) {
    std::string head = "#error ";
    head += progname();
    head += ' ';
    append_one_line(head, file);
    head += ":0 ";
    vy::toolwrite(head);
}

void errline(std::string_view file, std::string_view message) {
    errhead(file);
    vy::toolwrite(one_line(message) + "\n");
}

bool open_error_file(const char* name) {
    state.error_file = std::fopen(name, "w");
    return state.error_file != nullptr;
}

void write_error_stream(std::string_view text) {
    if (!state.error_file) {
        vy::toolwrite(text);
        return;
    }
    if (std::fwrite(text.data(), 1, text.size(), state.error_file) != text.size()) state.error_file_failed = true;
}

bool close_error_file() {
    if (!state.error_file) return true;
    bool ok = !state.error_file_failed && !std::ferror(state.error_file);
    if (std::fclose(state.error_file) != 0) ok = false;
    state.error_file = nullptr;
    return ok;
}

}  // namespace vy::cc
