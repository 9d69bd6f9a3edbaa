/* switch of every density and value size: dense runs that become jump
 * tables, sparse values that become compare chains, a mixture of both,
 * one case with and without default, only default, no case at all, fall
 * through, nesting, negative and unsigned values, char, int and long
 * values, and break and continue from a switch inside a loop. Every
 * switch is run over a range of values around its cases. */
#include "harness.h"

i16 dense(i16 v)
{
    switch (v) {
    case 0: return 10;
    case 1: return 11;
    case 2: return 12;
    case 3: return 13;
    case 4: return 14;
    case 5: return 15;
    case 6: return 16;
    case 7: return 17;
    case 9: return 19;
    case 10: return 20;
    case 11: return 21;
    case 12: return 22;
    default: return -1;
    }
}

i16 sparse(i16 v)
{
    switch (v) {
    case -5000: return 1;
    case 1: return 2;
    case 100: return 3;
    case 1000: return 4;
    case 30000: return 5;
    }
    return 0;
}

/* A dense run in the middle of sparse values, default in the middle. */
i16 mixed(i16 v)
{
    i16 r = 0;
    switch (v) {
    case -300: r = 1; break;
    case 20: r = 2; break;
    case 21: r = 3; break;
    default: r = -7; break;
    case 22: r = 4; break;
    case 23: r = 5; break;
    case 24: r = 6; break;
    case 25: r = 7; break;
    case 26: r = 8; break;
    case 27: r = 9; break;
    case 28: r = 10; break;
    case 500: r = 11; break;
    case 32767: r = 12; break;
    }
    return r;
}

i16 one_case(i16 v)
{
    switch (v) {
    case 42:
        return 1;
    }
    return 2;
}

i16 one_case_default(i16 v)
{
    switch (v) {
    case -1:
        return 1;
    default:
        return 3;
    }
}

i16 only_default(i16 v)
{
    i16 r = 5;
    switch (v) {
    default:
        r += v;
    }
    return r;
}

i16 counter;

i16 bump(i16 v)
{
    counter++;
    return v;
}

void no_case(i16 v)
{
    switch (bump(v)) {
    }
}

/* Cases without break run into the next ones. */
i16 fall_through(i16 v)
{
    i16 r = 0;
    switch (v) {
    case 1:
        r += 1;
        /* fall through */
    case 2:
        r += 10;
        /* fall through */
    case 3:
        r += 100;
        break;
    case 4:
        r += 1000;
        /* fall through */
    default:
        r += 10000;
    }
    return r;
}

i16 nested(i16 a, i16 b)
{
    switch (a) {
    case 0:
        switch (b) {
        case 0: return 1;
        case 1: return 2;
        default: return 3;
        }
    case 1:
        switch (b) {
        case 0: return 4;
        default: break;
        }
        return 5;
    default:
        return 6;
    }
}

i16 on_char(i8 c)
{
    switch (c) {
    case 'a': case 'e': case 'i': case 'o': case 'u':
        return 1;
    case '0': case '1': case '2': case '3': case '4':
    case '5': case '6': case '7': case '8': case '9':
        return 2;
    case -128:
        return 3;
    case 127:
        return 4;
    case ' ':
        return 5;
    default:
        return 0;
    }
}

u16 on_unsigned_char(u8 b)
{
    switch (b) {
    case 0: return 1;
    case 1: return 2;
    case 2: return 3;
    case 3: return 4;
    case 4: return 5;
    case 5: return 6;
    case 6: return 7;
    case 7: return 8;
    case 200: return 9;
    case 255: return 10;
    }
    return 0;
}

i16 on_long(i32 v)
{
    switch (v) {
    case -100000L: return 1;
    case -1L: return 2;
    case 0L: return 3;
    case 1L: return 4;
    case 2L: return 5;
    case 3L: return 6;
    case 4L: return 7;
    case 5L: return 8;
    case 6L: return 9;
    case 7L: return 10;
    case 65536L: return 11;
    case 2147483647L: return 12;
    default: return 0;
    }
}

u16 on_unsigned(u16 v)
{
    switch (v) {
    case 0x8000u: return 1;
    case 0xFFFFu: return 2;
    case 0x7FFF: return 3;
    case 0: return 4;
    case 0xFFF0u: case 0xFFF1u: case 0xFFF2u: case 0xFFF3u:
    case 0xFFF4u: case 0xFFF5u: case 0xFFF6u: case 0xFFF7u:
        return 5;
    }
    return 6;
}

