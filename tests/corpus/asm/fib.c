/* The Fibonacci numbers, as fib.s computes them by hand: the first 25 in
 * 16 bits, then the 47th in 32 bits. */
#include "harness.h"

int main(void)
{
    u16 a = 0, b = 1, i;
    u32 x = 0, y = 1;
    for (i = 0; i < 25; i++) {
        u16 t = a + b;
        report(a);
        a = b;
        b = t;
    }
    for (i = 0; i < 47; i++) {
        u32 t = x + y;
        x = y;
        y = t;
    }
    report(x);
    VY_END();
}
