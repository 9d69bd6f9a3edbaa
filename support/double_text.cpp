#include "support/double_text.h"

#include "support/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace vy {

namespace {

// A nonnegative whole number in 32-bit limbs, least significant first, big
// enough for any double's mantissa times 5^1074 (2547 bits). No allocation.
struct BigNumber {
    std::uint32_t limb[82];
    int size = 0;
};

void big_multiply(BigNumber& n, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (int i = 0; i < n.size; ++i) {
        const std::uint64_t t = static_cast<std::uint64_t>(n.limb[i]) * factor + carry;
        n.limb[i] = static_cast<std::uint32_t>(t);
        carry = t >> 32;
    }
    if (carry != 0) n.limb[n.size++] = static_cast<std::uint32_t>(carry);
}

void big_shift_left(BigNumber& n, int bits) {
    const int words = bits / 32;
    const int rest = bits % 32;
    if (rest != 0) {
        std::uint32_t carry = 0;
        for (int i = 0; i < n.size; ++i) {
            const std::uint32_t next = n.limb[i] >> (32 - rest);
            n.limb[i] = (n.limb[i] << rest) | carry;
            carry = next;
        }
        if (carry != 0) n.limb[n.size++] = carry;
    }
    if (words != 0) {
        std::memmove(n.limb + words, n.limb, sizeof(n.limb[0]) * static_cast<std::size_t>(n.size));
        std::fill(n.limb, n.limb + words, 0u);
        n.size += words;
    }
}

// Divides in place and returns the remainder.
std::uint32_t big_divide(BigNumber& n, std::uint32_t divisor) {
    std::uint64_t remainder = 0;
    for (int i = n.size - 1; i >= 0; --i) {
        const std::uint64_t t = (remainder << 32) | n.limb[i];
        n.limb[i] = static_cast<std::uint32_t>(t / divisor);
        remainder = t % divisor;
    }
    while (n.size > 0 && n.limb[n.size - 1] == 0) --n.size;
    return static_cast<std::uint32_t>(remainder);
}

// Every significant digit of a finite x > 0 (at most 767 of them; trailing
// zeros may follow) and its exponent e with x = 0.d1d2... x 10^e. x = m * 2^q
// exactly; for q < 0 that is m * 5^-q / 10^-q, so the digits are those of a
// whole number either way.
struct ExactDigits {
    char digit[9 * 90];
    std::int32_t length = 0;
    std::int32_t exponent = 0;
};

void exact_digits(double x, ExactDigits& out) {
    int q = 0;
    const double mantissa = std::frexp(x, &q);
    std::uint64_t m = static_cast<std::uint64_t>(std::ldexp(mantissa, 53));
    q -= 53;
    while ((m & 1) == 0) {
        m >>= 1;
        ++q;
    }

    BigNumber big;
    big.limb[0] = static_cast<std::uint32_t>(m);
    big.limb[1] = static_cast<std::uint32_t>(m >> 32);
    big.size = big.limb[1] != 0 ? 2 : 1;
    int scale = 0;  // x = big * 10^scale
    if (q >= 0) {
        big_shift_left(big, q);
    } else {
        constexpr std::uint32_t kFivePow13 = 1220703125;
        int fives = -q;
        for (; fives >= 13; fives -= 13) big_multiply(big, kFivePow13);
        std::uint32_t rest = 1;
        for (; fives > 0; --fives) rest *= 5;
        big_multiply(big, rest);
        scale = q;
    }

    // Base-1e9 chunks, least significant first: at most 86 for 2547 bits.
    std::uint32_t chunk[90];
    int chunks = 0;
    while (big.size > 0) chunk[chunks++] = big_divide(big, 1000000000u);

    std::int32_t n = static_cast<std::int32_t>(ultotext(out.digit, chunk[chunks - 1], 10));
    for (int c = chunks - 2; c >= 0; --c) {
        std::uint32_t v = chunk[c];
        for (int i = 8; i >= 0; --i, v /= 10) out.digit[n + i] = static_cast<char>('0' + v % 10);
        n += 9;
    }
    out.length = n;
    out.exponent = n + scale;
}

// The first n significant digits of the exact value rounded to the nearest,
// ties to the even digit. `count` gets the digits written (those past them
// read as '0'). Returns the exponent, grown by one when the rounding carried
// into a new leading digit (the digits are then "1"). With n = 0 the value
// rounds to 0 (no digit) or to 10^e (the digit "1").
std::int32_t nearest_digits(const ExactDigits& exact, char* buffer, std::int32_t n, std::int32_t& count) {
    if (n >= exact.length) {
        std::memcpy(buffer, exact.digit, static_cast<std::size_t>(exact.length));
        count = exact.length;
        return exact.exponent;
    }
    n = std::max(n, 0);
    std::memcpy(buffer, exact.digit, static_cast<std::size_t>(n));
    count = n;
    const char next = exact.digit[n];
    bool up = next > '5';
    if (next == '5') {
        bool beyond = false;  // a nonzero digit after the 5: above the half
        for (std::int32_t i = n + 1; i < exact.length && !beyond; ++i) beyond = exact.digit[i] != '0';
        const bool odd = n > 0 && (exact.digit[n - 1] - '0') % 2 == 1;
        up = beyond || odd;
    }
    if (!up) return exact.exponent;
    for (std::int32_t i = n - 1; i >= 0; --i) {
        if (buffer[i] != '9') {
            ++buffer[i];
            return exact.exponent;
        }
        buffer[i] = '0';
    }
    buffer[0] = '1';
    count = 1;
    return exact.exponent + 1;
}

// "inf", "-inf" or "nan" for a value that has no digits, else null.
const char* special_text(double x) {
    if (std::isnan(x)) return "nan";
    if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
    return nullptr;
}

std::int32_t copy_text(char* buffer, const char* text) {
    const std::int32_t length = static_cast<std::int32_t>(std::strlen(text));
    std::memcpy(buffer, text, static_cast<std::size_t>(length));
    return length;
}

constexpr std::int32_t kSignificant = 17;  // digits kept; later positions are '0'

}  // namespace

