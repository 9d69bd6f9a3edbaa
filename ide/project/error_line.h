// Reading the diagnostic lines of the tools:
//     "#error" program file ":" line [ "(" column sep length ")" ] message
// The column counts from 0; the separator '-' makes the column the end of
// the span. A word starting with 'X' in place of the program runs up to and
// including its ')'. The reader never leaves its line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vesk {

struct ErrorLine {
    std::string program;
    std::string file;
    std::int32_t line = 0;
    bool has_column = false;
    std::int32_t column = 0;  // first character of the span, from 0
    std::int32_t length = 0;  // at least 1
};

// True for a line that starts with "#error".
bool IsErrorLine(const std::string& text);

// The parts of a diagnostic; none for a line that is no diagnostic or ends
// before its file name (no colon after the program word).
std::optional<ErrorLine> ParseErrorLine(const std::string& text);

// The line a diagnostic shows in a file of `line_count` lines: a line that
// is 0, negative or beyond the end is line 1.
std::int32_t target_line(const ErrorLine& error, std::int32_t line_count);

// The span of a diagnostic on its target line, in display columns with tabs
// expanded: [start, end). No column, or column 0, is the whole line.
struct DisplaySpan {
    std::int32_t start = 0, end = 0;
};
DisplaySpan ErrorSpan(const ErrorLine& error, const std::string& target, std::int32_t tab_width);

// The display column after the first `characters` characters of a line.
std::int32_t display_column(const std::string& text, std::size_t characters, std::int32_t tab_width);

}  // namespace vesk
