// Doubles to and from text. The digits written are those of the exact value
// of the double rounded at the last digit kept, to the nearest, ties to the
// even digit (as a C library's printf rounds); at most 17 significant digits
// are kept and later positions are written as '0'. A rounding that carries
// into a new leading digit grows the exponent by one (9.99 with one fraction
// digit is "10.0"). Infinite and NaN values are written as "inf", "-inf" and
// "nan".
#pragma once

#include <cstdint>

namespace vy {

// Read a double from counted text: blanks and control bytes, a sign,
// digits, '.' and digits, then 'e' or 'E' and a 16-bit exponent. Returns the
// bytes used; 0 (and `out` 0) when no digit stands there. The value is the
// nearest double to the digits; too large gives an infinity, too small 0.
std::int32_t scandouble(const char* text, std::int32_t count, double& out);

// '-' for a negative value, the integer digits (a single '0' below 1; only
// the last `integer_digits` when there are more), then, when
// `fraction_digits` > 0, '.' and that many digits. Returns the length.
std::int32_t dtofixed(char* buffer, double x, std::int32_t integer_digits, std::int32_t fraction_digits);

// '-' for a negative value, `before` digits, then '.' and `after` digits
// when `after` > 0, then 'e', the exponent's sign and its digits (at least
// two). Zero has exponent 0. Returns the length.
std::int32_t dtoexp(char* buffer, double x, std::int32_t before, std::int32_t after);

// Writes the `n` decimal digits nearest to |x| (ties to even) and returns e
// such that |x| is about 0.d1d2d3... x 10^e (0 for zero, whose digits are all
// '0'); a rounding that carries makes the digits "100..." and e one larger.
// An infinite or NaN value writes "inf", "-inf" or "nan" (cut to n bytes,
// the rest NUL) and returns 0.
std::int32_t dtodigits(char* buffer, double x, std::int32_t n);

// The nearest whole number; halves go away from zero.
double dround(double x);

// x times 10 to the n, by the binary digits of |n| over the powers
// 10, 100, 1e4, ... 1e256.
double dscale10(double x, std::int32_t n);

// x times 2 to the n.
double dscale2(double x, std::int32_t n);

// Brings x into [0.5, 1) by halving or doubling and returns the binary
// exponent. Zero, infinite and NaN values stay and give 0; a negative value
// is brought into (-1, -0.5].
std::int32_t dnormal(double& x);

}  // namespace vy
