/* Bit-fields in char, int and long units: stores that keep the bits
 * around the field, values cut to the field's width, compound assignment
 * and increments, one-bit and whole-unit fields, fields in arrays of
 * structures and behind pointers, and a field as a switch value. The
 * fields are unsigned; each value read is stored into a typed variable or
 * converted before it takes part in arithmetic, because a field's
 * promoted type may differ between the compilers. */
#include "harness.h"

struct flags8 {
    u8 low : 3;
    u8 mid : 4;
    u8 top : 1;
};

struct flags16 {
    u16 a : 1;
    u16 b : 5;
    u16 c : 10;
    u16 d : 7;     /* does not fit beside the others: a second unit */
    u16 e : 9;
};

struct flags32 {
    u32 lo : 12;
    u32 hi : 20;
    u32 whole : 32;
};

struct record {
    u8 kind : 2;
    u8 used : 1;
    u16 size : 12;
};

struct flags8 f8;
struct flags16 f16;
struct flags32 f32v;
struct record table[4];

u16 value_of(u16 v)
{
    return v;
}

void char_units(void)
{
    u8 thirteen = 13, all = 0xFF;
    f8.low = 5;
    f8.mid = 9;
    f8.top = 1;
    report(f8.low);
    report(f8.mid);
    report(f8.top);
    f8.low = thirteen;        /* keeps the low three bits: 5 */
    report(f8.low);
    report(f8.mid);
    f8.mid = all;
    report(f8.mid);
    report(f8.low);
    report(f8.top);
    f8.top = 0;
    report(f8.mid);
    f8.mid += 3;              /* wraps within four bits */
    report(f8.mid);
    f8.low++;
    report(f8.low);
    f8.low--;
    f8.low--;
    report(f8.low);
    f8.mid ^= 0xA;
    report(f8.mid);
    f8.mid |= 1;
    report(f8.mid);
    f8.mid &= 6;
    report(f8.mid);
}

void int_units(void)
{
    u16 big = 0xFFFF, x;
    f16.a = 1;
    f16.b = 31;
    f16.c = 1023;
    f16.d = 100;
    f16.e = 300;
    report(f16.a);
    report(f16.b);
    report(f16.c);
    report(f16.d);
    report(f16.e);
    f16.b = 0;
    report(f16.a);
    report(f16.c);
    f16.c = big;
    report(f16.c);
    f16.c -= 24;
    report(f16.c);
    f16.e = f16.d * 5;
    report(f16.e);
    x = f16.c;
    x = x * 3 + f16.b;
    report(x);
    report(value_of(f16.e));
    f16.a = 0;
    report(f16.a ? 1 : 2);
    report(!f16.a);
}

void long_units(void)
{
    u32 pattern = 0xFFFFFFFFUL, v;
    f32v.lo = 0xABC;
    f32v.hi = 0xFEDCBUL;
    f32v.whole = 0x12345678UL;
    report(f32v.lo);
    report(f32v.hi);
    report(f32v.whole);
    f32v.hi = pattern;
    report(f32v.hi);
    report(f32v.lo);
    f32v.lo = 0;
    f32v.hi += 2;
    report(f32v.hi);
    v = f32v.hi;
    report(v >> 4);
    f32v.whole = ~f32v.whole;
    report(f32v.whole);
}

u16 describe(const struct record *r)
{
    switch (r->kind) {
    case 0:
        return 100;
    case 1:
        return 200 + r->size;
    case 2:
        return r->used ? 300 : 301;
    default:
        return 400;
    }
}

void arrays_and_pointers(void)
{
    struct record *r;
    u16 i, total = 0;
    for (i = 0; i < 4; i++) {
        table[i].kind = i;
        table[i].used = i & 1;
        table[i].size = (u16)(i * 1000u + 95);
    }
    for (r = table; r < table + 4; r++) {
        u16 size = r->size;
        total += describe(r);
        total += size;
    }
    report(total);
    r = &table[3];
    r->size += 1000;
    report(r->size);
    report(r->kind);
    report(r->used);
}

int main(void)
{
    char_units();
    int_units();
    long_units();
    arrays_and_pointers();
    VY_END();
}
