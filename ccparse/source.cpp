// Source files: opening with the include search, the stack of suspended
// files, and reading physical lines (plain or scrambled).
#include "ccparse/source.h"

#include "ccparse/diag.h"
#include "ccparse/driver.h"
#include "ccparse/options.h"
#include "ccparse/output.h"
#include "ccparse/preproc.h"

#include "support/file_read.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <unordered_set>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace vy::cc {

namespace {

// Bytes of one physical line that are kept: far more than a logical line may
// hold, so a longer line is still "line too long" while an endless one
// (a device, a file without line ends) fills no memory.
constexpr std::size_t kept_line_limit = 1 << 16;

// Reads physical lines from a file in large blocks; lines may hold any byte.
// Past `vy::input_size_limit` bytes the file reads as ended and `too_large`
// tells why.
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

    // A line without its LF (a CR before the LF is dropped too). Of a line
    // longer than `kept_line_limit` the first bytes are kept and the last
    // byte stays last, so that a joining backslash still joins.
    bool read_line(std::string& line) {
        line.clear();
        bool any = false;
        bool cut = false;
        char tail[2] = {0, 0};  // the last two bytes of a cut line
        auto take = [&](const char* from, const char* to) {
            if (from == to) return;
            std::size_t room = kept_line_limit - line.size();
            std::size_t n = static_cast<std::size_t>(to - from);
            line.append(from, std::min(n, room));
            if (n > room) cut = true;
            tail[0] = n >= 2 ? to[-2] : tail[1];
            tail[1] = to[-1];
        };
        for (;;) {
            if (pos_ == end_ && !fill()) break;
            any = true;
            const char* start = buffer_.data() + pos_;
            const char* stop = buffer_.data() + end_;
            const char* newline = static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(stop - start)));
            if (newline) {
                take(start, newline);
                pos_ += static_cast<std::size_t>(newline - start) + 1;
                break;
            }
            take(start, stop);
            pos_ = end_;
        }
        if (cut) line.back() = tail[1] == '\r' ? tail[0] : tail[1];
        else if (!line.empty() && line.back() == '\r') line.pop_back();
        return any;
    }

    bool too_large() const { return too_large_; }

private:
    bool fill() {
        if (!file_ || too_large_) return false;
        pos_ = 0;
        end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        read_ += end_;
        if (read_ > vy::input_size_limit) {
            too_large_ = true;
            end_ = 0;
            return false;
        }
        if (scrambled_)
            for (std::size_t i = 0; i < end_; ++i) buffer_[i] = static_cast<char>(buffer_[i] ^ scramble_key(key_index_++));
        return end_ > 0;
    }

    std::FILE* file_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0, end_ = 0;
    bool scrambled_ = false;
    std::uint32_t key_index_ = 0;
    std::uint64_t read_ = 0;
    bool too_large_ = false;
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
    // No file name holds a NUL; the system would open the name before it.
    if (name.find('\0') != std::string_view::npos) {
        puterr("can't open %s", 0, name);
        return false;
    }
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

// The current file has been read to its end (or refused as too large).
void end_current_file() {
    state.reader->close();
    if (state.reader->too_large()) puterr("file too large");
    if (pp_comment_at_end_of_file()) puterr("unclosed comment at end of file");
    file_ended(state.current);
}

}  // namespace

void give_up_includes() {
    while (state.current && state.current->included && !state.stack.empty()) {
        end_current_file();
        resume_including_file();
    }
}

bool source_at_end() { return !state.reader || state.reader->peek() < 0; }

bool readsrc(std::string& line) {
    for (;;) {
        check_interrupt();
        if (!state.reader) return false;
        if (state.reader->read_line(line)) {
            ++state.current->lines;
            return true;
        }
        end_current_file();
        if (state.stack.empty()) {
            state.reader.reset();
            return false;
        }
        resume_including_file();
    }
}

}  // namespace vy::cc
