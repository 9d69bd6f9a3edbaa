/* Functions: arguments of every type and many of them, results of every
 * type, function pointers in variables, tables, arguments and results,
 * callbacks, static functions, direct and mutual recursion deep enough to
 * use a good part of the stack. */
#include "harness.h"

typedef i16 (*binop)(i16, i16);

static i16 add(i16 a, i16 b) { return a + b; }
static i16 sub(i16 a, i16 b) { return a - b; }
static i16 mul(i16 a, i16 b) { return a * b; }
static i16 maxof(i16 a, i16 b) { return a > b ? a : b; }

binop ops[4] = {add, sub, mul, maxof};

i32 many(i8 c, u8 b, i16 s, u16 u, i32 l, u32 ul, const i16 *p, i16 last)
{
    return c + b + s + (i32)u + l + (i32)(ul >> 16) + *p + last;
}

u8 ret_u8(u16 v) { return (u8)(v + 1); }
i8 ret_i8(i16 v) { return (i8)-v; }
u32 ret_u32(u16 hi, u16 lo) { return (u32)hi << 16 | lo; }
i32 ret_i32(i16 v) { return (i32)v * -100000L; }
f64 ret_f64(i16 v) { return v * 0.5; }

void nothing(void)
{
}

i16 apply(binop f, i16 a, i16 b)
{
    return f(a, b);
}

binop choose(u16 which)
{
    return ops[which & 3];
}

i16 fold(const i16 *v, u16 n, binop f, i16 start)
{
    u16 i;
    for (i = 0; i < n; i++)
        start = f(start, v[i]);
    return start;
}

void pointers(void)
{
    i16 values[5] = {3, -1, 4, -1, 5};
    binop f = sub;
    u16 i;
    report(f(10, 3));
    report((*f)(10, 3));
    f = &mul;
    report(f(-6, 7));
    for (i = 0; i < 4; i++)
        report(ops[i](12, -5));
    report(apply(maxof, -3, -9));
    report(choose(6)(100, 1));
    report(fold(values, 5, add, 0));
    report(fold(values, 5, maxof, -32767));
    report(fold(values, 5, mul, 1));
    report(f == mul);
    report(f != add);
}

/* Sorts with a comparison given as a pointer. */
void sort(i16 *v, u16 n, i16 (*before)(i16, i16))
{
    u16 i, j;
    for (i = 1; i < n; i++) {
        i16 x = v[i];
        for (j = i; j > 0 && before(x, v[j - 1]); j--)
            v[j] = v[j - 1];
        v[j] = x;
    }
}

i16 less(i16 a, i16 b) { return a < b; }
i16 greater_abs(i16 a, i16 b) { return (a < 0 ? -a : a) > (b < 0 ? -b : b); }

void callbacks(void)
{
    i16 v[8] = {5, -9, 3, 0, 12, -1, 7, -30};
    u16 i;
    u16 acc = 0;
    sort(v, 8, less);
    for (i = 0; i < 8; i++)
        acc = (u16)(acc * 7u + (u16)v[i]);
    report(acc);
    report(v[0]);
    report(v[7]);
    sort(v, 8, greater_abs);
    report(v[0]);
    report(v[7]);
}

u16 fib(u16 n)
{
    return n < 2 ? n : fib(n - 1) + fib(n - 2);
}

u16 ackermann(u16 m, u16 n)
{
    if (m == 0)
        return n + 1;
    if (n == 0)
        return ackermann(m - 1, 1);
    return ackermann(m - 1, ackermann(m, n - 1));
}

u32 hanoi_moves(u16 disks, u16 from, u16 to, u16 via)
{
    if (disks == 0)
        return 0;
    return hanoi_moves(disks - 1, from, via, to) + 1 + hanoi_moves(disks - 1, via, to, from);
}

i16 is_odd(u16 n);

i16 is_even(u16 n)
{
    return n == 0 ? 1 : is_odd(n - 1);
}

i16 is_odd(u16 n)
{
    return n == 0 ? 0 : is_even(n - 1);
}

/* Recursion with a local array in every frame. */
u32 deep(u16 n)
{
    u8 local[16];
    u16 i;
    u32 below;
    for (i = 0; i < 16; i++)
        local[i] = (u8)(n + i);
    if (n == 0)
        return 0;
    below = deep(n - 1);
    for (i = 0; i < 16; i++)
        below += local[i];
    return below;
}

i32 gcd(i32 a, i32 b)
{
    return b == 0 ? a : gcd(b, a % b);
}

void recursion(void)
{
    report(fib(20));
    report(ackermann(2, 3));
    report(ackermann(3, 3));
    report(hanoi_moves(12, 1, 3, 2));
    report(is_even(101));
    report(is_odd(101));
    report(deep(200));
    report(gcd(1071L * 65537L, 462L * 65537L));
}

void results(void)
{
    i16 one = 1;
    report(many(-1, 255, -300, 60000u, -70000L, 0xABCD0000UL, &one, 9));
    report(ret_u8(0x1FF));
    report(ret_i8(-128));
    report(ret_u32(0xDEAD, 0xBEEF));
    report(ret_i32(-3));
    report_f64(ret_f64(-5));
    nothing();
    report(ret_u8(ret_u8(254)));
}

int main(void)
{
    pointers();
    callbacks();
    recursion();
    results();
    VY_END();
}
