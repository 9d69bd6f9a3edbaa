#include "support/pattern.h"

#include "support/number_text.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <vector>

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

// Size of any byte-code instruction, for walking the code.
std::size_t op_size(const std::uint8_t* pc) {
    switch (*pc) {
        case pat_literal:
        case pat_set:
        case pat_not_set: return item_size(pc);
        case pat_group_start:
        case pat_group_end: return 2;
        default: return 1;
    }
}

// Backtracking matcher. Whether the code after a repeat matches from a
// position depends on nothing else, so each failure there is remembered:
// patterns such as "*a*a*a*b" then cost polynomial, not exponential, time.
class Matcher {
public:
    Matcher(const char* text, std::int32_t length, const PatternCode& code)
        : text_(reinterpret_cast<const unsigned char*>(text)), length_(length), code_(code.bytes) {
        for (const std::uint8_t* pc = code_; *pc != pat_stop; pc += op_size(pc)) {
            if (*pc == pat_repeat) site_of_[pc - code_] = static_cast<std::uint16_t>(sites_++);
        }
    }

    // The end of a match from `pos`, or -1; group marks are kept for `groups`.
    std::int32_t run(std::int32_t pos) {
        for (int n = 0; n < kPatternGroups; ++n) start_[n] = end_[n] = -1;
        return match(code_, pos);
    }

    void groups(std::int32_t found, const char* text, PatternGroup* out) const {
        for (int n = 0; n < kPatternGroups; ++n) {
            const bool took_part = found >= 0 && start_[n] >= 0 && end_[n] >= start_[n];
            out[n] = took_part ? PatternGroup{text + start_[n], end_[n] - start_[n]} : PatternGroup{nullptr, 0};
        }
    }

private:
    // Up to this many (repeat, position) cells the failures are kept as
    // bits; past it, in a set that grows only with the failures met.
    static constexpr std::uint64_t kBitCells = std::uint64_t{1} << 26;

    std::uint64_t cell(std::int32_t site, std::int32_t at) const {
        return static_cast<std::uint64_t>(site) * static_cast<std::uint64_t>(length_ + 1) +
               static_cast<std::uint64_t>(at);
    }
    bool has_failed(std::uint64_t c) const {
        if (!failed_bits_.empty()) return failed_bits_[c / 64] >> (c % 64) & 1;
        return failed_set_.count(c) != 0;
    }
    void set_failed(std::uint64_t c) {
        const std::uint64_t cells = static_cast<std::uint64_t>(sites_) * static_cast<std::uint64_t>(length_ + 1);
        if (cells <= kBitCells) {
            if (failed_bits_.empty()) failed_bits_.assign((cells + 63) / 64, 0);
            failed_bits_[c / 64] |= std::uint64_t{1} << (c % 64);
        } else {
            failed_set_.insert(c);
        }
    }

    // The code is a straight line, so the last pass over a group mark is the
    // one on the successful path.
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
                    if (pos < length_ && text_[pos] != '\n') return -1;
                    ++pc;
                    break;
                case pat_group_start:
                    start_[pc[1]] = pos;
                    pc += 2;
                    break;
                case pat_group_end:
                    end_[pc[1]] = pos;
                    pc += 2;
                    break;
                case pat_repeat:
                    return repeat(pc, pos);
                default:
                    if (pos >= length_ || !item_matches(pc, text_[pos])) return -1;
                    ++pos;
                    pc += item_size(pc);
                    break;
            }
        }
    }

    // Takes the longest run of the item, then gives back one character at a
    // time down to none.
    std::int32_t repeat(const std::uint8_t* pc, std::int32_t pos) {
        const std::uint8_t* item = pc + 1;
        const std::uint8_t* rest = item + item_size(item);
        const std::int32_t site = site_of_[pc - code_];
        std::int32_t run = 0;
        while (pos + run < length_ && item_matches(item, text_[pos + run])) ++run;
        // A literal right after the run must stand where the run ends.
        const std::uint8_t* next = rest;
        while (*next == pat_group_start || *next == pat_group_end) next += 2;
        const int must = *next == pat_literal ? next[1] : -1;
        for (std::int32_t k = run; k >= 0; --k) {
            const std::int32_t at = pos + k;
            if (must >= 0 && (at >= length_ || text_[at] != must)) continue;
            const std::uint64_t c = cell(site, at);
            if (has_failed(c)) continue;
            const std::int32_t found = match(rest, at);
            if (found >= 0) return found;
            set_failed(c);
        }
        return -1;
    }

    const unsigned char* text_;
    std::int32_t length_;
    const std::uint8_t* code_;
    std::int32_t start_[kPatternGroups];
    std::int32_t end_[kPatternGroups];
    std::uint16_t site_of_[kPatternCodeSize] = {};
    std::int32_t sites_ = 0;
    std::vector<std::uint64_t> failed_bits_;       // made on the first failure
    std::unordered_set<std::uint64_t> failed_set_;  // when the bits would be too many
};

}  // namespace

namespace {

const char* compile(PatternCode& code, char delimiter, const char* pattern) {
    Emitter out{code.bytes};
    const char* p = pattern;
    auto at_end = [delimiter](const char* s) { return *s == delimiter || *s == 0; };

    if (*p == '^' && delimiter != '^') {
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

}  // namespace

const char* patcompile(PatternCode& code, char delimiter, const char* pattern) {
    const char* end = pattern ? compile(code, delimiter, pattern) : nullptr;
    if (!end) {
        // A refused pattern leaves a code that matches nothing: an empty set.
        code.bytes[0] = pat_set;
        code.bytes[1] = pat_set_end;
        code.bytes[2] = pat_stop;
    }
    return end;
}

std::int32_t patmatch(const char* text, std::int32_t length, std::int32_t position,
                      const PatternCode& code, PatternGroup* groups) {
    if (length < 0) length = 0;
    std::int32_t found = -1;
    Matcher matcher(text, length, code);
    if (position >= 0 && position <= length) found = matcher.run(position);
    if (groups) matcher.groups(found, text, groups);
    return found;
}

bool patfind(const char* text, std::int32_t length, const PatternCode& code) {
    if (length < 0) length = 0;
    Matcher matcher(text, length, code);
    if (code.bytes[0] == pat_start) return matcher.run(0) >= 0;
    const std::uint8_t* first = code.bytes;
    while (*first == pat_group_start) first += 2;
    const int lead = *first == pat_literal ? first[1] : -1;
    for (std::int32_t pos = 0; pos <= length; ++pos) {
        if (lead >= 0 && (pos == length || static_cast<unsigned char>(text[pos]) != lead)) continue;
        if (matcher.run(pos) >= 0) return true;
    }
    return false;
}

}  // namespace vy
