/* float and double: the four operations, negation, comparisons, compound
 * assignments and increments, conversions between the two and from and to
 * every integer type (with rounding to nearest, ties to even, and
 * truncation towards zero), mixed integer and floating operands, and a
 * few small algorithms. Results are compared as IEEE bits: every
 * operation is correctly rounded on both machines. Constants are exactly
 * representable (a decimal fraction such as 0.1 is computed instead), and
 * each float operation stores its result before the next one uses it, so
 * that a compiler that computes float operations in double gives the same
 * bits. */
#include "harness.h"

f32 fv[] = {0.0f, 1.0f, -1.0f, 0.5f, 3.0f, -2.25f, 1024.0f, 1e10f, -0.125f, 16777216.0f};
f64 dv[] = {0.0, 1.0, -1.0, 0.5, 3.0, -2.25, 1048576.0, 1e10, -0.125, 9007199254740992.0, 1e22};

#define NF (sizeof fv / sizeof fv[0])
#define ND (sizeof dv / sizeof dv[0])

u32 bits32(f32 x)
{
    union {
        f32 f;
        u32 u;
    } b;
    b.f = x;
    return b.u;
}

/* Both words of a double, folded. */
u32 bits64(f64 x)
{
    u32 high, low;
    vy_f64_words(x, &high, &low);
    return high ^ (low * 3u);
}

void float_operations(void)
{
    u32 add = 0, sub = 0, mul = 0, div = 0, cmp = 0;
    u16 i, j;
    for (i = 0; i < NF; i++) {
        for (j = 0; j < NF; j++) {
            f32 a = fv[i], b = fv[j];
            f32 s = a + b;
            f32 d = a - b;
            f32 p = a * b;
            u16 flags = COMPARISONS(a, b);
            add = mix32(add, bits32(s));
            sub = mix32(sub, bits32(d));
            mul = mix32(mul, bits32(p));
            if (b != 0.0f) {
                f32 q = a / b;
                div = mix32(div, bits32(q));
            }
            cmp = mix32(cmp, flags);
        }
    }
    report(add);
    report(sub);
    report(mul);
    report(div);
    report(cmp);
}

void double_operations(void)
{
    u32 add = 0, sub = 0, mul = 0, div = 0, cmp = 0;
    u16 i, j;
    for (i = 0; i < ND; i++) {
        for (j = 0; j < ND; j++) {
            f64 a = dv[i], b = dv[j];
            u16 flags = COMPARISONS(a, b);
            add = mix32(add, bits64(a + b));
            sub = mix32(sub, bits64(a - b));
            mul = mix32(mul, bits64(a * b));
            if (b != 0.0)
                div = mix32(div, bits64(a / b));
            cmp = mix32(cmp, flags);
        }
    }
    report(add);
    report(sub);
    report(mul);
    report(div);
    report(cmp);
}

void single_values(void)
{
    f32 one = 1.0f, three = 3.0f, ten = 10.0f, two = 2.0f;
    f32 third = one / three;
    f32 tenth = one / ten;
    f32 sum = tenth + tenth;
    f32 neg = -third;
    f32 big = 16777216.0f;
    f32 bigger = big + one;         /* the one is lost: ties to even */
    f32 biggest = big + three;      /* 16777219 rounds up to 16777220 */
    f64 d_third = 1.0 / 3.0;
    f64 d_tenth = 1.0 / 10.0;
    f64 d_sum = d_tenth + d_tenth + d_tenth;
    report_f32(third);
    report_f32(tenth);
    report_f32(sum);
    report_f32(neg);
    report_f32(bigger);
    report_f32(biggest);
    report_f32(two * three);
    report_f64(d_third);
    report_f64(d_tenth);
    report_f64(d_sum);
    report(d_sum == 3.0 / 10.0);
    report(d_sum > 0.25);
    report_f64(-d_third);
    report_f64(d_third * 3.0);
    report_f64(1e22 * 1e22 / 1e22);
}

