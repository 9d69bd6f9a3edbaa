#include "debugger/views/list_text.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace vy {

std::size_t codelength(std::string_view text, std::size_t at) {
    std::size_t n = 0;
    switch (text[at]) {
    case LT_COLOUR:
    case LT_LINK: n = 2; break;
    case LT_GRAPH: n = at + 1 < text.size() && text[at + 1] == 'H' ? 10 : 6; break;
    case LT_CR:
    case LT_EVENTOFF:
    case LT_EVENTON:
    case LT_STRUCT:
    case LT_ARRAY:
    case 0x17:
    case 0x18:
    case 0x19:
    case LT_END: n = 1; break;
    default: return 0;
    }
    return std::min(n, text.size() - at);
}

static int32_t nexttab(int32_t column, int tabwidth) { return (column / tabwidth + 1) * tabwidth; }

TextSize measuretext(std::string_view text) {
    TextSize size;
    int32_t column = 0, feeds = 0;
    bool pending = false;   // the last line holds something
    for (std::size_t i = 0; i < text.size();) {
        if (std::size_t n = codelength(text, i)) {
            i += n;
            continue;
        }
        char c = text[i++];
        if (c == LT_LF) {
            size.longest = std::max(size.longest, column);
            column = 0;
            ++feeds;
            pending = false;
            continue;
        }
        column = c == LT_TAB ? nexttab(column, LISTTABWIDTH) : column + 1;
        pending = true;
    }
    size.longest = std::max(size.longest, column);
    // A last line without its line feed is a line too.
    size.lines = std::max<int32_t>(feeds + (pending ? 1 : 0), 1);
    return size;
}

int32_t toplinefor(int32_t wanted) { return wanted >= 4 ? wanted - 3 : 0; }

std::size_t linestart(std::string_view text, int32_t n) {
    if (n < 1) return std::string_view::npos;
    std::size_t at = 0;
    for (int32_t line = 1; line < n; ++line) {
        for (;;) {
            if (at >= text.size()) return std::string_view::npos;
            if (std::size_t k = codelength(text, at)) {
                at += k;
                continue;
            }
            if (text[at++] == LT_LF) break;
        }
    }
    return at <= text.size() ? at : std::string_view::npos;
}

std::string_view linefrom(std::string_view text, std::size_t start, std::size_t& next) {
    next = std::string_view::npos;
    if (start >= text.size()) return {};
    std::size_t at = start, end = std::string_view::npos;
    while (at < text.size()) {
        if (end == std::string_view::npos && (text[at] == LT_CR || text[at] == LT_LF)) end = at;
        if (text[at] == LT_LF) {
            next = at + 1;
            break;
        }
        std::size_t k = codelength(text, at);
        at += k ? k : 1;
    }
    if (end == std::string_view::npos) end = std::min(at, text.size());
    return text.substr(start, end - start);
}

std::string_view textline(std::string_view text, int32_t n) {
    std::size_t start = linestart(text, n), next;
    if (start == std::string_view::npos) return {};
    return linefrom(text, start, next);
}

uint32_t copyline(std::string_view text, int32_t n, char* buffer, uint32_t capacity) {
    std::string_view line = textline(text, n);
    // A code is copied whole or not at all.
    std::size_t count = 0;
    while (count < line.size()) {
        std::size_t k = std::max<std::size_t>(codelength(line, count), 1);
        if (count + k > capacity) break;
        count += k;
    }
    if (count) std::memcpy(buffer, line.data(), count);
    return static_cast<uint32_t>(count);
}

bool putline(char* text, std::size_t size, int32_t n, std::string_view bytes) {
    std::string_view all(text, size);
    std::size_t start = linestart(all, n);
    if (start == std::string_view::npos) return false;
    if (textline(all, n).size() < bytes.size()) return false;
    std::memcpy(text + start, bytes.data(), bytes.size());
    return true;
}

std::vector<Cell> linecells(std::string_view line, int32_t firstcolumn, int tabwidth) {
    std::vector<Cell> cells;
    int8_t colour = -1;
    int32_t column = 0;
    auto put = [&](char c) {
        if (column >= firstcolumn) cells.push_back({c, colour});
        ++column;
    };
    for (std::size_t i = 0; i < line.size();) {
        if (std::size_t k = codelength(line, i)) {
            if (line[i] == LT_COLOUR && k == 2) colour = static_cast<int8_t>(paletteindex(static_cast<uint8_t>(line[i + 1])));
            i += k;
            continue;
        }
        char c = line[i++];
        if (c == LT_LF) break;
        if (c == LT_TAB) {
            for (int32_t end = nexttab(column, tabwidth); column < end;) put(' ');
        } else {
            put(c);
        }
    }
    return cells;
}

int32_t columnof(std::string_view line, std::size_t at, int tabwidth) {
    int32_t column = 0;
    for (std::size_t i = 0; i < line.size() && i < at;) {
        if (std::size_t k = codelength(line, i)) {
            i += k;
            continue;
        }
        column = line[i++] == LT_TAB ? nexttab(column, tabwidth) : column + 1;
    }
    return column;
}

std::string linkat(std::string_view line, int32_t column, int tabwidth) {
    bool open = false;
    std::size_t payload = 0;
    int32_t at = 0;
    for (std::size_t i = 0; i < line.size();) {
        char c = line[i];
        if (c == LT_LINK) {
            open = i + 1 < line.size();
            payload = i + 1;   // the letter, then the payload
            i += 2;
            continue;
        }
        if (c == LT_END) open = false;
        if (std::size_t k = codelength(line, i)) {
            i += k;
            continue;
        }
        int32_t end = c == LT_TAB ? nexttab(at, tabwidth) : at + 1;
        if (c == ' ') open = false;
        ++i;
        if (column < end) break;   // the byte under the column
        at = end;
    }
    if (!open) return {};
    std::string link(1, line[payload]);
    for (std::size_t i = payload + 1; i < line.size() && line[i] != LT_END && line[i] != ' ';) {
        if (std::size_t k = codelength(line, i)) {
            i += k;
            continue;
        }
        link += line[i++];
    }
    return link;
}

static bool wordchar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

std::string wordat(std::string_view line, int32_t column, int tabwidth) {
    // The text characters with the columns they start in.
    std::string chars;
    std::vector<int32_t> starts;
    int32_t at = 0;
    for (std::size_t i = 0; i < line.size();) {
        if (std::size_t k = codelength(line, i)) {
            i += k;
            continue;
        }
        char c = line[i++];
        chars += c;
        starts.push_back(at);
        at = c == LT_TAB ? nexttab(at, tabwidth) : at + 1;
    }
    std::size_t hit = chars.size();
    for (std::size_t k = 0; k < chars.size(); ++k) {
        int32_t end = k + 1 < chars.size() ? starts[k + 1] : at;
        if (column >= starts[k] && column < end) hit = k;
    }
    if (hit == chars.size() || !wordchar(chars[hit])) return {};
    std::size_t first = hit, last = hit;
    while (first > 0 && wordchar(chars[first - 1])) --first;
    while (last + 1 < chars.size() && wordchar(chars[last + 1])) ++last;
    return chars.substr(first, last - first + 1);
}

std::string plaintext(std::string_view text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size();) {
        if (std::size_t k = codelength(text, i)) {
            i += k;
            continue;
        }
        plain += text[i++];
    }
    return plain;
}

}  // namespace vy
