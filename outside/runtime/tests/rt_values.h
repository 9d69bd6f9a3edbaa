// The library's arithmetic rules on the host, for the tests. Floating:
// how the routines read an operand (exponent field 0: a zero of its sign;
// all ones: the largest finite value of its sign) and how they write a
// result (too large: the largest finite value; below the smallest normal
// value: a zero of its sign). Long division: below.
#pragma once
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace rtvalues {

inline uint32_t fbits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}
inline uint64_t dbits(double f) {
    uint64_t u;
    std::memcpy(&u, &f, 8);
    return u;
}
inline float float_of(uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
inline double double_of(uint64_t u) {
    double f;
    std::memcpy(&f, &u, 8);
    return f;
}
inline std::string hex(uint32_t v) {
    char t[16];
    std::snprintf(t, sizeof t, "%08x", v);
    return t;
}
// A value as the tests' failure messages show it: "0x1f".
inline std::string hexval(uint32_t v) {
    char t[16];
    std::snprintf(t, sizeof t, "0x%x", v);
    return t;
}
inline std::string hex(uint64_t v) {
    char t[24];
    std::snprintf(t, sizeof t, "%016llx", static_cast<unsigned long long>(v));
    return t;
}

constexpr uint32_t FMAX = 0x7F7FFFFF, FSIGN = 0x80000000u;
constexpr uint64_t DMAX = 0x7FEFFFFFFFFFFFFFull, DSIGN = 0x8000000000000000ull;

inline float read_float(uint32_t u) {
    uint32_t e = u >> 23 & 0xFF;
    if (e == 0) return float_of(u & FSIGN);
    if (e == 255) return float_of((u & FSIGN) | FMAX);
    return float_of(u);
}
inline uint32_t written_float(float r) {
    uint32_t u = fbits(r);
    if (std::isinf(r)) return (u & FSIGN) | FMAX;
    if (std::fabs(r) < FLT_MIN) return u & FSIGN;
    return u;
}
inline double read_double(uint64_t u) {
    uint64_t e = u >> 52 & 0x7FF;
    if (e == 0) return double_of(u & DSIGN);
    if (e == 2047) return double_of((u & DSIGN) | DMAX);
    return double_of(u);
}
inline uint64_t written_double(double r) {
    uint64_t u = dbits(r);
    if (std::isinf(r)) return (u & DSIGN) | DMAX;
    if (std::fabs(r) < DBL_MIN) return u & DSIGN;
    return u;
}

// The long division of the library on the host: a divisor of 0 gives an
// unsigned quotient of all ones, a signed quotient of 0 and the dividend as
// remainder; the most negative long divided by -1 is itself, remainder 0.
inline int32_t s32(uint32_t v) { return static_cast<int32_t>(v); }
inline uint32_t sdiv(uint32_t a, uint32_t b) {
    if (b == 0) return 0;
    if (a == 0x80000000u && b == 0xFFFFFFFFu) return a;
    return static_cast<uint32_t>(s32(a) / s32(b));
}
inline uint32_t smod(uint32_t a, uint32_t b) {
    if (b == 0) return a;
    if (a == 0x80000000u && b == 0xFFFFFFFFu) return 0;
    return static_cast<uint32_t>(s32(a) % s32(b));
}
inline uint32_t udiv(uint32_t a, uint32_t b) { return b ? a / b : 0xFFFFFFFFu; }
inline uint32_t umod(uint32_t a, uint32_t b) { return b ? a % b : a; }

}  // namespace rtvalues
