/* Interrupts raised by the simulator, as irq.s takes them: the handler
 * reports at each of three interrupt points, and the interrupted loop
 * keeps its values. */
#include "harness.h"

volatile u16 count;

INTERRUPT void handler(void)
{
    count += 5;
    report(count);
}

INTERRUPT void (*vector)(void) AT(0xFFF2);

int main(void)
{
    u16 i, acc = 0;
    vector = handler;
    VY_INTERRUPTS_ON();
    for (i = 0; i < 3; i++) {
        acc += i * 7 + 1;
        VY_IRQ_POINT(vector);
    }
    report(acc);
    report(count);
    VY_END();
}
