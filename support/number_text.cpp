#include "support/number_text.h"

namespace vy {

namespace {

constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";

int digit_value(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return -1;
}

// The shared reader; U is the unsigned type of the result's width.
// `wide`, when given, is set when the digits pass 32 bits.
template <class U>
std::int32_t scan_integer(const char* text, std::int32_t count, U& out, std::int32_t base, bool* wide = nullptr) {
    // Every read goes through `at`, which gives -1 past the count.
    auto at = [&](std::int32_t i) -> int {
        return i < count ? static_cast<unsigned char>(text[i]) : -1;
    };
    auto is_x = [](int c) { return c == 'x' || c == 'X'; };

    std::int32_t i = 0;
    while (i < count && (at(i) <= 32 || at(i) == 127)) ++i;
    bool negative = false;
    if (at(i) == '-' || at(i) == '+') negative = at(i++) == '-';

    bool number = false;  // a digit (the '0' of a prefix counts) was read
    if (base == 1) {
        if (at(i) == '0' && is_x(at(i + 1))) {
            base = 16;
            i += 2;
            number = true;
        } else if (at(i) == '0' && at(i + 1) == 'b') {
            base = 2;
            i += 2;
            number = true;
        } else {
            base = at(i) == '0' ? 8 : 10;
        }
    } else if (base == 16 && at(i) == '0' && is_x(at(i + 1))) {
        i += 2;
        number = true;
    }

    std::uint32_t value = 0;
    std::uint64_t whole = 0;  // the value without wrapping, up to 33 bits
    if (wide) *wide = false;
    for (;;) {
        const int digit = digit_value(at(i));
        if (digit < 0 || digit >= base) break;
        whole = whole * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (whole > 0xFFFFFFFFu) {
            if (wide) *wide = true;
            whole = 0x100000000u;
        }
        value = static_cast<U>(value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit));
        ++i;
        number = true;
    }
    if (!number) {
        out = 0;
        return 0;
    }
    if (at(i) == 'l' || at(i) == 'L') ++i;
    out = static_cast<U>(negative ? 0u - value : value);
    return i;
}

}  // namespace

std::int32_t scanshort(const char* text, std::int32_t count, std::int16_t& out, std::int32_t base) {
    std::uint16_t value = 0;
    const std::int32_t used = scan_integer(text, count, value, base);
    out = static_cast<std::int16_t>(value);
    return used;
}

std::int32_t scanlong(const char* text, std::int32_t count, std::int32_t& out, std::int32_t base) {
    std::uint32_t value = 0;
    const std::int32_t used = scan_integer(text, count, value, base);
    out = static_cast<std::int32_t>(value);
    return used;
}

std::int32_t scanulong(const char* text, std::int32_t count, std::uint32_t& out, std::int32_t base) {
    return scan_integer(text, count, out, base);
}

std::int32_t scanulong(const char* text, std::int32_t count, std::uint32_t& out, std::int32_t base, bool& wide) {
    return scan_integer(text, count, out, base, &wide);
}

std::int32_t scanesc(const char*& cursor, const char* set) {
    const char* p = cursor + 1;
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == 0) return '\\';
    if (c >= '0' && c <= '9') {
        std::int32_t value = 0;
        for (int n = 0; n < 3 && *p >= '0' && *p <= '9'; ++n, ++p) value = value * 8 + (*p - '0');
        cursor = p - 1;
        return value;
    }
    cursor = p;
    switch (c) {
        case 'b': case 'B': return 8;
        case 'f': case 'F': return 12;
        case 'n': case 'N': return 10;
        case 'r': case 'R': return 13;
        case 't': case 'T': return 9;
        case 'v': case 'V': return 11;
        default: break;
    }
    if (set) {
        for (std::int32_t i = 0; set[i]; ++i) {
            if (static_cast<unsigned char>(set[i]) == c) return ~i;
        }
    }
    return c;
}

std::int32_t ultotext(char* buffer, std::uint32_t value, std::int32_t base) {
    const bool is_signed = base < 1;  // base 0 is signed decimal
    if (base == 0) base = -10;
    std::uint32_t radix = is_signed ? 0u - static_cast<std::uint32_t>(base) : static_cast<std::uint32_t>(base);
    if (radix < 2 || radix > 36) radix = 10;  // a base 1 would never end; others have no digits

    std::int32_t length = 0;
    if (is_signed && static_cast<std::int32_t>(value) < 0) {
        buffer[length++] = '-';
        value = 0u - value;
    }
    char reversed[32];
    int n = 0;
    do {
        reversed[n++] = kDigits[value % radix];
        value /= radix;
    } while (value != 0);
    while (n > 0) buffer[length++] = reversed[--n];
    return length;
}

std::int32_t ltotext(char* buffer, std::int32_t value, std::int32_t base) {
    return ultotext(buffer, static_cast<std::uint32_t>(value), base);
}

std::int32_t stotext(char* buffer, std::int16_t value, std::int32_t base) {
    const bool is_signed = base < 1;
    const std::uint32_t bits = is_signed ? static_cast<std::uint32_t>(static_cast<std::int32_t>(value))
                                         : static_cast<std::uint16_t>(value);
    return ultotext(buffer, bits, base);
}

}  // namespace vy