std::int32_t dtodigits(char* buffer, double x, std::int32_t n) {
    if (n <= 0) return 0;
    if (const char* text = special_text(x)) {
        const std::int32_t length = std::min<std::int32_t>(n, static_cast<std::int32_t>(std::strlen(text)));
        std::memcpy(buffer, text, static_cast<std::size_t>(length));
        std::memset(buffer + length, 0, static_cast<std::size_t>(n - length));
        return 0;
    }
    if (x == 0) {
        std::memset(buffer, '0', static_cast<std::size_t>(n));
        return 0;
    }
    ExactDigits exact;
    exact_digits(std::fabs(x), exact);
    std::int32_t count = 0;
    const std::int32_t e = nearest_digits(exact, buffer, n, count);
    std::memset(buffer + count, '0', static_cast<std::size_t>(n - count));
    return e;
}

std::int32_t dtofixed(char* buffer, double x, std::int32_t integer_digits, std::int32_t fraction_digits) {
    if (const char* text = special_text(x)) return copy_text(buffer, text);
    integer_digits = std::max(integer_digits, 0);
    fraction_digits = std::max(fraction_digits, 0);

    // The digits kept reach the last fraction digit, 17 at most; a value
    // below half of that digit's unit rounds to 0.
    char digits[kSignificant];
    std::int32_t count = 0;
    std::int32_t e = 0;
    if (x != 0) {
        ExactDigits exact;
        exact_digits(std::fabs(x), exact);
        const std::int64_t kept = static_cast<std::int64_t>(exact.exponent) + fraction_digits;
        if (kept >= 0) e = nearest_digits(exact, digits, static_cast<std::int32_t>(std::min<std::int64_t>(kept, kSignificant)), count);
    }
    auto digit = [&](std::int64_t i) { return i >= 0 && i < count ? digits[i] : '0'; };

    char* out = buffer;
    if (x < 0) *out++ = '-';
    if (e <= 0) {
        *out++ = '0';
    } else {
        for (std::int32_t i = std::max(0, e - integer_digits); i < e; ++i) *out++ = digit(i);
    }
    if (fraction_digits > 0) {
        *out++ = '.';
        for (std::int32_t j = 0; j < fraction_digits; ++j) *out++ = digit(static_cast<std::int64_t>(e) + j);
    }
    return static_cast<std::int32_t>(out - buffer);
}

