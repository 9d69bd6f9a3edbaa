#include "support/pattern.h"

#include "support/number_text.h"

#include <cstring>

namespace vy {

namespace {

struct Emitter {
    std::uint8_t* bytes;
    std::size_t size = 0;
    bool full = false;

    void put(std::uint8_t b) {
        if (size < kPatternCodeSize) {
            bytes[size++] = b;
        } else {
            full = true;
        }
    }
    // Puts `b` in front of the item that starts at `at`.
    void insert(std::size_t at, std::uint8_t b) {
        if (size >= kPatternCodeSize) {
            full = true;
            return;
        }
        std::memmove(bytes + at + 1, bytes + at, size - at);
        bytes[at] = b;
        ++size;
    }
};

// One character of a set: plain or a backslash escape. Advances `p`.
std::uint8_t set_char(const char*& p) {
    if (*p != '\\') return static_cast<std::uint8_t>(*p++);
    const std::int32_t value = scanesc(p, nullptr);
    ++p;
    return static_cast<std::uint8_t>(value);
}

// Compiles "[...]" at `p`; false when the text ends before the ']'.
bool compile_set(Emitter& out, const char*& p) {
    ++p;
    const bool negated = *p == '!';
    if (negated) ++p;
    out.put(negated ? pat_not_set : pat_set);
    for (;;) {
        if (*p == 0) return false;
        if (*p == ']') {
            ++p;
            break;
        }
        const std::uint8_t lo = set_char(p);
        if (*p == '-' && p[1] != ']' && p[1] != 0) {
            ++p;
            const std::uint8_t hi = set_char(p);
            out.put(pat_range);
            out.put(lo);
            out.put(hi);
        } else {
            out.put(pat_literal);
            out.put(lo);
        }
    }
    out.put(pat_set_end);
    return true;
}

std::size_t item_size(const std::uint8_t* item) {
    switch (*item) {
        case pat_literal: return 2;
        case pat_set:
        case pat_not_set: {
            const std::uint8_t* p = item + 1;
            while (*p != pat_set_end) p += *p == pat_range ? 3 : 2;
            return static_cast<std::size_t>(p - item) + 1;
        }
        default: return 1;  // pat_any
    }
}

bool item_matches(const std::uint8_t* item, unsigned char c) {
    switch (*item) {
        case pat_literal: return c == item[1];
        case pat_any: return c != '\n';
        case pat_set:
        case pat_not_set: {
            bool in = false;
            for (const std::uint8_t* p = item + 1; *p != pat_set_end; p += *p == pat_range ? 3 : 2) {
                if (*p == pat_range ? (c >= p[1] && c <= p[2]) : c == p[1]) in = true;
            }
            return *item == pat_set ? in : !in && c != '\n';
        }
        default: return false;
    }
}

struct Matcher {
    const unsigned char* text;
    std::int32_t length;
    std::int32_t start[kPatternGroups];
    std::int32_t end[kPatternGroups];

    // The end of a match of the code at `pc` from `pos`, or -1. The code is
    // a straight line, so the last pass over a group mark is the one on the
    // successful path.
    std::int32_t match(const std::uint8_t* pc, std::int32_t pos) {
        for (;;) {
            switch (*pc) {
                case pat_stop:
                    return pos;
                case pat_start:
                    if (pos != 0) return -1;
                    ++pc;
                    break;
                case pat_end:
                    if (pos < length && text[pos] != '\n') return -1;
                    ++pc;
                    break;
                case pat_group_start:
                    if (pc[1] < kPatternGroups) start[pc[1]] = pos;
                    pc += 2;
                    break;
                case pat_group_end:
                    if (pc[1] < kPatternGroups) end[pc[1]] = pos;
                    pc += 2;
                    break;
                case pat_repeat:
                    return repeat(pc + 1, pos);
                default:
                    if (pos >= length || !item_matches(pc, text[pos])) return -1;
                    ++pos;
                    pc += item_size(pc);
                    break;
            }
        }
    }

