/* Arrays and pointers: indexing and pointer arithmetic over elements of
 * every size, two-dimensional arrays, pointers to pointers and to arrays,
 * arrays as parameters, strings with hand-written string functions,
 * pointer comparison and difference, and pointers of each size of the
 * target: near (the default), tiny (one byte, into page zero) and far. */
#include "harness.h"

i8 bytes[10] = {1, -2, 3, -4, 5, -6, 7, -8, 9, -10};
i16 words[8] = {100, -200, 300, -400, 500, -600, 700, -800};
i32 longs[5] = {100000L, -200000L, 300000L, -400000L, 500000L};
u16 grid[4][5];

/* Objects in page zero, reached through one-byte pointers. */
TINY u8 zp_bytes[6];
TINY u16 zp_word;

char text[32];

u16 strlen16(const char *s)
{
    const char *p = s;
    while (*p)
        p++;
    return (u16)(p - s);
}

void strcpy16(char *to, const char *from)
{
    while ((*to++ = *from++) != 0)
        ;
}

i16 strcmp16(const char *a, const char *b)
{
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return (i16)((u8)*a - (u8)*b);
}

void reverse(char *s)
{
    char *e = s + strlen16(s) - 1;
    while (s < e) {
        char t = *s;
        *s++ = *e;
        *e-- = t;
    }
}

/* Decimal text of a value, into buf; returns buf. */
char *itoa16(i16 v, char *buf)
{
    char *p = buf;
    u16 u = v < 0 ? (u16)(-(v + 1)) + 1u : (u16)v;
    do {
        *p++ = (char)('0' + u % 10);
        u /= 10;
    } while (u);
    if (v < 0)
        *p++ = '-';
    *p = 0;
    reverse(buf);
    return buf;
}

i16 atoi16(const char *s)
{
    i16 sign = 1, v = 0;
    if (*s == '-') {
        sign = -1;
        s++;
    }
    while (*s >= '0' && *s <= '9')
        v = v * 10 + (*s++ - '0');
    return sign * v;
}

i32 sum_longs(const i32 *p, u16 n)
{
    i32 total = 0;
    while (n--)
        total += *p++;
    return total;
}

i16 sum_row(const u16 row[5])
{
    i16 total = 0, i;
    for (i = 0; i < 5; i++)
        total += row[i];
    return total;
}

u16 trace(u16 (*g)[5], u16 rows)
{
    u16 t = 0, i;
    for (i = 0; i < rows; i++)
        t += g[i][i];
    return t;
}

void swap(i16 *a, i16 *b)
{
    i16 t = *a;
    *a = *b;
    *b = t;
}

void arithmetic(void)
{
    i8 *pb = bytes;
    i16 *pw = &words[7];
    i32 *pl = longs + 4;
    i16 *q;
    report(*(pb + 3));
    report(pb[9]);
    pb += 5;
    report(*pb);
    report(pb[-1]);
    report(*pw);
    report(*--pw);
    report(pw[-6]);
    report(pw - words);
    report(*pl);
    report(pl[-4]);
    pl -= 2;
    report(*pl);
    report(pl - longs);
    report(sum_longs(longs, 5));
    report(sum_longs(longs + 1, 3));
    q = words;
    report(q < pw);
    report(q >= pw);
    report(q == &words[0]);
    report(q != pw);
    swap(&words[0], &words[1]);
    report(words[0]);
    report(words[1]);
    *pw++ += 1;
    report(words[6]);
    report(*pw);
}

void two_dimensions(void)
{
    u16 r, c;
    u16 (*row)[5];
    u16 *flat;
    for (r = 0; r < 4; r++)
        for (c = 0; c < 5; c++)
            grid[r][c] = (u16)(r * 10 + c);
    report(grid[3][4]);
    report(sum_row(grid[2]));
    report(trace(grid, 4));
    row = grid + 1;
    report((*row)[3]);
    report(row[1][0]);
    flat = &grid[0][0];
    report(flat[13]);
    report(*(*(grid + 2) + 2));
}

void pointers_to_pointers(void)
{
    i16 a = 5, b = 6;
    i16 *pa = &a, *pb = &b;
    i16 **pp = &pa;
    i16 *table[2];
    **pp = 50;
    report(a);
    *pp = pb;
    **pp += 1;
    report(b);
    report(*pa);
    table[0] = &a;
    table[1] = &b;
    report(*table[0] + *table[1]);
}

void strings(void)
{
    char buf[12];
    const char *hello = "hello, world";
    report(strlen16(hello));
    report(strlen16(""));
    report(hello[7]);
    report(*(hello + 12));
    strcpy16(text, hello);
    reverse(text);
    report(text[0]);
    report(text[11]);
    report(strcmp16("abc", "abd") < 0);
    report(strcmp16("abc", "abc"));
    report(strcmp16("b", "abc") > 0);
    report(strcmp16(itoa16(-32768, buf), "-32768"));
    report(strcmp16(itoa16(0, buf), "0"));
    report(strcmp16(itoa16(4711, buf), "4711"));
    report(atoi16("-1234"));
    report(atoi16(itoa16(32767, buf)));
    report(sizeof "abc");
    report(sizeof words / sizeof words[0]);
}

void void_pointers(void)
{
    u32 value = 0x11223344UL;
    void *v = &value;
    u32 *back = (u32 *)v;
    const u8 *cp = (const u8 *)bytes;
    report(*back);
    report(cp[1]);
    report(v == (void *)&value);
    v = 0;
    report(v == 0);
}

/* Tiny pointers are one byte and reach page zero only. */
void tiny_pointers(void)
{
    TINY u8 *tp = zp_bytes;
    TINY u16 *tw = &zp_word;
    u16 i, total = 0;
    for (i = 0; i < 6; i++)
        *tp++ = (u8)(i * 40 + 3);
    tp = &zp_bytes[5];
    report(*tp);
    report(tp[-2]);
    for (tp = zp_bytes; tp < zp_bytes + 6; tp++)
        total += *tp;
    report(total);
    *tw = 0xCAFE;
    report(zp_word);
    report(tp - zp_bytes);
}

/* Far pointers are four bytes; they reach ordinary objects too. */
void far_pointers(void)
{
    FAR i16 *fp = words;
    FAR i32 *fl = &longs[1];
    FAR u8 *fz = zp_bytes;
    i16 total = 0;
    u16 i;
    for (i = 0; i < 8; i++)
        total += *fp++;
    report(total);
    fp = &words[2];
    *fp = 333;
    report(words[2]);
    report(fp[1]);
    report(*fl);
    *fl = 77L;
    report(longs[1]);
    report(fz[5]);
}

int main(void)
{
    arithmetic();
    two_dimensions();
    pointers_to_pointers();
    strings();
    void_pointers();
    tiny_pointers();
    far_pointers();
    VY_END();
}
