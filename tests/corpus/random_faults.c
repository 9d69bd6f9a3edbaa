/* Faults that random programs found, each reduced to the construct that
 * broke the chain: const locals with initialisers, signed values compared
 * with unsigned ones of the same width, a || whose left operand is a
 * comma, pointers at the top of a frame of more than 255 bytes, long
 * locals that a statement's own temporaries put out of an index's reach,
 * and structures assigned from a comma or from another assignment. */
#include "harness.h"

struct pair {
    i16 a;
    i32 b;
};

/* const locals take their initial values (an initialiser is no
 * assignment), scalars, arrays and structures alike */
void const_locals(void)
{
    const i16 k = 1;
    const u8 bytes[3] = {7, 8, 9};
    const struct pair p = {5, 70000L};
    report(k - 1);
    report(bytes[2]);
    report(p.b + p.a);
}

i16 sv = -1;
i16 *sp = &sv;
u16 uv = 40000;
i32 lv = -2;
i32 *lp = &lv;
u32 ulv = 0xFFFFFFFEUL;
u32 *ulp = &ulv;
i16 minus_one(void)
{
    return -1;
}

/* A signed value read through a pointer, or made by an assignment, a
 * call, ?: or >>, compared with an unsigned one of its width: the
 * comparison is unsigned (the casts keep the width, so the code generator
 * has only the operands' own types to go by). */
void mixed_signedness(void)
{
    i16 t;
    report(COMPARISONS((u16)*sp, uv));
    report(COMPARISONS(uv, (u16)*sp));
    report((u16)(t = -3) < uv);
    report(COMPARISONS((u16)minus_one(), uv));
    report(COMPARISONS((u16)(uv ? *sp : 0), uv));
    report(COMPARISONS((u16)(*sp >> 1), uv));
    report(COMPARISONS((u16)*sp, 40000u));
    report(COMPARISONS((u32)*lp, *ulp));
    report(COMPARISONS((u32)*lp, 0xFFFFFFF0UL));
    report(uv > (u16)sv);
    report(t);
}

/* || whose left operand is a comma ending in a constant: the jump that
 * the constant makes certain lands on the right label */
void comma_in_or(void)
{
    i16 r = 0, s = 0;
    r = (r = 5, 1) || 2;
    s = (s = 5, 0) || (s == 5);
    report(r);
    report(s);
    report((s = 7, 0) && s);
    report(s);
}

/* more than 255 bytes of locals: the words at the top of the frame lie
 * beyond the reach of an index, so a pointer there is reached through Y */
i32 global_long;

i16 deep_frame(void)
{
    {
        u8 big[300];
        big[0] = 1;
        global_long = big[0];
    }
    {
        i32 *q = &global_long;
        *q = 0x12345L;
    }
    return (i16)global_long;
}

i16 deep_parameter(i16 *p, i16 a)
{
    u8 big[300];
    big[0] = 3;
    big[299] = 4;
    return *p + big[0] + big[299] + a;
}

/* A frame just under the reach of an index, whose locals the temporaries
 * of one statement push beyond it: the long locals there are changed in
 * place (&=, |=, ^=), compared and given call results; the later block
 * makes the frame what it is. Each size of the later block puts another
 * local at the edge. */
i8 small_char = 5;

i16 seven(void)
{
    return 7;
}

u16 twelve(void)
{
    return 0x30u >> 2;
}

#define EDGE_OF_FRAME(name, pad)                                                      \
    i32 name(i16 n)                                                                   \
    {                                                                                 \
        i32 below = -3;                                                               \
        i32 sum;                                                                      \
        {                                                                             \
            i32 mask = 0xCFCBFA33L;                                                   \
            i32 two = 2;                                                              \
            i32 r = 0x7FFFL;                                                          \
            i32 s = 0x10F0L;                                                          \
            r &= (((((seven() & twelve()) | small_char) > below) | mask) != small_char) != two; \
            s |= (seven() ^ mask) > (i32)twelve();                                    \
            s ^= (i32)twelve() << 8;                                                  \
            mask &= (i32)(seven() + n);                                               \
            sum = r + s + mask;                                                       \
        }                                                                             \
        {                                                                             \
            u8 fill[pad];                                                             \
            i32 last = 9;                                                             \
            fill[0] = (u8)n;                                                          \
            fill[pad - 1] = 2;                                                        \
            last &= seven();                                                          \
            return sum + fill[0] + fill[pad - 1] + last;                              \
        }                                                                             \
    }

EDGE_OF_FRAME(edge_200, 200)
EDGE_OF_FRAME(edge_210, 210)
EDGE_OF_FRAME(edge_220, 220)
EDGE_OF_FRAME(edge_230, 230)
EDGE_OF_FRAME(edge_240, 240)
EDGE_OF_FRAME(edge_250, 250)

void big_frames(void)
{
    i16 v = 40;
    report(deep_frame());
    report(global_long);
    report(deep_parameter(&v, 2));
    report(edge_200(1));
    report(edge_210(2));
    report(edge_220(3));
    report(edge_230(4));
    report(edge_240(5));
    report(edge_250(6));
}

/* structures assigned from a comma, and from another assignment */
i16 calls;
struct pair pairs[2], first, second;

struct pair make_pair(i16 a)
{
    struct pair p;
    p.a = a;
    p.b = 100000L + a;
    ++calls;
    return p;
}

i32 pair_sum(struct pair p)
{
    return p.a + p.b;
}

void structure_values(void)
{
    pairs[1] = (calls++, make_pair(3));
    first = (calls++, second = make_pair(4));
    second = (calls++, pairs[1]);
    pairs[0] = first = make_pair(5);
    first = second = pairs[1];
    {
        struct pair a, b, c;
        c.a = 8;
        c.b = 80000L;
        a = (b = (first = c));
        second = (pairs[0] = (b = (pairs[1] = a)));
        report(a.a + b.b + first.a + pairs[0].b + pairs[1].a);
    }
    report(pair_sum(second = make_pair(6)));
    report(pair_sum(calls ? (first = pairs[0]) : second));
    report(pairs[0].a + pairs[0].b);
    report(pairs[1].a + pairs[1].b);
    report(first.a + first.b);
    report(second.a + second.b);
    report(calls);
}

int main(void)
{
    const_locals();
    mixed_signedness();
    comma_in_or();
    big_frames();
    structure_values();
    VY_END();
}