std::int32_t dtoexp(char* buffer, double x, std::int32_t before, std::int32_t after) {
    if (const char* text = special_text(x)) return copy_text(buffer, text);
    before = std::max(before, 0);
    after = std::max(after, 0);
    const std::int64_t kept = std::min<std::int64_t>(static_cast<std::int64_t>(before) + after, kSignificant);

    char digits[kSignificant];
    std::int32_t count = 0;
    std::int32_t e = 0;
    if (x != 0) {
        ExactDigits exact;
        exact_digits(std::fabs(x), exact);
        e = nearest_digits(exact, digits, static_cast<std::int32_t>(kept), count);
    }
    auto digit = [&](std::int64_t i) { return i < count ? digits[i] : '0'; };

    char* out = buffer;
    if (x < 0) *out++ = '-';
    for (std::int32_t i = 0; i < before; ++i) *out++ = digit(i);
    if (after > 0) {
        *out++ = '.';
        for (std::int32_t j = 0; j < after; ++j) *out++ = digit(static_cast<std::int64_t>(before) + j);
    }
    const std::int64_t exponent = x == 0 ? 0 : static_cast<std::int64_t>(e) - before;
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    const std::uint32_t magnitude = static_cast<std::uint32_t>(exponent < 0 ? -exponent : exponent);
    if (magnitude < 10) *out++ = '0';
    out += ultotext(out, magnitude, 10);
    return static_cast<std::int32_t>(out - buffer);
}

double dround(double x) {
    return std::round(x);
}

double dscale10(double x, std::int32_t n) {
    static constexpr double kPowers[] = {1e1, 1e2, 1e4, 1e8, 1e16, 1e32, 1e64, 1e128, 1e256};
    const bool divide = n < 0;
    std::uint32_t k = divide ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
    auto apply = [&](double power) { x = divide ? x / power : x * power; };
    // Two steps of 1e256 take any finite nonzero double to 0 or infinity.
    for (; k >= 512 && x != 0 && std::isfinite(x); k -= 512) {
        apply(1e256);
        apply(1e256);
    }
    if (k >= 512) k = 0;
    for (int bit = 0; bit < 9; ++bit) {
        if (k & (1u << bit)) apply(kPowers[bit]);
    }
    return x;
}

double dscale2(double x, std::int32_t n) {
    return std::ldexp(x, n);
}

std::int32_t dnormal(double& x) {
    if (x == 0 || !std::isfinite(x)) return 0;
    int exponent = 0;
    x = std::frexp(x, &exponent);
    return exponent;
}

std::int32_t scandouble(const char* text, std::int32_t count, double& out) {
    auto at = [&](std::int32_t i) -> int {
        return i < count ? static_cast<unsigned char>(text[i]) : -1;
    };
    auto is_digit = [](int c) { return c >= '0' && c <= '9'; };

    std::int32_t i = 0;
    while (i < count && (at(i) <= 32 || at(i) == 127)) ++i;
    bool negative = false;
    if (at(i) == '-' || at(i) == '+') negative = at(i++) == '-';

    // The significant digits (leading zeros dropped) as a whole number D and
    // the power of ten that scales it. Beyond kKept digits only whether any
    // is nonzero matters: 800 digits decide the nearest double in every case.
    constexpr std::int32_t kKept = 800;
    char number[kKept + 16];
    std::int32_t kept = 0;
    std::int64_t exponent = 0;
    bool dropped_nonzero = false;
    bool any_digit = false;
    auto take = [&](int c, bool fraction) {
        any_digit = true;
        if (kept == 0 && c == '0') {
            if (fraction) --exponent;
        } else if (kept < kKept) {
            number[kept++] = static_cast<char>(c);
            if (fraction) --exponent;
        } else {
            if (c != '0') dropped_nonzero = true;
            if (!fraction) ++exponent;
        }
    };
    for (; is_digit(at(i)); ++i) take(at(i), false);
    if (at(i) == '.') {
        ++i;
        for (; is_digit(at(i)); ++i) take(at(i), true);
    }
    if (!any_digit) {
        out = 0;
        return 0;
    }
    if (at(i) == 'e' || at(i) == 'E') {
        std::int16_t power = 0;
        const std::int32_t used = scanshort(text + i + 1, count - i - 1, power, 10);
        if (used > 0) {
            exponent += power;
            i += 1 + used;
        }
    }

    double value = 0;
    if (kept > 0) {
        if (dropped_nonzero) {
            number[kept++] = '1';
            --exponent;
        }
        // Past these bounds every digit string gives infinity or zero.
        const std::int64_t bounded = std::clamp<std::int64_t>(exponent, -100000, 100000);
        std::int32_t length = kept;
        number[length++] = 'e';
        length += ltotext(number + length, static_cast<std::int32_t>(bounded), -10);
        const auto result = std::from_chars(number, number + length, value, std::chars_format::scientific);
        if (result.ec == std::errc::result_out_of_range) {
            value = bounded + kept > 0 ? HUGE_VAL : 0.0;
        }
    }
    out = negative ? -value : value;
    return i;
}

}  // namespace vy