    // Takes the longest run of the item, then gives back one character at a
    // time down to none.
    std::int32_t repeat(const std::uint8_t* item, std::int32_t pos) {
        const std::uint8_t* rest = item + item_size(item);
        std::int32_t run = 0;
        while (pos + run < length && item_matches(item, text[pos + run])) ++run;
        // A literal right after the run must stand where the run ends.
        const std::uint8_t* next = rest;
        while (*next == pat_group_start || *next == pat_group_end) next += 2;
        const int must = *next == pat_literal ? next[1] : -1;
        for (std::int32_t k = run; k >= 0; --k) {
            if (must >= 0 && (pos + k >= length || text[pos + k] != must)) continue;
            const std::int32_t found = match(rest, pos + k);
            if (found >= 0) return found;
        }
        return -1;
    }
};

}  // namespace

const char* patcompile(PatternCode& code, char delimiter, const char* pattern) {
    Emitter out{code.bytes};
    const char* p = pattern;
    auto at_end = [delimiter](const char* s) { return *s == delimiter || *s == 0; };

    if (*p == '^') {
        out.put(pat_start);
        ++p;
    }
    out.put(pat_group_start);
    out.put(0);

    // Open groups: the recorded ones (1-9) by number, then those past the
    // ninth, which are not recorded. Every group started after the ninth
    // lies inside the recorded ones still open, so a count serves for them.
    std::uint8_t open[9];
    int recorded_open = 0;
    std::int32_t unrecorded_open = 0;
    int groups = 0;
    std::ptrdiff_t last = -1;  // start of the item that a '^' may repeat

    while (!at_end(p)) {
        const char c = *p;
        if (c == '$' && at_end(p + 1)) {
            out.put(pat_end);
            last = -1;
            ++p;
        } else if (c == '*') {
            out.put(pat_repeat);
            out.put(pat_any);
            last = -1;
            ++p;
        } else if (c == '^' && last >= 0) {
            out.insert(static_cast<std::size_t>(last), pat_repeat);
            last = -1;
            ++p;
        } else if (c == '[') {
            last = static_cast<std::ptrdiff_t>(out.size);
            if (!compile_set(out, p)) return nullptr;
        } else if (c == '?') {
            last = static_cast<std::ptrdiff_t>(out.size);
            out.put(pat_any);
            ++p;
        } else if (c == '\\') {
            const std::int32_t value = scanesc(p, "()");
            ++p;
            if (value == -1) {
                if (groups < 9) {
                    open[recorded_open++] = static_cast<std::uint8_t>(++groups);
                    out.put(pat_group_start);
                    out.put(static_cast<std::uint8_t>(groups));
                } else {
                    ++unrecorded_open;
                }
                last = -1;
            } else if (value == -2) {
                if (unrecorded_open > 0) {
                    --unrecorded_open;
                } else if (recorded_open > 0) {
                    out.put(pat_group_end);
                    out.put(open[--recorded_open]);
                } else {
                    return nullptr;
                }
                last = -1;
            } else {
                last = static_cast<std::ptrdiff_t>(out.size);
                out.put(pat_literal);
                out.put(static_cast<std::uint8_t>(value));
            }
        } else {
            last = static_cast<std::ptrdiff_t>(out.size);
            out.put(pat_literal);
            out.put(static_cast<std::uint8_t>(c));
            ++p;
        }
    }
    if (*p != delimiter || recorded_open != 0 || unrecorded_open != 0) return nullptr;
    out.put(pat_group_end);
    out.put(0);
    out.put(pat_stop);
    return out.full ? nullptr : p;
}

std::int32_t patmatch(const char* text, std::int32_t length, std::int32_t position,
                      const PatternCode& code, PatternGroup* groups) {
    if (length < 0) length = 0;
    if (position < 0 || position > length) return -1;
    Matcher m{reinterpret_cast<const unsigned char*>(text), length, {}, {}};
    for (int n = 0; n < kPatternGroups; ++n) m.start[n] = m.end[n] = -1;
    const std::int32_t found = m.match(code.bytes, position);
    if (groups) {
        for (int n = 0; n < kPatternGroups; ++n) {
            const bool took_part = found >= 0 && m.start[n] >= 0 && m.end[n] >= m.start[n];
            groups[n] = took_part ? PatternGroup{text + m.start[n], m.end[n] - m.start[n]}
                                  : PatternGroup{nullptr, 0};
        }
    }
    return found;
}

bool patfind(const char* text, std::int32_t length, const PatternCode& code) {
    if (length < 0) length = 0;
    if (code.bytes[0] == pat_start) return patmatch(text, length, 0, code, nullptr) >= 0;
    const std::uint8_t* first = code.bytes;
    while (*first == pat_group_start) first += 2;
    const int lead = *first == pat_literal ? first[1] : -1;
    for (std::int32_t pos = 0; pos <= length; ++pos) {
        if (lead >= 0 && (pos == length || static_cast<unsigned char>(text[pos]) != lead)) continue;
        if (patmatch(text, length, pos, code, nullptr) >= 0) return true;
    }
    return false;
}

}  // namespace vy
