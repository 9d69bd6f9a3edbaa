/* Static and global initialisers: scalars of every type, arrays full,
 * partial and sized by their initialiser, strings into arrays and
 * pointers, addresses of objects, elements and functions, structures,
 * nested and partial, arrays of structures, unions, bit-fields, constant
 * expressions, uninitialised objects (zero), and static locals that keep
 * their value between calls. */
#include "harness.h"

i8 g_c = -5;
u8 g_b = 250;
i16 g_s = -12345;
u16 g_u = 54321u;
i32 g_l = -1234567890L;
u32 g_ul = 4000000000UL;
f32 g_f = -1.5f;
f64 g_d = 1048576.25;
i16 g_zero;
i32 g_zero_long;
u8 g_zero_array[5];

i16 full[4] = {1, -2, 3, -4};
i16 partial[6] = {7, 8};
u8 sized[] = {9, 8, 7, 6, 5, 4, 3};
i32 long_table[3] = {-1L, 0x7FFFFFFFL, 65536L};
char word[] = "vyr11";
char exact[3] = "abc";
char padded[8] = "ab";
const char *message = "constant text";
const char *names[] = {"zero", "one", "two", "three"};
u16 matrix[2][3] = {{1, 2, 3}, {4, 5}};

i16 *second = &full[1];
i16 *past_start = partial + 2;
u8 *last_sized = &sized[sizeof sized - 1];
const char *third_char = "abcdef" + 2;

i16 twice(i16 v) { return v * 2; }
i16 negate(i16 v) { return -v; }
i16 (*handler)(i16) = twice;
i16 (*handlers[2])(i16) = {negate, twice};

struct inner {
    u8 a;
    i16 b;
};

struct outer {
    i32 id;
    struct inner in;
    u16 list[3];
    const char *label;
    f32 weight;
};

struct outer one = {100000L, {200, -300}, {1, 2, 3}, "one", 0.75f};
struct outer partial_struct = {-1L, {1}};
struct outer many[3] = {
    {1L, {2, 3}, {4}, "first", 1.0f},
    {5L, {6, 7}, {8, 9, 10}, "second", 2.0f},
};
struct inner *inner_of_one = &one.in;

union either {
    i32 l;
    u8 b;
};

union either u_first = {-2L};

struct packed_bits {
    u16 kind : 3;
    u16 value : 10;
    u16 flag : 1;
};

struct packed_bits bits = {5, 1000, 1};

enum level { LOW = -1, MID = 10, HIGH };

i16 levels[3] = {LOW, MID, HIGH};
u16 computed[5] = {sizeof(i32), 3 * 7 + 1, (u16)-1, 100 / 7, 1 ? 40 : 50};
i32 shifted_const = 1L << 20;
u32 mixed_const = 0xFF00UL | 0x00FFUL;

u16 counter(void)
{
    static u16 calls = 10;
    return ++calls;
}

i32 accumulate(i32 v)
{
    static i32 total;
    total += v;
    return total;
}

const char *pick(u16 which)
{
    static const char *table[3] = {"red", "green", "blue"};
    return table[which % 3];
}

u16 sum_static_array(void)
{
    static u8 data[4] = {10, 20, 30, 40};
    u16 s = 0, i;
    for (i = 0; i < 4; i++)
        s += data[i]++;
    return s;
}

void scalars(void)
{
    report(g_c);
    report(g_b);
    report(g_s);
    report(g_u);
    report(g_l);
    report(g_ul);
    report_f32(g_f);
    report_f64(g_d);
    report(g_zero);
    report(g_zero_long);
    report(g_zero_array[0] + g_zero_array[4]);
}

void arrays(void)
{
    u16 i, sum = 0;
    report(full[0] + full[3]);
    report(partial[1]);
    report(partial[2] + partial[5]);
    report(sizeof sized);
    report(sized[6]);
    report(long_table[0]);
    report(long_table[1]);
    report(long_table[2]);
    report(sizeof word);
    report(word[4]);
    report(word[5]);
    report(exact[2]);
    report(padded[1]);
    report(padded[2] + padded[7]);
    report(message[9]);
    report(names[3][2]);
    report(sizeof names / sizeof names[0]);
    for (i = 0; i < 2; i++)
        sum += matrix[i][0] + matrix[i][1] + matrix[i][2];
    report(sum);
    report(matrix[1][2]);
}

void addresses(void)
{
    report(*second);
    report(second[1]);
    report(*past_start);
    report(past_start[-1]);
    report(*last_sized);
    report(*third_char);
    report(handler(21));
    report(handlers[0](5));
    report(handlers[1](5));
    report(inner_of_one->b);
}

void structures(void)
{
    report(one.id);
    report(one.in.a);
    report(one.in.b);
    report(one.list[2]);
    report(one.label[1]);
    report_f32(one.weight);
    report(partial_struct.id);
    report(partial_struct.in.a);
    report(partial_struct.in.b);
    report(partial_struct.list[0]);
    report(partial_struct.label == 0);
    report(many[0].list[0] + many[0].list[1]);
    report(many[1].list[2]);
    report(many[1].label[0]);
    report_f32(many[1].weight);
    report(many[2].id);
    report(many[2].label == 0);
    report(u_first.l);
    report(bits.kind);
    report(bits.value);
    report(bits.flag);
}

void constants(void)
{
    report(levels[0]);
    report(levels[2]);
    report(computed[0]);
    report(computed[1]);
    report(computed[2]);
    report(computed[3]);
    report(computed[4]);
    report(shifted_const);
    report(mixed_const);
}

void statics(void)
{
    u16 i;
    report(counter());
    report(counter());
    report(accumulate(5));
    report(accumulate(-7));
    report(pick(4)[0]);
    report(pick(2)[1]);
    for (i = 0; i < 3; i++)
        report(sum_static_array());
}

int main(void)
{
    scalars();
    arrays();
    addresses();
    structures();
    constants();
    statics();
    VY_END();
}
