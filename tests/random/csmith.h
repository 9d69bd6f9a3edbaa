/* What a random program from csmith expects of its header, for a C89
 * compiler with 16-bit int and 32-bit long (cc11 for the 68HC11, SDCC for
 * the HC08): the fixed-width types, the "safe" arithmetic wrappers, and a
 * checksum of the program's globals in place of printing it.
 *
 * The wrappers give each operation a defined result for every operand:
 * where C would overflow a signed type, divide by zero or shift by the
 * width or more, they return the left operand unchanged. Every operation
 * is written so that no step of it is undefined with a 16-bit int (an
 * unsigned char times an unsigned char, for one, would overflow int).
 *
 * The checksum is the CRC-32 of each value's four bytes, least
 * significant first; main leaves it, complemented, in vy_checksum, and
 * vy_done is 1 once it is there.
 */
#ifndef VY_CSMITH_H
#define VY_CSMITH_H

typedef signed char int8_t;
typedef unsigned char uint8_t;
typedef int int16_t;
typedef unsigned int uint16_t;
typedef long int32_t;
typedef unsigned long uint32_t;

#define INT8_MIN (-127 - 1)
#define INT8_MAX 127
#define UINT8_MAX 255
#define INT16_MIN (-32767 - 1)
#define INT16_MAX 32767
#define UINT16_MAX 65535U
#define INT32_MIN (-2147483647L - 1)
#define INT32_MAX 2147483647L
#define UINT32_MAX 4294967295UL

/* ------------------------------------------------------------ signed */

/* a + b, a - b, a * b, -a in a wider type that holds every result. */
#define VY_SAFE_NARROW_SIGNED(T, W, MIN, MAX)                                      \
    static T safe_add_func_##T##_s_s(T a, T b)                                     \
    {                                                                              \
        W r = (W)a + (W)b;                                                         \
        return r < MIN || r > MAX ? a : (T)r;                                      \
    }                                                                              \
    static T safe_sub_func_##T##_s_s(T a, T b)                                     \
    {                                                                              \
        W r = (W)a - (W)b;                                                         \
        return r < MIN || r > MAX ? a : (T)r;                                      \
    }                                                                              \
    static T safe_mul_func_##T##_s_s(T a, T b)                                     \
    {                                                                              \
        W r = (W)a * (W)b;                                                         \
        return r < MIN || r > MAX ? a : (T)r;                                      \
    }                                                                              \
    static T safe_unary_minus_func_##T##_s(T a)                                    \
    {                                                                              \
        return a == MIN ? a : (T)-a;                                               \
    }

VY_SAFE_NARROW_SIGNED(int8_t, int, INT8_MIN, INT8_MAX)
VY_SAFE_NARROW_SIGNED(int16_t, long, INT16_MIN, INT16_MAX)

static int32_t safe_add_func_int32_t_s_s(int32_t a, int32_t b)
{
    if ((b > 0 && a > INT32_MAX - b) || (b < 0 && a < INT32_MIN - b))
        return a;
    return a + b;
}

static int32_t safe_sub_func_int32_t_s_s(int32_t a, int32_t b)
{
    if ((b < 0 && a > INT32_MAX + b) || (b > 0 && a < INT32_MIN + b))
        return a;
    return a - b;
}

static int32_t safe_mul_func_int32_t_s_s(int32_t a, int32_t b)
{
    if (a > 0) {
        if (b > 0 ? a > INT32_MAX / b : b < INT32_MIN / a)
            return a;
    } else if (a < 0) {
        if (b > 0 ? a < INT32_MIN / b : b < 0 && a < INT32_MAX / b)
            return a;
    }
    return a * b;
}

static int32_t safe_unary_minus_func_int32_t_s(int32_t a)
{
    return a == INT32_MIN ? a : -a;
}

/* Division and remainder, and the shifts: the same for every width. BITS
 * is the width of the type the operation takes place in. */
