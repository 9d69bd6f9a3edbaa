// Random formats built from the conversion grammar, with random arguments.
//
// Every conversion is formatted on its own and inside a longer format: the
// whole must be the pieces one after the other (so each conversion takes
// exactly its own arguments), every field keeps to its length limit, and
// a buffer cut short keeps a prefix. Natively, conversions that mean the
// same as a C printf conversion are compared with the host's snprintf.
#include "support/format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using vy::FormatArg;

// A small generator whose sequence is the same on every host.
struct Random {
    std::uint64_t state;
    std::uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state >> 32);
    }
    std::uint32_t below(std::uint32_t n) { return next() % n; }
    bool chance(std::uint32_t one_in) { return below(one_in) == 0; }
};

// Text and byte blocks live in allocations of their exact size, so the
// sanitizer sees any read past them.
struct Storage {
    std::vector<std::unique_ptr<char[]>> blocks;
    const char* text(Random& r) {
        const std::size_t length = r.chance(8) ? r.below(300) : r.below(12);
        auto block = std::make_unique<char[]>(length + 1);
        for (std::size_t i = 0; i < length; ++i) block[i] = static_cast<char>(1 + r.below(255));
        block[length] = 0;
        blocks.push_back(std::move(block));
        return blocks.back().get();
    }
    const char* bytes(Random& r, std::size_t count) {
        auto block = std::make_unique<char[]>(count == 0 ? 1 : count);
        for (std::size_t i = 0; i < count; ++i) block[i] = static_cast<char>(r.chance(4) ? 0 : r.below(256));
        blocks.push_back(std::move(block));
        return blocks.back().get();
    }
};

double random_double(Random& r) {
    switch (r.below(6)) {
        case 0: {  // a few binary fraction digits: often exact in few decimals
            const double n = static_cast<double>(r.below(2000000)) - 1000000.0;
            return std::ldexp(n, -static_cast<int>(r.below(8)));
        }
        case 1: {  // any bit pattern: subnormals, huge values, inf, NaN
            const std::uint64_t bits = (static_cast<std::uint64_t>(r.next()) << 32) | r.next();
            double x;
            std::memcpy(&x, &bits, sizeof x);
            return x;
        }
        case 2: return std::pow(10.0, static_cast<double>(r.below(600)) - 300.0) * (r.chance(2) ? -1 : 1);
        case 3: {
            static const double kSpecial[] = {0.0, -0.0, 1.0, -1.0, 0.5, 9.999999999999999e22, 1e23,
                                              5e-324, 1.7976931348623157e308, HUGE_VAL, -HUGE_VAL,
                                              0.1, 0.3, 123456789012345678.0, 99.99, 0.0625};
            return kSpecial[r.below(sizeof kSpecial / sizeof kSpecial[0])];
        }
        case 4: return static_cast<double>(static_cast<std::int32_t>(r.next()));
        default: return static_cast<double>(r.next()) / (1.0 + r.below(1000));
    }
}

std::uint32_t random_int(Random& r) {
    switch (r.below(4)) {
        case 0: return r.below(20);
        case 1: return static_cast<std::uint32_t>(-static_cast<std::int32_t>(r.below(300)));
        case 2: return r.below(0x10000);
        default: return r.next();
    }
}

// One piece of a format: its text, its arguments, and what is known of its
// output.
struct Piece {
    std::string format;
    std::vector<FormatArg> args;
    std::size_t longest = 0;    // the most the piece may write
    std::size_t shortest = 0;   // the least it must write
    bool has_oracle = false;    // `oracle` is the exact expected output
    std::string oracle;
};

#if !defined(_WIN32)
std::string c_format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string c_format(const char* format, ...) {
    std::va_list list;
    va_start(list, format);
    char buffer[2048];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, list);
    va_end(list);
    return std::string(buffer, static_cast<std::size_t>(std::max(n, 0)));
}

// The significant digits of a double's exact decimal expansion (no
// leading or trailing zeros) and, for the fixed form, how many of them lie
// after the point. Natively only: it relies on snprintf printing exact
// digits for any precision.
struct Expansion {
    std::size_t significant = 0;
    std::size_t fraction = 0;
};

