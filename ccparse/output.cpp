// The output stream of ccparse, buffered and checked.
#include "ccparse/output.h"

#include "ccparse/options.h"

#include <cstdio>
#include <string>

namespace vy::cc {

namespace {

struct OutputState {
    std::FILE* file = nullptr;
    bool is_stdout = false;
    bool failed = false;
    std::string buffer;
    // -md
    bool depend = false;
    std::size_t column = 1;
};

OutputState state;

void flush() {
    if (state.buffer.empty()) return;
    if (!state.file || std::fwrite(state.buffer.data(), 1, state.buffer.size(), state.file) != state.buffer.size())
        state.failed = true;
    state.buffer.clear();
}

}  // namespace

void output_reset() {
    if (state.file && !state.is_stdout) std::fclose(state.file);
    state = OutputState{};
}

bool out_open_file(const char* name, bool binary) {
    state.file = std::fopen(name, binary ? "wb" : "w");
    state.is_stdout = false;
    return state.file != nullptr;
}

void out_use_stdout() {
    state.file = stdout;
    state.is_stdout = true;
}

bool out_is_open() { return state.file != nullptr; }

void out_byte(std::uint8_t byte) {
    state.buffer += static_cast<char>(byte);
    if (state.buffer.size() >= (1 << 16)) flush();
}

void out_text(std::string_view text) {
    state.buffer += text;
    if (state.buffer.size() >= (1 << 16)) flush();
}

bool out_close() {
    flush();
    bool ok = !state.failed;
    if (state.file) {
        if (std::fflush(state.file) != 0 || std::ferror(state.file)) ok = false;
        if (!state.is_stdout && std::fclose(state.file) != 0) ok = false;
    }
    state.file = nullptr;
    state.is_stdout = false;
    return ok;
}

void depend_begin(const char* target) {
    state.depend = true;
    state.column = 1;
    if (target) {
        out_text(target);
        out_text(":");
        state.column = std::string_view(target).size() + 1;
    }
}

void depend_on(std::string_view name) {
    if (!state.depend) return;
    if (opt.xp) {
        auto slash = name.find_last_of("\\/");
        if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    }
    if (state.column + name.size() + 1 > 78) {
        out_text(" \\\n");
        state.column = 0;
    }
    out_text(" ");
    out_text(name);
    state.column += name.size() + 1;
}

}  // namespace vy::cc
