/* 8- and 16-bit integer arithmetic: every operator on char and int values,
 * signed and unsigned, over tables of boundary values, with the compound
 * assignments, increments, comparisons and logical operators. Each table
 * walk folds its results into one 16-bit checksum. */
#include "harness.h"

i16 sv[] = {0, 1, -1, 2, -2, 7, -7, 100, -100, 255, -256, 1234, -1234, 32767, -32768};
u16 uv[] = {0, 1, 2, 7, 100, 255, 256, 1000, 0x7FFF, 0x8000, 0x8001, 0xFFFE, 0xFFFF};
i8 cv[] = {0, 1, -1, 2, 63, -64, 127, -128};
u8 bv[] = {0, 1, 2, 100, 127, 128, 200, 255};

#define NS (sizeof sv / sizeof sv[0])
#define NU (sizeof uv / sizeof uv[0])
#define NC (sizeof cv / sizeof cv[0])
#define NB (sizeof bv / sizeof bv[0])

i16 fits16(i32 v)
{
    return v >= -32768L && v <= 32767L;
}

void signed_ops(void)
{
    u16 add = 0, sub = 0, mul = 0, div = 0, mod = 0, cmp = 0;
    u16 i, j;
    for (i = 0; i < NS; i++) {
        for (j = 0; j < NS; j++) {
            i16 a = sv[i], b = sv[j];
            i32 wide_sum = (i32)a + b;
            i32 wide_diff = (i32)a - b;
            i32 wide_prod = (i32)a * b;
            u16 flags;
            if (fits16(wide_sum)) {
                i16 s = a + b;
                add = mix(add, (u16)s);
            }
            if (fits16(wide_diff)) {
                i16 d = a - b;
                sub = mix(sub, (u16)d);
            }
            if (fits16(wide_prod)) {
                i16 p = a * b;
                mul = mix(mul, (u16)p);
            }
            if (b != 0 && !(a == -32767 - 1 && b == -1)) {
                i16 q = a / b;
                i16 r = a % b;
                div = mix(div, (u16)q);
                mod = mix(mod, (u16)r);
            }
            flags = COMPARISONS(a, b);
            cmp = mix(cmp, flags);
        }
    }
    report(add);
    report(sub);
    report(mul);
    report(div);
    report(mod);
    report(cmp);
}

void unsigned_ops(void)
{
    u16 add = 0, sub = 0, mul = 0, div = 0, mod = 0, cmp = 0, bits = 0;
    u16 i, j;
    for (i = 0; i < NU; i++) {
        for (j = 0; j < NU; j++) {
            u16 a = uv[i], b = uv[j];
            u16 s = a + b;
            u16 d = a - b;
            u16 p = MUL16U(a, b);
            u16 x = a ^ b, o = a | b, n = a & b;
            u16 flags;
            add = mix(add, s);
            sub = mix(sub, d);
            mul = mix(mul, p);
            if (b != 0) {
                u16 q = a / b;
                u16 r = a % b;
                div = mix(div, q);
                mod = mix(mod, r);
            }
            bits = mix(bits, x);
            bits = mix(bits, o);
            bits = mix(bits, n);
            flags = COMPARISONS(a, b);
            cmp = mix(cmp, flags);
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

void char_ops(void)
{
    u16 acc = 0;
    u16 i, j;
    for (i = 0; i < NC; i++) {
        for (j = 0; j < NC; j++) {
            i8 a = cv[i], b = cv[j];
            i16 wide = a + b;     /* promoted: never wraps */
            i8 narrow = a + b;    /* stored back: keeps the low byte */
            i16 prod = a * b;
            acc = mix(acc, (u16)wide);
            acc = mix(acc, (u16)narrow);
            acc = mix(acc, (u16)prod);
            if (b != 0) {
                i16 q = a / b;
                i16 r = a % b;
                acc = mix(acc, (u16)q);
                acc = mix(acc, (u16)r);
            }
            acc = mix(acc, (u16)(a < b));
        }
    }
    report(acc);
    acc = 0;
    for (i = 0; i < NB; i++) {
        for (j = 0; j < NB; j++) {
            u8 a = bv[i], b = bv[j];
            u16 wide = a + b;
            u8 narrow = a + b;
            u16 prod = (u16)a * b;
            u8 low = (u8)((u16)a * b);
            acc = mix(acc, wide);
            acc = mix(acc, narrow);
            acc = mix(acc, prod);
            acc = mix(acc, low);
            if (b != 0) {
                u8 q = a / b;
                u8 r = a % b;
                acc = mix(acc, q);
                acc = mix(acc, r);
            }
            acc = mix(acc, (u16)(a > b));
        }
    }
    report(acc);
}

void unary_ops(void)
{
    i16 a = 1234, zero = 0, m = -32767;
    u16 u = 0x00F0, w = 0xFFFF;
    i8 c = -5;
    u8 b = 0x5A;
    i16 neg = -a;
    u16 inv = ~u;
    i8 cneg = -c;
    u8 binv = ~b;
    report(neg);
    report(-m);
    report(inv);
    report((u16)~w);
    report(~a);
    report(cneg);
    report(binv);
    report(!a);
    report(!zero);
    report(+c);
    report(-(i32)c);
}

void increments(void)
{
    u16 u = 0xFFFE;
    i16 s = 32766;
    u8 b = 254;
    i8 c = -127;
    u16 before;
    before = u++;
    report(before);
    report(u);
    before = ++u;
    report(before);
    report(u);
    report(u--);
    report(u);
    report(--u);
    report(s++);
    report(s);
    report(--s);
    report(s--);
    b++;
    report(b);
    b++;
    report(b);
    c--;
    report(c);
    c++;
    c++;
    report(c);
}

void compound(void)
{
    u16 u = 1000;
    i16 s = -300;
    u8 b = 10;
    i8 c = 3;
    u += 64000u;
    report(u);
    u -= 2;
    report(u);
    u *= 3;
    report(u);
    u /= 7;
    report(u);
    u %= 1000;
    report(u);
    u <<= 3;
    report(u);
    u >>= 2;
    report(u);
    u &= 0x0FF0;
    report(u);
    u |= 0x8001;
    report(u);
    u ^= 0xFFFF;
    report(u);
    s += 1000;
    report(s);
    s -= 2000;
    report(s);
    s *= 10;
    report(s);
    s /= 7;
    report(s);
    s %= 100;
    report(s);
    s = -s;
    s <<= 2;
    report(s);
    b *= 30;
    report(b);
    b += b;
    report(b);
    c -= 10;
    report(c);
    c *= c;
    report(c);
    c /= -4;
    report(c);
}

void logical(void)
{
    u16 i, j, acc = 0;
    i16 calls = 0;
    for (i = 0; i < 4; i++) {
        for (j = 0; j < 4; j++) {
            i16 a = sv[i], b = sv[j];
            u16 l = (u16)((a && b) | (a || b) << 1 | (!a && !b) << 2 | (a ? 8 : 16) | (u16)(b ? a : 32) << 5);
            acc = mix(acc, l);
        }
    }
    report(acc);
    /* && and || do not evaluate their right side when the left decides */
    i = 0;
    if (i && ++calls)
        report(100);
    if (i || ++calls)
        report(101);
    if (!i || ++calls)
        report(102);
    report(calls);
    /* the comma operator and the conditional chain */
    j = (i = 5, i + 2);
    report(j);
    report(i > 3 ? i < 5 ? 1 : 2 : 3);
}

int main(void)
{
    signed_ops();
    unsigned_ops();
    char_ops();
    unary_ops();
    increments();
    compound();
    logical();
    VY_END();
}