#define VY_SAFE_DIVIDE_SHIFT_SIGNED(T, MIN, MAX, BITS)                             \
    static T safe_div_func_##T##_s_s(T a, T b)                                     \
    {                                                                              \
        return b == 0 || (a == MIN && b == -1) ? a : (T)(a / b);                   \
    }                                                                              \
    static T safe_mod_func_##T##_s_s(T a, T b)                                     \
    {                                                                              \
        return b == 0 || (a == MIN && b == -1) ? a : (T)(a % b);                   \
    }                                                                              \
    static T safe_lshift_func_##T##_s_s(T a, int b)                                \
    {                                                                              \
        return a < 0 || b < 0 || b >= BITS || a > (MAX >> b) ? a : (T)(a << b);    \
    }                                                                              \
    static T safe_lshift_func_##T##_s_u(T a, unsigned int b)                       \
    {                                                                              \
        return a < 0 || b >= BITS || a > (MAX >> b) ? a : (T)(a << b);             \
    }                                                                              \
    static T safe_rshift_func_##T##_s_s(T a, int b)                                \
    {                                                                              \
        return a < 0 || b < 0 || b >= BITS ? a : (T)(a >> b);                      \
    }                                                                              \
    static T safe_rshift_func_##T##_s_u(T a, unsigned int b)                       \
    {                                                                              \
        return a < 0 || b >= BITS ? a : (T)(a >> b);                               \
    }

VY_SAFE_DIVIDE_SHIFT_SIGNED(int8_t, INT8_MIN, INT8_MAX, 16)
VY_SAFE_DIVIDE_SHIFT_SIGNED(int16_t, INT16_MIN, INT16_MAX, 16)
VY_SAFE_DIVIDE_SHIFT_SIGNED(int32_t, INT32_MIN, INT32_MAX, 32)

/* ---------------------------------------------------------- unsigned */

/* U is the unsigned type the operation takes place in (unsigned int for
 * the narrow types, so that nothing is promoted to a signed int). */
#define VY_SAFE_UNSIGNED(T, U, BITS)                                               \
    static T safe_add_func_##T##_u_u(T a, T b) { return (T)((U)a + (U)b); }         \
    static T safe_sub_func_##T##_u_u(T a, T b) { return (T)((U)a - (U)b); }         \
    static T safe_mul_func_##T##_u_u(T a, T b) { return (T)((U)a * (U)b); }         \
    static T safe_unary_minus_func_##T##_u(T a) { return (T)(0 - (U)a); }           \
    static T safe_div_func_##T##_u_u(T a, T b) { return b == 0 ? a : (T)(a / b); }  \
    static T safe_mod_func_##T##_u_u(T a, T b) { return b == 0 ? a : (T)(a % b); }  \
    static T safe_lshift_func_##T##_u_s(T a, int b)                                \
    {                                                                              \
        return b < 0 || b >= BITS ? a : (T)((U)a << b);                            \
    }                                                                              \
    static T safe_lshift_func_##T##_u_u(T a, unsigned int b)                       \
    {                                                                              \
        return b >= BITS ? a : (T)((U)a << b);                                     \
    }                                                                              \
    static T safe_rshift_func_##T##_u_s(T a, int b)                                \
    {                                                                              \
        return b < 0 || b >= BITS ? a : (T)((U)a >> b);                            \
    }                                                                              \
    static T safe_rshift_func_##T##_u_u(T a, unsigned int b)                       \
    {                                                                              \
        return b >= BITS ? a : (T)((U)a >> b);                                     \
    }

VY_SAFE_UNSIGNED(uint8_t, unsigned int, 16)
VY_SAFE_UNSIGNED(uint16_t, unsigned int, 16)
VY_SAFE_UNSIGNED(uint32_t, uint32_t, 32)

/* ---------------------------------------------------------- checksum */

uint32_t vy_checksum;
int vy_done;

static uint32_t crc32_tab[256];
static uint32_t crc32_context = 0xFFFFFFFFUL;

static void crc32_gentab(void)
{
    int i, j;
    for (i = 0; i < 256; i++) {
        uint32_t crc = (uint32_t)i;
        for (j = 0; j < 8; j++)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320UL : crc >> 1;
        crc32_tab[i] = crc;
    }
}

static void transparent_crc(uint32_t val, char *vname, int flag)
{
    int i;
    (void)vname;
    (void)flag;
    for (i = 0; i < 4; i++) {
        crc32_context = (crc32_context >> 8) ^ crc32_tab[(uint8_t)(crc32_context ^ val)];
        val >>= 8;
    }
}

static void platform_main_begin(void)
{
}

static void platform_main_end(uint32_t crc, int flag)
{
    (void)flag;
    vy_checksum = crc;
    vy_done = 1;
}

/* The index lines that main prints with its flag set: never printed. */
static int printf(const char *format, ...)
{
    (void)format;
    return 0;
}

#endif