Expansion expansion(double x) {
    std::string text = c_format("%.1100f", std::fabs(x));
    const std::size_t point = text.find('.');
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    Expansion e;
    e.fraction = text.size() > point ? text.size() - point - 1 : 0;
    std::string digits;
    for (char c : text) {
        if (c != '.') digits += c;
    }
    const std::size_t first = digits.find_first_not_of('0');
    e.significant = first == std::string::npos ? 0 : digits.size() - first;
    return e;
}

// The field as C writes it for a conversion whose meaning is the same, or
// false when there is none.
bool c_field(char letter, char qualifier, std::int16_t precision, std::uint32_t value, const char* text,
             double real, std::string& field) {
    const char* base = qualifier == 'h' ? "%x" : qualifier == 'o' ? "%o" : qualifier == 'u' ? "%u" : nullptr;
    switch (letter) {
        case 'c':
            if (qualifier == 0) { field = c_format("%d", static_cast<std::int16_t>(value)); return true; }
            if (!base) return false;
            field = c_format(base, value & 0xffu);
            return true;
        case 's':
            if (qualifier == 0) { field = c_format("%d", static_cast<std::int16_t>(value)); return true; }
            if (!base) return false;
            field = c_format(base, value & 0xffffu);
            return true;
        case 'i':
        case 'l':
            if (qualifier == 0) { field = c_format("%d", static_cast<std::int32_t>(value)); return true; }
            if (!base) return false;
            field = c_format(base, value);
            return true;
        case 'p':
            if (!text || precision < 0) return false;
            field = precision > 0 ? c_format("%.*s", precision, text) : c_format("%s", text);
            return true;
        case 'f': {
            if (std::isnan(real) || (real == 0 && std::signbit(real))) return false;
            if (std::isinf(real)) { field = c_format("%f", real); return true; }
            // Both round the exact value at the last fraction digit; they
            // agree while at most 17 significant digits are kept and the
            // integer part (one digit more after a carry) is not cut.
            const Expansion e = expansion(real);
            const long exponent = static_cast<long>(e.significant) - static_cast<long>(e.fraction);
            if (precision < 0 || precision > 61 || exponent + precision > 17 ||
                std::max(exponent, 1L) + 1 > 62 - precision) {
                return false;
            }
            field = c_format("%.*f", static_cast<int>(precision), real);
            return true;
        }
        case 'd': {
            if (std::isnan(real) || (real == 0 && std::signbit(real))) return false;
            if (std::isinf(real)) { field = c_format("%e", real); return true; }
            if (precision < 0 || precision > 16) return false;  // past 17 digits C writes more than zeros
            field = c_format("%.*e", static_cast<int>(precision), real);
            return true;
        }
        case 'b': return false;  // C has no counted bytes
        case 'x': field.clear(); return true;
        default: field = std::string(1, letter); return true;
    }
}
#endif

