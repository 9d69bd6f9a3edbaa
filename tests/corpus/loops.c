/* Loops of every kind: for, while and do with counters of each width,
 * counting up and down, empty bodies, bodies that never run and run once,
 * endless loops left by break, continue in each kind, goto forwards,
 * backwards and out of nested loops, and return from inside a loop. */
#include "harness.h"

u16 for_loops(void)
{
    u16 acc = 0;
    u8 b;
    i16 s;
    i32 l;
    u32 ul;
    for (b = 0; b < 255; b++)
        acc += b;
    report(acc);
    acc = 0;
    for (s = 100; s > -100; s -= 7)
        acc += (u16)s;
    report(acc);
    acc = 0;
    for (l = 70000L; l > 0; l -= 9999L)
        acc++;
    report(acc);
    acc = 0;
    for (ul = 0; ul < 0x30000UL; ul += 0x8000UL)
        acc++;
    report(acc);
    for (s = 0, acc = 1; s < 5; s++, acc *= 3)
        ;
    report(acc);
    for (s = 10; s < 5; s++)
        acc = 0;   /* never runs */
    return acc;
}

void while_loops(void)
{
    u16 n = 27, steps = 0;
    i16 k = 0;
    /* the Collatz walk of 27 */
    while (n != 1) {
        if (n & 1)
            n = 3 * n + 1;
        else
            n /= 2;
        steps++;
    }
    report(steps);
    while (0)
        k = 99;
    report(k);
    while (k++ < 10)
        ;
    report(k);
    n = 0;
    while (1) {
        if (++n == 17)
            break;
    }
    report(n);
}

void do_loops(void)
{
    u16 n = 0, runs = 0;
    i32 power = 1;
    do {
        runs++;
    } while (n);      /* runs once */
    report(runs);
    do {
        power *= -3;
    } while (power > -100000L && power < 100000L);
    report(power);
    n = 5;
    do
        n += 10;
    while (n < 100);
    report(n);
}

void continues(void)
{
    u16 i, acc = 0;
    i16 j = 0;
    for (i = 0; i < 30; i++) {
        if (i % 3 == 0)
            continue;
        acc += i;
    }
    report(acc);
    acc = 0;
    while (j < 20) {
        j++;
        if (j & 1)
            continue;
        acc += (u16)j;
    }
    report(acc);
    acc = 0;
    j = 0;
    do {
        j++;
        if (j > 5 && j < 15)
            continue;
        acc += (u16)j;
    } while (j < 20);
    report(acc);
}

void nested_and_breaks(void)
{
    u16 i, j, k, acc = 0;
    for (i = 0; i < 10; i++) {
        for (j = 0; j < 10; j++) {
            if (j > i)
                break;
            for (k = 0; k < 3; k++) {
                if (k == 1)
                    continue;
                acc += (u16)(i * j + k);
            }
        }
    }
    report(acc);
    /* leave three loops at once */
    acc = 0;
    for (i = 0; i < 10; i++)
        for (j = 0; j < 10; j++)
            for (k = 0; k < 10; k++) {
                acc++;
                if (i == 2 && j == 3 && k == 4)
                    goto done;
            }
done:
    report(acc);
    report(i * 100 + j * 10 + k);
}

void gotos(void)
{
    u16 n = 0, acc = 0;
again:
    acc += n;
    if (++n < 10)
        goto again;
    report(acc);
    goto skip;
    acc = 0;
skip:
    report(acc);
    n = 3;
    {
        u16 inner = 7;
    top:
        if (n == 0)
            goto end;
        inner += n--;
        goto top;
    end:
        report(inner);
    }
}

i16 find(const i16 *v, u16 n, i16 wanted)
{
    u16 i;
    for (i = 0; i < n; i++)
        if (v[i] == wanted)
            return (i16)i;
    return -1;
}

void returns_from_loops(void)
{
    i16 v[6] = {4, 8, 15, 16, 23, 42};
    report(find(v, 6, 15));
    report(find(v, 6, 42));
    report(find(v, 6, 7));
    report(find(v, 0, 4));
}

/* A pointer as the loop variable. */
void pointer_loop(void)
{
    char s[] = "loop over text";
    char *p;
    u16 spaces = 0, sum = 0;
    for (p = s; *p; p++) {
        if (*p == ' ')
            spaces++;
        sum += (u8)*p;
    }
    report(spaces);
    report(sum);
    report(p - s);
}

int main(void)
{
    report(for_loops());
    while_loops();
    do_loops();
    continues();
    nested_and_breaks();
    gotos();
    returns_from_loops();
    pointer_loop();
    VY_END();
}
