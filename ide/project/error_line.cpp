#include "ide/project/error_line.h"

#include <algorithm>
#include <limits>

namespace vesk {
namespace {

constexpr std::int32_t LARGEST = std::numeric_limits<std::int32_t>::max();
// What "the whole line" selects.
constexpr std::int32_t WHOLE_LINE = 1024;

bool blank(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u <= 32 || u == 127;
}

bool printable(char c) { return c >= 33 && c <= 126; }
bool digit(char c) { return c >= '0' && c <= '9'; }

void skip(const std::string& s, std::size_t& p) {
    while (p < s.size() && blank(s[p])) ++p;
}

// Decimal digits; a number beyond 32 bits reads as the largest.
std::int32_t number(const std::string& s, std::size_t& p) {
    std::int64_t n = 0;
    while (p < s.size() && digit(s[p])) {
        n = std::min<std::int64_t>(n * 10 + (s[p] - '0'), LARGEST);
        ++p;
    }
    return static_cast<std::int32_t>(n);
}

}  // namespace

bool IsErrorLine(const std::string& text) { return text.compare(0, 6, "#error") == 0; }

std::optional<ErrorLine> ParseErrorLine(const std::string& text) {
    if (!IsErrorLine(text)) return std::nullopt;
    ErrorLine e;
    std::size_t p = 6;
    skip(text, p);
    if (p < text.size() && (text[p] == 'X' || text[p] == 'x')) {
        std::size_t close = text.find(')', p);
        if (close == std::string::npos) return std::nullopt;
        e.program = text.substr(p, close + 1 - p);
        p = close + 1;
    } else {
        std::size_t start = p;
        while (p < text.size() && printable(text[p])) ++p;
        e.program = text.substr(start, p - start);
    }
    skip(text, p);
    // The file name ends at the first colon followed by a digit, else at the
    // first colon (a drive letter's colon is passed over).
    std::size_t colon = std::string::npos;
    for (std::size_t i = text.find(':', p); i != std::string::npos; i = text.find(':', i + 1)) {
        if (colon == std::string::npos) colon = i;
        if (i + 1 < text.size() && digit(text[i + 1])) {
            colon = i;
            break;
        }
    }
    if (colon == std::string::npos) return std::nullopt;
    e.file = text.substr(p, colon - p);
    p = colon + 1;
    skip(text, p);
    e.line = number(text, p);
    if (p < text.size() && text[p] == '(') {
        ++p;
        e.has_column = true;
        e.column = number(text, p);
        e.length = 1;
        if (p < text.size() && text[p] != ')') {
            char separator = text[p++];
            e.length = std::max<std::int32_t>(number(text, p), 1);
            if (separator == '-') e.column = std::max<std::int32_t>(e.column - e.length, 0);
        }
    }
    return e;
}

std::int32_t target_line(const ErrorLine& error, std::int32_t line_count) {
    return error.line <= 0 || error.line > line_count ? 1 : error.line;
}

std::int32_t display_column(const std::string& text, std::size_t characters, std::int32_t tab_width) {
    if (tab_width < 1) tab_width = 1;
    std::int64_t column = 0;
    std::size_t n = std::min(characters, text.size());
    for (std::size_t i = 0; i < n; ++i) column = text[i] == '\t' ? (column / tab_width + 1) * tab_width : column + 1;
    return static_cast<std::int32_t>(std::min<std::int64_t>(column, LARGEST));
}

DisplaySpan ErrorSpan(const ErrorLine& error, const std::string& target, std::int32_t tab_width) {
    std::size_t first = 0, count = WHOLE_LINE;
    if (error.has_column && error.column > 0) {
        first = static_cast<std::size_t>(error.column);
        count = static_cast<std::size_t>(error.length);
    }
    std::size_t last = std::min(first + count, target.size());
    first = std::min(first, target.size());
    return {display_column(target, first, tab_width), display_column(target, last, tab_width)};
}

}  // namespace vesk