Piece random_conversion(Random& r, Storage& storage) {
    Piece piece;
    std::string& f = piece.format;
    f.push_back('%');
    char fill = ' ';
    bool left = false;
    if (r.chance(2)) {
        left = r.chance(2);
        f += left ? '-' : '+';
        static const char kFills[] = " 0*-+.n5%h";
        fill = r.chance(3) ? static_cast<char>(1 + r.below(255)) : kFills[r.below(sizeof kFills - 1)];
        f += fill;
    }
    std::int16_t width = 0;
    bool width_from_arg = false;
    switch (r.below(4)) {
        case 0: break;
        case 1: width = static_cast<std::int16_t>(r.below(70)); f += std::to_string(width); break;
        case 2: width_from_arg = true; f += r.chance(2) ? 'n' : 'N'; break;
        default: {
            const std::uint32_t digits = r.below(100000);
            width = static_cast<std::int16_t>(digits % 65536 > 32767 ? digits % 65536 - 65536 : digits % 65536);
            if (width > 300) {  // keep the run short; wrapped values stay
                width = 0;
                f += '0';
            } else {
                f += std::to_string(digits);
            }
        }
    }
    std::int16_t precision = 0;
    bool precision_from_arg = false;
    switch (r.below(4)) {
        case 0: break;
        case 1: precision = static_cast<std::int16_t>(r.below(70)); f += '.' + std::to_string(precision); break;
        case 2: precision_from_arg = true; f += r.chance(2) ? ".n" : ".N"; break;
        default: f += '.'; break;  // a point without digits is precision 0
    }
    if (width_from_arg) {
        width = static_cast<std::int16_t>(static_cast<std::int32_t>(r.below(100)) - 20);
        piece.args.emplace_back(r.chance(10) ? 0x10000u + static_cast<std::uint16_t>(width)
                                             : static_cast<std::uint32_t>(static_cast<std::int32_t>(width)));
    }
    if (precision_from_arg) {
        precision = static_cast<std::int16_t>(static_cast<std::int32_t>(r.below(90)) - 10);
        piece.args.emplace_back(static_cast<std::int32_t>(precision));
    }
    static const char kQualifiers[] = "hozua";
    const char qualifier = r.chance(2) ? kQualifiers[r.below(5)] : 0;
    if (qualifier) f += qualifier;
    static const char kLetters[] = "csilpbfdx";
    static const char kOthers[] = "%qQ!yYkK ";
    char letter;
    bool bare_qualifier = false;
    if (qualifier && r.chance(6)) {
        letter = 'l';  // the qualifier ends the conversion; the next byte is text
        bare_qualifier = true;
    } else {
        // After a qualifier only a known letter ends the conversion.
        letter = !qualifier && r.chance(8) ? kOthers[r.below(sizeof kOthers - 1)] : kLetters[r.below(sizeof kLetters - 1)];
        f += letter;
    }

    // The conversion's own arguments, now and then of the wrong kind or missing.
    std::uint32_t value = 0;
    const char* text = nullptr;
    double real = 0;
    std::size_t field_longest = 1;
    bool well_typed = true;
    switch (letter) {
        case 'c': case 's': case 'i': case 'l':
            value = random_int(r);
            piece.args.emplace_back(value);
            field_longest = qualifier == 'a' ? (letter == 'c' ? 1 : letter == 's' ? 2 : 4) : 32;
            break;
        case 'p':
            text = r.chance(20) ? nullptr : storage.text(r);
            piece.args.emplace_back(text);
            field_longest = text ? std::strlen(text) : 0;
            if (precision > 0) field_longest = std::min<std::size_t>(field_longest, static_cast<std::size_t>(precision));
            break;
        case 'b': {
            const std::size_t count = r.below(r.chance(8) ? 400 : 10);
            piece.args.emplace_back(storage.bytes(r, count));
            piece.args.emplace_back(r.chance(5) ? static_cast<std::uint32_t>(count) + 0x30000u
                                                : static_cast<std::uint32_t>(count));
            field_longest = count;
            break;
        }
        case 'f': case 'd':
            real = random_double(r);
            piece.args.emplace_back(real);
            field_longest = letter == 'f' ? 64 : 65;
            break;
        case 'x':
            field_longest = 0;
            break;
        default:
            break;
    }
    const bool takes_argument = std::strchr("csilpbfd", letter) != nullptr;
    if (takes_argument && r.chance(25)) {
        // A mismatched argument: whatever the letter reads, it must not crash.
        // For b only the pointer is replaced: a count is the caller's to get
        // right, whatever it was made from.
        FormatArg& arg = piece.args[piece.args.size() - (letter == 'b' ? 2 : 1)];
        const char* other_text = nullptr;
        switch (r.below(letter == 'b' ? 2 : 3)) {
            case 0: arg = FormatArg(random_double(r)); break;
            case 1: arg = FormatArg(random_int(r)); break;
            default: other_text = storage.text(r); arg = FormatArg(other_text); break;
        }
        well_typed = false;
        if (letter == 'p') {  // a pointer from a non-pointer is null
            field_longest = other_text ? std::strlen(other_text) : 0;
            if (precision > 0) field_longest = std::min<std::size_t>(field_longest, static_cast<std::size_t>(precision));
        }
        if (letter == 'b') field_longest = 0;
    }
    if (bare_qualifier) f += r.chance(2) ? ' ' : 'q';

    const std::size_t pad = width > 0 ? static_cast<std::size_t>(width) : 0;
    const std::size_t extra = bare_qualifier ? 1 : 0;
    piece.longest = std::max(pad, field_longest) + extra;
    piece.shortest = pad + extra;

#if !defined(_WIN32)
    std::string field;
    if (well_typed && c_field(letter, qualifier, precision, value, text, real, field)) {
        const std::size_t padding = width > static_cast<std::int64_t>(field.size()) ? width - field.size() : 0;
        const std::string fills(padding, fill);
        piece.oracle = left ? field + fills : fills + field;
        if (bare_qualifier) piece.oracle += f.back();
        piece.has_oracle = true;
        if (fill == ' ' && padding > 0 && !bare_qualifier) {
            // With blank fill the padding is C's own: check it against C too.
            const std::string c_padded = left ? c_format("%-*s", static_cast<int>(width), field.c_str())
                                                     : c_format("%*s", static_cast<int>(width), field.c_str());
            EXPECT_EQ(piece.oracle, c_padded);
        }
    }
#else
    (void)well_typed;
    (void)fill;
    (void)left;
#endif
    return piece;
}

