/* Integer conversions: widening with sign or zero extension, narrowing
 * that keeps the low bytes, signed and unsigned views of one pattern,
 * conversions at assignment, in arguments and in return values, and truth
 * values of wide operands. */
#include "harness.h"

u32 patterns[] = {0UL, 1UL, 0x7FUL, 0x80UL, 0xFFUL, 0x100UL, 0x7FFFUL, 0x8000UL, 0xFFFFUL, 0x10000UL,
                  0x12345678UL, 0x7FFFFFFFUL, 0x80000000UL, 0xFFFFFF80UL, 0xFFFF8000UL, 0xFFFFFFFFUL};

#define NP (sizeof patterns / sizeof patterns[0])

/* Each pattern through every narrowing, and each narrow value back to
 * both 32-bit types. */
void through_every_width(void)
{
    u16 i;
    for (i = 0; i < NP; i++) {
        u32 p = patterns[i];
        i32 sp = (i32)p;
        i8 c = (i8)p;
        u8 b = (u8)p;
        i16 s = (i16)p;
        u16 u = (u16)p;
        i8 c2 = (i8)sp;
        i16 s2 = (i16)sp;
        u32 acc = 0;
        acc = mix32(acc, (u32)c);
        acc = mix32(acc, (u32)b);
        acc = mix32(acc, (u32)s);
        acc = mix32(acc, (u32)u);
        acc = mix32(acc, (u32)(i32)c);
        acc = mix32(acc, (u32)(i32)b);
        acc = mix32(acc, (u32)(i32)s);
        acc = mix32(acc, (u32)(i32)u);
        acc = mix32(acc, (u32)c2);
        acc = mix32(acc, (u32)s2);
        /* narrow to narrow */
        acc = mix32(acc, (u32)(u16)c);
        acc = mix32(acc, (u32)(i16)c);
        acc = mix32(acc, (u32)(i16)b);
        acc = mix32(acc, (u32)(u8)s);
        acc = mix32(acc, (u32)(i8)u);
        acc = mix32(acc, (u32)(i16)u);
        report(acc);
    }
}

void single_conversions(void)
{
    i8 c = -1;
    u8 b = 0xFF;
    i16 s = -1;
    u16 u = 0xFFFF;
    i32 l = -1L;
    u16 big = 40000u;
    i16 from_big = (i16)big;
    u8 from_neg = (u8)-3;
    i8 from_200 = (i8)200;
    u16 from_negl = (u16)-70000L;
    i16 from_long = (i16)0x12348765L;
    report(c);
    report(b);
    report(s);
    report(u);
    report(l);
    report(from_big);
    report(from_neg);
    report(from_200);
    report(from_negl);
    report(from_long);
    report((u16)c);
    report((i32)b);
    report((u32)s);
    report((i32)u);
    report((u8)l);
    /* the same bits compare differently by their type */
    report(c < 0);
    report(b > 0);
    report(s < 0);
    report(u > 0);
    report((i8)b < 0);
    report((u8)c > 127);
}

/* Integer promotion: char operands are widened before the operator. */
void promotions(void)
{
    u8 b1 = 200, b2 = 100;
    i8 c1 = -100, c2 = 100;
    u8 sum8 = b1 + b2;
    i16 sum16 = b1 + b2;
    i16 diff = b2 - b1;
    i16 mixed = b1 + c1;
    i16 csum = c1 - c2;
    u16 shifted = (u16)b1 << 4;
    i16 compl = ~b2;
    report(sum8);
    report(sum16);
    report(diff);
    report(mixed);
    report(csum);
    report(shifted);
    report(compl);
    report(b1 > c1);
    report(c1 < c2);
    report((u8)(b1 + b2) < b1);
}

u8 to_byte(i32 v)
{
    return v;
}

i8 to_char(u16 v)
{
    return (i8)v;
}

i32 widen(i8 c)
{
    return c;
}

u32 widen_unsigned(u8 b)
{
    return b;
}

i16 narrow_return(i32 v)
{
    return (i16)v;
}

void at_calls(void)
{
    report(to_byte(0x12345L));
    report(to_byte(-2L));
    report(to_char(0x80));
    report(to_char(0x17F));
    report(widen(-5));
    report(widen((i8)0x85));
    report(widen_unsigned(0x85));
    report(narrow_return(0x18000L));
    report(narrow_return(-65537L));
}

/* The truth of a value looks at all its bytes. */
void truth(void)
{
    i32 high = 0x10000L;
    u32 top = 0x80000000UL;
    u16 hi16 = 0x100;
    i32 zero = 0;
    u16 n = 0;
    if (high)
        n |= 1;
    if (top)
        n |= 2;
    if (hi16)
        n |= 4;
    if (!zero)
        n |= 8;
    if (high && top && hi16)
        n |= 16;
    if (zero || !hi16)
        n |= 32;
    report(n);
    report(!!high);
    report(!top);
    report(high != 0);
}

int main(void)
{
    through_every_width();
    single_conversions();
    promotions();
    at_calls();
    truth();
    VY_END();
}
