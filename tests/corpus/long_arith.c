/* 32-bit arithmetic: every operator on long and unsigned long values over
 * tables of boundary values (carries and borrows across the middle of the
 * word, the sign bit, the extremes), with compound assignments,
 * increments, comparisons and mixed 16/32-bit operands. */
#include "harness.h"

i32 sl[] = {0L, 1L, -1L, 2L, -2L, 255L, 256L, -65536L, 65535L, 65536L, 32767L, -32768L, 100000L,
            -123456789L, 46340L, -46340L, 2147483647L, -2147483647L - 1L};
u32 ul[] = {0UL, 1UL, 2UL, 0xFFUL, 0xFFFFUL, 0x10000UL, 0x12345678UL, 0x7FFFFFFFUL, 0x80000000UL,
            0x80000001UL, 0xFFFF0000UL, 0xFFFFFFFEUL, 0xFFFFFFFFUL, 1000000UL};

#define NSL (sizeof sl / sizeof sl[0])
#define NUL (sizeof ul / sizeof ul[0])

#define I32_MAX 2147483647L
#define I32_MIN (-2147483647L - 1L)

i16 add_fits(i32 a, i32 b)
{
    if (b > 0)
        return a <= I32_MAX - b;
    return a >= I32_MIN - b;
}

i16 sub_fits(i32 a, i32 b)
{
    if (b < 0)
        return a <= I32_MAX + b;
    return a >= I32_MIN + b;
}

i16 mul_fits(i32 a, i32 b)
{
    i32 m = 46340L;
    if (a == 0 || b == 0)
        return 1;
    if (a >= -m && a <= m && b >= -m && b <= m)
        return 1;
    if ((a == 1 || a == -1) && b != I32_MIN)
        return 1;
    return (b == 1 || b == -1) && a != I32_MIN;
}

void signed_longs(void)
{
    u32 add = 0, sub = 0, mul = 0, div = 0, mod = 0, cmp = 0;
    u16 i, j;
    for (i = 0; i < NSL; i++) {
        for (j = 0; j < NSL; j++) {
            i32 a = sl[i], b = sl[j];
            u16 flags;
            if (add_fits(a, b))
                add = mix32(add, (u32)(a + b));
            if (sub_fits(a, b))
                sub = mix32(sub, (u32)(a - b));
            if (mul_fits(a, b))
                mul = mix32(mul, (u32)(a * b));
            if (b != 0 && !(a == I32_MIN && b == -1)) {
                div = mix32(div, (u32)(a / b));
                mod = mix32(mod, (u32)(a % b));
            }
            flags = COMPARISONS(a, b);
            cmp = mix32(cmp, flags);
        }
    }
    report(add);
    report(sub);
    report(mul);
    report(div);
    report(mod);
    report(cmp);
}

void unsigned_longs(void)
{
    u32 add = 0, sub = 0, mul = 0, div = 0, mod = 0, cmp = 0, bits = 0;
    u16 i, j;
    for (i = 0; i < NUL; i++) {
        for (j = 0; j < NUL; j++) {
            u32 a = ul[i], b = ul[j];
            u16 flags;
            add = mix32(add, a + b);
            sub = mix32(sub, a - b);
            mul = mix32(mul, a * b);
            if (b != 0) {
                div = mix32(div, a / b);
                mod = mix32(mod, a % b);
            }
            bits = mix32(bits, a & b);
            bits = mix32(bits, a | b);
            bits = mix32(bits, a ^ b);
            flags = COMPARISONS(a, b);
            cmp = mix32(cmp, flags);
        }
    }
    report(add);
    report(sub);
    report(mul);
    report(div);
    report(mod);
    report(cmp);
    report(bits);
}

void single_values(void)
{
    i32 a = 100000L, b = -7L;
    u32 u = 0xFFFFFFFFUL;
    report(a * b);
    report(a / b);
    report(a % b);
    report(-a / 3);
    report(-a % 3);
    report(u / 10);
    report(u % 10);
    report(u * u);
    report(0x10000UL * 0x10000UL);
    report(~u);
    report(-a);
    report(~a);
    report(!a);
    report(a && b);
    report(u + 1);
    report(0x1234UL * 0x5678UL);
    report(123456789L / 10000L);
    report(123456789L % 10000L);
}

void increments_and_compound(void)
{
    u32 u = 0xFFFFUL;
    i32 s = -1L;
    report(u++);
    report(u);
    report(++u);
    report(--u);
    report(u--);
    report(u);
    u = 0xFFFFFFFFUL;
    u++;
    report(u);
    u--;
    report(u);
    report(s++);
    report(s);
    report(--s);
    report(--s);
    u = 1000000UL;
    u += 0xFFFF0000UL;
    report(u);
    u -= 0x10000UL;
    report(u);
    u *= 37;
    report(u);
    u /= 1000;
    report(u);
    u %= 65536UL;
    report(u);
    u <<= 12;
    report(u);
    u >>= 5;
    report(u);
    u &= 0xF0F0F0F0UL;
    report(u);
    u |= 0x0F000001UL;
    report(u);
    u ^= 0xFFFFFFFFUL;
    report(u);
    s = 1234567L;
    s *= -3;
    report(s);
    s /= 7;
    report(s);
    s %= 1000;
    report(s);
    s += 2000000000L;
    report(s);
    s -= 2147483647L;
    report(s);
}

/* 16-bit operands meet 32-bit ones: they are converted to long first. */
void mixed_widths(void)
{
    i16 si = -2;
    u16 ui = 0xFFFF;
    u8 b = 201;
    i8 c = -100;
    i32 l = 70000L;
    u32 u = 3000000000UL;
    i32 r1 = l + si;
    i32 r2 = l * si;
    i32 r3 = l + ui;
    u32 r4 = (u32)ui * ui / 3;
    u32 r5 = u + si;
    u32 r6 = u / ui;
    i32 r7 = l / c;
    i32 r8 = l % b;
    i32 r9 = (i32)si * si;
    i32 r10 = (i32)ui << 8;
    report(r1);
    report(r2);
    report(r3);
    report(r4);
    report(r5);
    report(r6);
    report(r7);
    report(r8);
    report(r9);
    report(r10);
    report(l > ui);
    report(l < si);
    report(u > (u32)l);
}

i32 sum_to(i32 n)
{
    i32 total = 0;
    i32 k;
    for (k = 1; k <= n; k++)
        total += k;
    return total;
}

u32 factorial(u16 n)
{
    u32 f = 1;
    while (n > 1)
        f *= n--;
    return f;
}

int main(void)
{
    signed_longs();
    unsigned_longs();
    single_values();
    increments_and_compound();
    mixed_widths();
    report(sum_to(1000));
    report(factorial(12));
    report(factorial(13));
    VY_END();
}