enum colour { RED, GREEN = 5, BLUE, BLACK = 100 };

i16 on_enum(enum colour c)
{
    switch (c) {
    case RED: return 1;
    case GREEN: return 2;
    case BLUE: return 3;
    case BLACK: return 4;
    }
    return 0;
}

/* 48 consecutive cases: one long table. */
u16 wide_table(u16 v)
{
    switch (v) {
    case 0: case 1: case 2: case 3: return v + 1;
    case 4: case 5: case 6: case 7: return v * 2;
    case 8: case 9: case 10: case 11: return v * 3;
    case 12: case 13: case 14: case 15: return 100;
    case 16: case 17: case 18: case 19: return 101;
    case 20: case 21: case 22: case 23: return 102;
    case 24: case 25: case 26: case 27: return 103;
    case 28: case 29: case 30: case 31: return v - 1;
    case 32: case 33: case 34: case 35: return v - 2;
    case 36: case 37: case 38: case 39: return v - 3;
    case 40: case 41: case 42: case 43: return 200;
    case 44: case 45: case 46: case 47: return 201;
    }
    return 999;
}

/* break leaves the switch only; continue goes on with the loop. */
u16 in_loop(void)
{
    u16 i, acc = 0;
    for (i = 0; i < 20; i++) {
        switch (i % 5) {
        case 0:
            continue;
        case 1:
            acc += 1;
            break;
        case 2:
            acc += 10;
            if (i > 10)
                continue;
            acc += 100;
            break;
        default:
            if (i == 18)
                goto out;
            acc += 1000;
        }
        acc += 5;
    }
out:
    return acc;
}

void run_all(void)
{
    u16 acc;
    i16 v;
    i32 l;
    u16 u;
    i16 c;

    acc = 0;
    for (v = -3; v < 16; v++)
        acc = mix(acc, (u16)dense(v));
    report(acc);
    report(dense(-32768));
    report(dense(8));

    acc = 0;
    for (v = -2; v < 3; v++)
        acc = mix(acc, (u16)sparse(v));
    report(acc);
    report(sparse(-5000));
    report(sparse(100));
    report(sparse(1000));
    report(sparse(30000));
    report(sparse(999));

    acc = 0;
    for (v = 15; v < 32; v++)
        acc = mix(acc, (u16)mixed(v));
    report(acc);
    report(mixed(-300));
    report(mixed(500));
    report(mixed(32767));
    report(mixed(-32768));

    report(one_case(42));
    report(one_case(43));
    report(one_case(-42));
    report(one_case_default(-1));
    report(one_case_default(0));
    report(only_default(7));
    report(only_default(-7));
    no_case(3);
    no_case(4);
    report(counter);

    acc = 0;
    for (v = 0; v < 6; v++)
        acc = mix(acc, (u16)fall_through(v));
    report(acc);
    acc = 0;
    for (v = 0; v < 3; v++)
        for (c = 0; c < 3; c++)
            acc = mix(acc, (u16)nested(v, c));
    report(acc);

    acc = 0;
    for (c = -128; c < 128; c++)
        acc = mix(acc, (u16)on_char((i8)c));
    report(acc);
    acc = 0;
    for (u = 0; u < 256; u++)
        acc = mix(acc, on_unsigned_char((u8)u));
    report(acc);

    acc = 0;
    for (l = -3; l < 10; l++)
        acc = mix(acc, (u16)on_long(l));
    report(acc);
    report(on_long(-100000L));
    report(on_long(65536L));
    report(on_long(2147483647L));
    report(on_long(-65536L));
    report(on_long(0x10001L));

    acc = 0;
    for (u = 0xFFEE; u != 2; u++)
        acc = mix(acc, on_unsigned(u));
    report(acc);
    report(on_unsigned(0x8000u));
    report(on_unsigned(0x7FFF));

    report(on_enum(RED));
    report(on_enum(GREEN));
    report(on_enum(BLUE));
    report(on_enum(BLACK));

    acc = 0;
    for (u = 0; u < 50; u++)
        acc = mix(acc, wide_table(u));
    report(acc);
    report(in_loop());
}

int main(void)
{
    run_all();
    VY_END();
}
