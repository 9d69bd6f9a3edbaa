#include "debugger/engine/location.h"

#include <cctype>
#include <cstring>
#include <string>

#include "debugger/engine/names.h"
#include "debugger/engine/scan.h"
#include "support/number_text.h"

namespace vy {

LocationSpec location;

// The buffer every parse copies its word into; the names point into it.
static std::string word;

bool isnamech(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'; }

// A word ends at NUL, at a byte below 33 or DEL (counted signed, so bytes
// from 128 up end it too), and at ';'.
static bool endsword(char c) { return c == '\0' || static_cast<signed char>(c) < 33 || c == 127 || c == ';'; }

static bool plainch(char c) { return isnamech(c) || c == '@'; }

// A number of the support library's scanner (automatic base) that uses the
// whole text from p up to the next '.', ':' or the end: its length, or 0.
static std::size_t number(const char* p, int32_t& value) {
    std::size_t n = std::strcspn(p, ".:");
    if (n == 0) return 0;
    int32_t used = scanlong(p, static_cast<int32_t>(n), value, 1);
    return static_cast<std::size_t>(used) == n ? n : 0;
}

// The text after an '@': wholly a number of the 16-bit address space. Any
// other text (a mistyped name, nothing, a wider number, one past 32 bits
// that would wrap) is no address, and the word stays a name for the caller
// to report.
static bool isaddressword(const char* p, std::ptrdiff_t n, int32_t& value) {
    uint32_t v = 0;
    bool wide = false;
    if (n <= 0 || scanulong(p, static_cast<int32_t>(n), v, 1, wide) != n || wide || v > 0xFFFF) return false;
    value = static_cast<int32_t>(v);
    return true;
}

// line[.column][:endline[.endcolumn]], the whole text used.
static bool linerange(const char* p, LocationSpec& r) {
    int32_t v = 0;
    std::size_t n = number(p, v);
    if (!n) return false;
    r.number = static_cast<uint32_t>(v);
    p += n;
    if (*p == '.') {
        if (!(n = number(p + 1, v))) return false;
        r.column = static_cast<uint32_t>(v);
        p += 1 + n;
    }
    if (*p == ':') {
        if (!(n = number(p + 1, v))) return false;
        r.endline = static_cast<uint32_t>(v);
        p += 1 + n;
        if (*p == '.') {
            if (!(n = number(p + 1, v))) return false;
            r.endcolumn = static_cast<uint32_t>(v);
            p += 1 + n;
        }
    }
    return *p == '\0';
}

const char* parseloc(const char* text, LocationSpec& r) {
    r.number = 0;
    r.column = NOCOLUMN;
    r.endline = 0;
    r.endcolumn = NOCOLUMN;
    r.file = r.function = r.name = nullptr;
    r.address = 0;
    r.isaddress = r.present = r.isline = 0;
    const char* p = skipblanks(text);
    if (!*p) return p;

    // The word, with the colon of a line form and the first other byte that
    // is no name character. A ':' is that colon unless it is the word's
    // second byte followed by something other than a digit or the word's end
    // (so the drive letter of c:\src\f.c:7 is passed over). After the colon a
    // line range keeps its '.' and ':'; any other such byte ends the word.
    std::ptrdiff_t colon = -1, remembered = -1;
    bool range = false;
    std::ptrdiff_t n = 0;
    for (; !endsword(p[n]); ++n) {
        char c = p[n];
        if (plainch(c)) continue;
        if (colon >= 0) {
            if (range && (c == '.' || c == ':')) continue;
            break;
        }
        if (c == ':') {
            char next = p[n + 1];
            if (endsword(next) || std::isdigit(static_cast<unsigned char>(next)) || n != 1) {
                colon = n;
                range = std::isdigit(static_cast<unsigned char>(next));
                continue;
            }
        }
        if (remembered < 0) remembered = n;
    }
    if (colon < 0 && remembered >= 0) n = remembered;
    const char* after = p + n;
    word.assign(p, static_cast<std::size_t>(n));

    bool parens = after[0] == '(' && after[1] == ')';
    if (n == 0) {
        if (!parens) return after;
        r.present = 1;
        r.function = names().framefunction();
        return after + 2;
    }
    r.present = 1;
    char* w = word.data();

    if (colon >= 0) {
        r.isline = 1;
        w[colon] = '\0';
        std::size_t before = static_cast<std::size_t>(colon);
        if (before >= 2 && std::strcmp(w + before - 2, "()") == 0) {
            if (before == 2) {
                r.function = names().framefunction();
            } else {
                w[before - 2] = '\0';
                r.function = w;
            }
        } else if (before > 0) {
            r.file = w;
        }
        const char* rest = w + colon + 1;
        if (!linerange(rest, r)) {
            r.number = 0;
            r.column = r.endcolumn = NOCOLUMN;
            r.endline = 0;
            if (*rest) r.name = rest;
        }
        return after;
    }

    int32_t v = 0;
    if (w[0] == '@' && isaddressword(w + 1, n - 1, v)) {
        r.address = static_cast<uint16_t>(v);
        r.isaddress = 1;
    } else if (std::strchr("uUlL", w[0]) == nullptr && scanlong(w, static_cast<int32_t>(n), v, 1) == n) {
        r.number = static_cast<uint32_t>(v);
    } else if (parens) {
        r.function = w;
        after += 2;
    } else {
        r.name = w;
    }
    return after;
}

bool isline(const LocationSpec& r) {
    if (r.name) return false;
    return r.file || r.function || (r.number != 0 && r.isline);
}

bool iscount(const LocationSpec& r) {
    return r.present && !r.isaddress && !r.name && !r.file && !r.function && !r.isline;
}

bool hasname(const LocationSpec& r) { return r.name != nullptr; }

}  // namespace vy
