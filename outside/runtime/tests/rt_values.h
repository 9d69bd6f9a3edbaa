// The library's floating rules on the host's IEEE values, for the tests:
// how the routines read an operand (exponent field 0: a zero of its sign;
// all ones: the largest finite value of its sign) and how they write a
// result (too large: the largest finite value; below the smallest normal
// value: a zero of its sign).
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

}  // namespace rtvalues
