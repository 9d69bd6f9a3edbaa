// Diagnostics of ccparse: the "#error" line, its position and its suppression.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vy::cc {

// Where a token stands, as diagnostics show it. The lexer's current token
// carries one; kind 0 means "no token" for the position.
struct TokenPos {
    std::uint16_t kind = 0;
    std::uint32_t line = 0;
    std::uint16_t column = 0;
    std::uint16_t span = 0;
};

void diag_reset();

// The token whose position diagnostics use; null while lines are read.
void set_current_token(const TokenPos* pos);
const TokenPos* current_token();

// Writes one diagnostic. The format's conversions take `number` (%c, %d,
// %x, %o) or `text` (%s, and %.*s, whose length is the text's own). Control
// bytes of the file name and the message are written as \xNN: a diagnostic
// is always one line.
void puterr(std::string_view format, std::int32_t number = 0, std::string_view text = {});

// Writes the head "#error <program> <file>:0 " on standard error (for
// messages that have no line); the caller adds the message.
void errhead(std::string_view file);
// The head and the message, ended by a line end: one whole line.
void errline(std::string_view file, std::string_view message);

// Applies a message format to a number and a text as `puterr` does.
std::string format_message(std::string_view format, std::int32_t number, std::string_view text);

int error_count();
// Counts an error that was reported in another form (a message without a line).
void count_error();

// The error stream: the +e file when one is open, else standard error.
bool open_error_file(const char* name);
void write_error_stream(std::string_view text);
// Closes the +e file; returns false when a write to it failed.
bool close_error_file();

}  // namespace vy::cc
