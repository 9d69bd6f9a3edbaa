/* Small whole programs that use everything together: a sieve, CRC-16 and
 * CRC-32, quicksort and binary search, a matrix product, integer square
 * roots, string hashing, run-length coding, a sort of records, prime
 * factors and a pseudo-random generator. */
#include "harness.h"

u8 composite[600];
i16 data[64];
u8 packed[64];

u16 sieve(u16 limit)
{
    u16 i, j, count = 0;
    for (i = 2; i < limit; i++) {
        if (composite[i])
            continue;
        count++;
        for (j = i + i; j < limit; j += i)
            composite[j] = 1;
    }
    return count;
}

u16 crc16(const u8 *p, u16 n)
{
    u16 crc = 0xFFFF;
    u16 k;
    while (n--) {
        crc ^= (u16)((u16)*p++ << 8);
        for (k = 0; k < 8; k++)
            crc = (u16)(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

u32 crc32(const u8 *p, u16 n)
{
    u32 crc = 0xFFFFFFFFUL;
    u16 k;
    while (n--) {
        crc ^= *p++;
        for (k = 0; k < 8; k++)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320UL : crc >> 1;
    }
    return ~crc;
}

u32 seed = 12345;

u16 next_random(void)
{
    seed = seed * 1103515245UL + 12345UL;
    return (u16)(seed >> 16) & 0x7FFF;
}

void quicksort(i16 *v, i16 lo, i16 hi)
{
    i16 i = lo, j = hi;
    i16 pivot = v[lo + (hi - lo) / 2];
    while (i <= j) {
        while (v[i] < pivot)
            i++;
        while (v[j] > pivot)
            j--;
        if (i <= j) {
            i16 t = v[i];
            v[i] = v[j];
            v[j] = t;
            i++;
            j--;
        }
    }
    if (lo < j)
        quicksort(v, lo, j);
    if (i < hi)
        quicksort(v, i, hi);
}

i16 binary_search(const i16 *v, i16 n, i16 key)
{
    i16 lo = 0, hi = n - 1;
    while (lo <= hi) {
        i16 mid = lo + (hi - lo) / 2;
        if (v[mid] == key)
            return mid;
        if (v[mid] < key)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return -1;
}

void matrix_product(i16 a[3][3], i16 b[3][3], i32 c[3][3])
{
    u16 i, j, k;
    for (i = 0; i < 3; i++)
        for (j = 0; j < 3; j++) {
            i32 s = 0;
            for (k = 0; k < 3; k++)
                s += (i32)a[i][k] * b[k][j];
            c[i][j] = s;
        }
}

u16 isqrt32(u32 x)
{
    u32 r = 0, bit = 1UL << 30;
    while (bit > x)
        bit >>= 2;
    while (bit) {
        if (x >= r + bit) {
            x -= r + bit;
            r = (r >> 1) + bit;
        } else {
            r >>= 1;
        }
        bit >>= 2;
    }
    return (u16)r;
}

u32 hash(const char *s)
{
    u32 h = 5381;
    while (*s)
        h = h * 33 + (u8)*s++;
    return h;
}

/* Run-length coding: (count, byte) pairs; returns the coded length. */
u16 rle(const u8 *in, u16 n, u8 *out)
{
    u16 o = 0, i = 0;
    while (i < n) {
        u8 b = in[i];
        u8 run = 1;
        while (i + run < n && in[i + run] == b && run < 255)
            run++;
        out[o++] = run;
        out[o++] = b;
        i += run;
    }
    return o;
}

struct item {
    char name[6];
    u16 key;
    i32 value;
};

struct item items[5] = {
    {"pear", 40, -3L},
    {"fig", 10, 100000L},
    {"kiwi", 30, 7L},
    {"lime", 20, -70000L},
    {"date", 50, 0L},
};

void sort_items(struct item *v, u16 n)
{
    u16 i, j;
    for (i = 0; i + 1 < n; i++)
        for (j = 0; j + 1 < n - i; j++)
            if (v[j].key > v[j + 1].key) {
                struct item t = v[j];
                v[j] = v[j + 1];
                v[j + 1] = t;
            }
}

u16 factors(u32 n, u32 *out)
{
    u16 count = 0;
    u32 d;
    for (d = 2; d * d <= n; d++)
        while (n % d == 0) {
            out[count++] = d;
            n /= d;
        }
    if (n > 1)
        out[count++] = n;
    return count;
}

u16 popcount(u32 v)
{
    u16 c = 0;
    while (v) {
        v &= v - 1;
        c++;
    }
    return c;
}

u32 reverse_bits(u32 v)
{
    u32 r = 0;
    u16 i;
    for (i = 0; i < 32; i++) {
        r = (r << 1) | (v & 1);
        v >>= 1;
    }
    return r;
}

int main(void)
{
    const char *text = "The quick brown fox jumps over the lazy dog";
    u16 i, n;
    i16 a[3][3] = {{1, -2, 3}, {4, 5, -6}, {-7, 8, 9}};
    i16 b[3][3] = {{300, 0, -1}, {2, 1000, 5}, {-4, 7, 250}};
    i32 c[3][3];
    u32 f[12];
    u16 sum;

    report(sieve(600));
    report(composite[597]);
    report(composite[599]);
    report(crc16((const u8 *)text, 43));
    report(crc32((const u8 *)text, 43));
    report(crc32((const u8 *)"123456789", 9));

    for (i = 0; i < 64; i++)
        data[i] = (i16)(next_random() % 2000) - 1000;
    quicksort(data, 0, 63);
    sum = 0;
    for (i = 1; i < 64; i++)
        sum += data[i - 1] <= data[i];
    report(sum);
    report(data[0]);
    report(data[63]);
    report(binary_search(data, 64, data[17]) >= 0);
    report(binary_search(data, 64, 1001));

    matrix_product(a, b, c);
    for (i = 0; i < 3; i++)
        report(c[i][0] + c[i][1] * 3 + c[i][2] * 7);

    report(isqrt32(0));
    report(isqrt32(1000000UL));
    report(isqrt32(4294967295UL));
    report(isqrt32(123456789UL));

    report(hash(text));
    report(hash(""));

    for (i = 0; i < 40; i++)
        packed[i] = (u8)(i / 7 == 2 ? 9 : i / 5);
    n = rle(packed, 40, (u8 *)data);
    report(n);
    report(((u8 *)data)[0]);
    report(((u8 *)data)[n - 1]);

    sort_items(items, 5);
    for (i = 0; i < 5; i++)
        report(items[i].name[0]);
    report(items[4].value);
    report(items[0].value);

    n = factors(1000003UL, f);
    report(n);
    n = factors(3600UL * 7UL * 131UL, f);
    report(n);
    for (i = 0; i < n; i++)
        report(f[i]);

    report(popcount(0xF0F01234UL));
    report(reverse_bits(0x00000001UL));
    report(reverse_bits(0x12345678UL));
    VY_END();
}