Piece random_literal(Random& r) {
    Piece piece;
    const std::size_t length = 1 + r.below(6);
    for (std::size_t i = 0; i < length; ++i) {
        char c;
        do c = static_cast<char>(1 + r.below(255));
        while (c == '%');
        piece.format += c;
    }
    piece.longest = piece.shortest = length;
    piece.oracle = piece.format;
    piece.has_oracle = true;
    return piece;
}

std::string run(const std::string& format, const std::vector<FormatArg>& args, std::uint32_t capacity = 1u << 16) {
    std::vector<char> buffer(capacity + 1, '#');
    const std::uint32_t n = vy::vfmtbuf(buffer.data(), capacity, format.c_str(), args);
    EXPECT_LE(n, capacity);
    EXPECT_EQ(buffer[n], '#') << "a byte past the output was written";
    return std::string(buffer.data(), n);
}

TEST(FormatRandom, PiecesBoundsAndCompareWithC) {
    Random r{20261210};
    Storage storage;
    int compared = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<Piece> pieces;
        const std::uint32_t count = 1 + r.below(5);
        for (std::uint32_t i = 0; i < count; ++i) {
            pieces.push_back(r.chance(3) ? random_literal(r) : random_conversion(r, storage));
        }
        std::string whole_format;
        std::vector<FormatArg> whole_args;
        std::string expected;
        for (const Piece& piece : pieces) {
            const std::string out = run(piece.format, piece.args);
            SCOPED_TRACE("format \"" + piece.format + "\" in round " + std::to_string(round));
            EXPECT_GE(out.size(), piece.shortest);
            EXPECT_LE(out.size(), piece.longest);
            if (piece.has_oracle) {
                EXPECT_EQ(out, piece.oracle);
                ++compared;
            }
            whole_format += piece.format;
            whole_args.insert(whole_args.end(), piece.args.begin(), piece.args.end());
            expected += out;
        }
        SCOPED_TRACE("format \"" + whole_format + "\" in round " + std::to_string(round));
        EXPECT_EQ(run(whole_format, whole_args), expected);
        const std::uint32_t cut = r.below(static_cast<std::uint32_t>(expected.size()) + 2);
        EXPECT_EQ(run(whole_format, whole_args, cut), expected.substr(0, cut));

        // Fewer arguments than asked for, or a format cut anywhere: no crash,
        // and the output stays within what the whole format may write.
        std::vector<FormatArg> fewer(whole_args.begin(), whole_args.begin() + r.below(static_cast<std::uint32_t>(whole_args.size()) + 1));
        EXPECT_LE(run(whole_format, fewer).size(), 1u << 16);
        const std::string cut_format = whole_format.substr(0, r.below(static_cast<std::uint32_t>(whole_format.size()) + 1));
        EXPECT_LE(run(cut_format, whole_args).size(), 1u << 16);
    }
#if !defined(_WIN32)
    EXPECT_GT(compared, 4000);  // the comparison with C must not quietly fall away
#endif
}

}  // namespace
