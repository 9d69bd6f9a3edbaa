// Source files: opening with the include search, the stack of suspended
// files, and reading physical lines (plain or scrambled).
#include "ccparse/source.h"

#include "ccparse/diag.h"
#include "ccparse/driver.h"
#include "ccparse/options.h"
#include "ccparse/output.h"
#include "ccparse/preproc.h"

#include <cstring>
#include <deque>
#include <unordered_set>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace vy::cc {

namespace {

// Reads physical lines from a file in large blocks; lines may hold any byte.
class LineReader {
public:
    explicit LineReader(std::FILE* file) : file_(file), buffer_(1 << 16) {}
    ~LineReader() { close(); }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    void close() {
        if (file_) std::fclose(file_);
        file_ = nullptr;
    }

    // The first byte of the file without taking it; -1 at end of file.
    int peek() {
        if (pos_ == end_ && !fill()) return -1;
        return static_cast<unsigned char>(buffer_[pos_]);
    }
    void skip() { ++pos_; }
    // The bytes from here on are scrambled, those already buffered included.
    void set_scrambled() {
        scrambled_ = true;
        for (std::size_t i = pos_; i < end_; ++i) buffer_[i] = static_cast<char>(buffer_[i] ^ scramble_key(key_index_++));
    }

    // A line without its LF (a CR before the LF is dropped too).
    bool read_line(std::string& line) {
        line.clear();
        bool any = false;
        for (;;) {
            if (pos_ == end_ && !fill()) break;
            any = true;
            const char* start = buffer_.data() + pos_;
            const char* stop = buffer_.data() + end_;
            const char* newline = static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(stop - start)));
            if (newline) {
                line.append(start, newline);
                pos_ += static_cast<std::size_t>(newline - start) + 1;
                if (!line.empty() && line.back() == '\r') line.pop_back();
                return true;
            }
            line.append(start, stop);
            pos_ = end_;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return any;
    }

private:
    bool fill() {
        if (!file_) return false;
        pos_ = 0;
        end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        if (scrambled_)
            for (std::size_t i = 0; i < end_; ++i) buffer_[i] = static_cast<char>(buffer_[i] ^ scramble_key(key_index_++));
        return end_ > 0;
    }

    std::FILE* file_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0, end_ = 0;
    bool scrambled_ = false;
    std::uint32_t key_index_ = 0;
};

struct IncludeFrame {
    SourceFile* file;
    std::unique_ptr<LineReader> reader;
};

struct SourceState {
    std::deque<SourceFile> files;  // every file opened, in opening order
    std::unordered_set<std::string> names;  // their names
    SourceFile* current = nullptr;
    std::unique_ptr<LineReader> reader;
    std::vector<IncludeFrame> stack;
    std::string line_name;
    bool has_line_name = false;
};

SourceState state;

bool is_absolute(std::string_view name) { return !name.empty() && (name[0] == '\\' || name[0] == '/'); }

}  // namespace

std::uint8_t scramble_key(std::uint32_t index) { return static_cast<std::uint8_t>(0xA7 + 0x3B * index); }

std::string scramble(std::string_view plain) {
    std::string out(1, static_cast<char>(0xFE));
    for (std::size_t i = 0; i < plain.size(); ++i)
        out += static_cast<char>(static_cast<std::uint8_t>(plain[i]) ^ scramble_key(static_cast<std::uint32_t>(i)));
    return out;
}

void source_reset() { state = SourceState{}; }

SourceFile* current_source() { return state.current; }
int include_depth() { return static_cast<int>(state.stack.size()); }
SourceFile* first_source() { return state.files.empty() ? nullptr : &state.files.front(); }

std::uint32_t current_line() { return state.current ? state.current->lines : 0; }

void set_next_line(std::uint32_t next) {
    if (state.current) state.current->lines = next - 1;
}

std::string_view diag_file_name() {
    if (state.has_line_name) return state.line_name;
    if (state.current) return state.current->name;
    return opt.source ? opt.source : "";
}

void set_line_name(std::string_view name) {
    state.line_name = name;
    state.has_line_name = true;
}

bool has_line_name() { return state.has_line_name; }

std::FILE* open_source_path(const std::string& name) {
#ifdef _WIN32
    return std::fopen(name.c_str(), "rb");
#else
    std::string path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    std::FILE* file = std::fopen(path.c_str(), "rb");
    // A directory opens here but reads nothing; it is no source file.
    struct stat info;
    if (file && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        return nullptr;
    }
    return file;
#endif
}

bool openfile(std::string_view name, bool search) {
    std::string opened(name);
    std::FILE* file = open_source_path(opened);
    if (!file && search && !is_absolute(name)) {
        for (const char* dir : opt.includes.oldest_first()) {
            opened = std::string(dir) + path_separator + std::string(name);
            file = open_source_path(opened);
            if (file) break;
        }
    }
    if (!file) {
        puterr("can't open %s", 0, name);
        return false;
    }
    if (state.names.insert(opened).second) depend_on(opened);

    auto reader = std::make_unique<LineReader>(file);
    if (!state.files.empty()) state.files.back().next = nullptr;
    SourceFile* previous = state.files.empty() ? nullptr : &state.files.back();
    SourceFile& source = state.files.emplace_back();
    if (previous) previous->next = &source;
    source.name = opened;
    if (reader->peek() == 0xFE) {
        reader->skip();
        reader->set_scrambled();
        source.scrambled = true;
    }
    if (state.current) state.stack.push_back({state.current, std::move(state.reader)});
    state.current = &source;
    state.reader = std::move(reader);
    return true;
}

namespace {

// The current file has ended: back to the file that opened it.
void resume_including_file() {
    state.current = state.stack.back().file;
    state.reader = std::move(state.stack.back().reader);
    state.stack.pop_back();
}

}  // namespace

void give_up_includes() {
    while (state.current && state.current->included && !state.stack.empty()) {
        state.reader->close();
        if (pp_comment_at_end_of_file()) puterr("unclosed comment at end of file");
        file_ended(state.current);
        resume_including_file();
    }
}

bool readsrc(std::string& line) {
    for (;;) {
        check_interrupt();
        if (!state.reader) return false;
        if (state.reader->read_line(line)) {
            ++state.current->lines;
            return true;
        }
        state.reader->close();
        if (pp_comment_at_end_of_file()) puterr("unclosed comment at end of file");
        file_ended(state.current);
        if (state.stack.empty()) {
            state.reader.reset();
            return false;
        }
        resume_including_file();
    }
}

}  // namespace vy::cc