void conversions(void)
{
    f32 f = -3.75f, g = 200.75f, h = 65535.0f;
    f64 d = -123456.875, e = 4294967295.0, big = 2147483647.0;
    i32 near_float = 16777217L, tie = 16777219L, max = 2147483647L;
    u32 top = 0xFFFFFF80UL, all = 0xFFFFFFFFUL;
    i8 c = -100;
    u8 b = 250;
    i16 s = -32768;
    u16 u = 65535u;
    /* floating to integer: towards zero */
    report((i16)f);
    report((i32)f);
    report((u8)g);
    report((i8)(-g / 2.0f));
    report((u16)h);
    report((i32)d);
    report((u32)e);
    report((i32)big);
    report((i32)-big);
    report((i16)(d / 10.0));
    /* integer to floating: exact or rounded to nearest, ties to even */
    report_f32((f32)near_float);
    report_f32((f32)tie);
    report_f32((f32)max);
    report_f32((f32)top);
    report_f32((f32)all);
    report_f64((f64)all);
    report_f64((f64)max);
    report_f64((f64)-max);
    report_f32((f32)c);
    report_f32((f32)b);
    report_f32((f32)s);
    report_f32((f32)u);
    report_f64((f64)s);
    report_f64((f64)u);
    /* between the floating types */
    report_f64((f64)f);
    report_f32((f32)d);
    report_f32((f32)(1.0 / 3.0));
    report_f32((f32)1e10);
    report_f64((f64)(f32)(1.0 / 3.0));
}

void mixed_operands(void)
{
    f32 f = 0.5f;
    f64 d = 0.25;
    i16 s = -3;
    i32 l = 1000001L;
    u16 u = 40000u;
    f32 r1 = f + s;
    f32 r2 = f * u;
    f32 r3 = l + f;
    f64 r4 = l + d;
    f64 r5 = d * s + u;
    f64 r6 = f + d;            /* f is widened: exact */
    report_f32(r1);
    report_f32(r2);
    report_f32(r3);
    report_f64(r4);
    report_f64(r5);
    report_f64(r6);
    report(s < f);
    report(u > d);
    report(l == 1000001.0);
}

void assignments(void)
{
    f32 f = 1.5f;
    f64 d = -2.5;
    u16 n;
    f += 2.0f;
    report_f32(f);
    f *= -4.0f;
    report_f32(f);
    f /= 8.0f;
    report_f32(f);
    f -= 0.25f;
    report_f32(f);
    f++;
    report_f32(f);
    --f;
    report_f32(f);
    d += 1e10;
    report_f64(d);
    d *= 0.5;
    report_f64(d);
    d /= -3.0;
    report_f64(d);
    d--;
    report_f64(d);
    for (n = 0, f = 0.0f; f < 10.0f; f += 0.75f)
        n++;
    report(n);
    report(f ? 1 : 2);
    f = 0.0f;
    report(!f);
    d = -0.0;
    report(d == 0.0);
}

/* Square root by Newton's method, in double. */
f64 root(f64 x)
{
    f64 r = x > 1.0 ? x / 2.0 : 1.0;
    u16 i;
    for (i = 0; i < 40; i++)
        r = (r + x / r) / 2.0;
    return r;
}

/* The value of a polynomial by Horner's rule, in float. */
f32 horner(const f32 *c, u16 n, f32 x)
{
    f32 v = 0.0f;
    u16 i;
    for (i = 0; i < n; i++) {
        f32 scaled = v * x;
        v = scaled + c[i];
    }
    return v;
}

void algorithms(void)
{
    f32 coeff[4] = {2.0f, -3.0f, 0.5f, 7.0f};
    f64 sum = 0.0;
    u16 k;
    report_f64(root(2.0));
    report_f64(root(1e10));
    report_f64(root(0.25));
    report_f32(horner(coeff, 4, 1.5f));
    report_f32(horner(coeff, 4, -0.25f));
    for (k = 1; k <= 100; k++)
        sum += 1.0 / k;
    report_f64(sum);
    report((i32)(sum * 1000000.0));
}

int main(void)
{
    float_operations();
    double_operations();
    single_values();
    conversions();
    mixed_operands();
    assignments();
    algorithms();
    VY_END();
}
