/* Interrupt functions called from C: the call stacks the registers as the
 * processor does and the function returns with rti. Handlers with no
 * frame, with locals, and with calls of their own; the caller's locals
 * and long values survive the calls; and a handler called through a
 * pointer to an interrupt function, as a vector table holds it. (irq/
 * holds the programs whose interrupts the simulator raises.) */
#include "harness.h"

volatile u16 ticks;
volatile u16 last_sum;
volatile i32 long_total;

INTERRUPT void tick(void)
{
    ticks++;
}

INTERRUPT void with_locals(void)
{
    u8 buf[12];
    u16 i, sum = 0;
    for (i = 0; i < 12; i++)
        buf[i] = (u8)(ticks + i);
    for (i = 0; i < 12; i++)
        sum += buf[i];
    last_sum = sum;
}

i32 scale(i32 v)
{
    return v * 3 - 1;
}

INTERRUPT void with_calls(void)
{
    long_total = scale(long_total);
}

INTERRUPT void (*vector)(void) = tick;

void direct_calls(void)
{
    i16 a = 1234, b = -567;
    i32 l = 0x12345678L;
    u16 i;
    for (i = 0; i < 5; i++)
        tick();
    report(ticks);
    with_locals();
    report(last_sum);
    long_total = 10;
    with_calls();
    with_calls();
    report(long_total);
    /* the caller's values are where they were */
    report(a + b);
    report(l);
    for (i = 0; i < 3; i++) {
        a += 1;
        tick();
        l += a;
    }
    report(a);
    report(l);
    report(ticks);
}

void through_vector(void)
{
    u16 before = ticks;
    vector();
    vector();
    report(ticks - before);
}

int main(void)
{
    direct_calls();
    through_vector();
    VY_END();
}
