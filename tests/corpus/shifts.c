/* Shifts of every width, by constant counts (the cases a code generator
 * picks apart: 1, a nibble, a byte, a byte and one, a word) and by every
 * variable count below the width; right shifts of negative values keep
 * the sign (arithmetic shifts, as both compilers do); rotations built from
 * two shifts. */
#include "harness.h"

void constant_counts(void)
{
    u8 b = 0xA5;
    i8 c = -91;
    u16 u = 0xA5C3;
    i16 s = -23101;
    i16 p = 0x1234;
    u32 ul = 0xA5C3E187UL;
    i32 sl = -1514938745L;
    u16 r;
    i16 q;
    u32 rl;
    i32 ql;

    report(b << 1);
    report(b << 7);
    report(b >> 1);
    report(b >> 4);
    report(b >> 7);
    report(c >> 1);
    report(c >> 3);
    report(c >> 7);

    r = u << 1;
    report(r);
    r = u << 4;
    report(r);
    r = u << 7;
    report(r);
    r = u << 8;
    report(r);
    r = u << 9;
    report(r);
    r = u << 15;
    report(r);
    report(u >> 1);
    report(u >> 4);
    report(u >> 8);
    report(u >> 9);
    report(u >> 15);
    q = s >> 1;
    report(q);
    q = s >> 4;
    report(q);
    q = s >> 8;
    report(q);
    q = s >> 9;
    report(q);
    q = s >> 15;
    report(q);
    q = p << 2;
    report(q);
    q = p >> 3;
    report(q);

    rl = ul << 1;
    report(rl);
    rl = ul << 8;
    report(rl);
    rl = ul << 15;
    report(rl);
    rl = ul << 16;
    report(rl);
    rl = ul << 17;
    report(rl);
    rl = ul << 24;
    report(rl);
    rl = ul << 31;
    report(rl);
    report(ul >> 1);
    report(ul >> 8);
    report(ul >> 16);
    report(ul >> 17);
    report(ul >> 24);
    report(ul >> 31);
    ql = sl >> 1;
    report(ql);
    ql = sl >> 8;
    report(ql);
    ql = sl >> 16;
    report(ql);
    ql = sl >> 24;
    report(ql);
    ql = sl >> 31;
    report(ql);
}

void variable_counts(void)
{
    u16 pattern = 0x8421, acc = 0;
    i16 negative = -12345, positive = 12345;
    u32 pattern32 = 0x80C0A021UL, acc32 = 0;
    i32 negative32 = -987654321L;
    u8 byte = 0x96;
    i8 sbyte = -106;
    u8 n8;
    i16 n;
    i32 nl;

    for (n = 0; n < 16; n++) {
        u16 left = pattern << n;
        u16 right = pattern >> n;
        i16 sright = negative >> n;
        i16 pright = positive >> n;
        acc = mix(acc, left);
        acc = mix(acc, right);
        acc = mix(acc, (u16)sright);
        acc = mix(acc, (u16)pright);
    }
    report(acc);
    for (n = 0; n < 32; n++) {
        u32 left = pattern32 << n;
        u32 right = pattern32 >> n;
        i32 sright = negative32 >> n;
        acc32 = mix32(acc32, left);
        acc32 = mix32(acc32, right);
        acc32 = mix32(acc32, (u32)sright);
    }
    report(acc32);
    acc = 0;
    for (n8 = 0; n8 < 8; n8++) {
        u8 left = byte << n8;
        u8 right = byte >> n8;
        i8 sright = sbyte >> n8;
        acc = mix(acc, left);
        acc = mix(acc, right);
        acc = mix(acc, (u16)sright);
    }
    report(acc);
    /* the count's own type does not change the result's */
    nl = 5;
    report((u16)(pattern << nl));
    report(pattern32 >> nl);
    n8 = 12;
    report(pattern32 << n8);
    report(negative >> n8);
}

void rotations(void)
{
    u16 x = 0x1F2E, acc = 0;
    u32 y = 0x1F2E3D4CUL, acc32 = 0;
    u16 n;
    for (n = 1; n < 16; n++) {
        u16 rot = (u16)((x << n) | (x >> (16 - n)));
        acc = mix(acc, rot);
    }
    report(acc);
    for (n = 1; n < 32; n++) {
        u32 rot = (y << n) | (y >> (32 - n));
        acc32 = mix32(acc32, rot);
    }
    report(acc32);
}

void compound_shifts(void)
{
    u16 u = 1;
    u32 l = 1;
    i16 s = -32768;
    u16 k;
    for (k = 0; k < 15; k++)
        u <<= 1;
    report(u);
    for (k = 0; k < 31; k++)
        l <<= 1;
    report(l);
    for (k = 0; k < 15; k++)
        s >>= 1;
    report(s);
    l >>= 31;
    report(l);
}

int main(void)
{
    constant_counts();
    variable_counts();
    rotations();
    compound_shifts();
    VY_END();
}
