//! irq 0x8 0x10 0x8
/* Interrupts raised by the simulator. The program installs two handlers
 * in the vector table (IRQ at 0xFFF2, real-time interrupt at 0xFFF0),
 * enables interrupts and computes a checksum; at three points of the
 * computation it calls vy_irq_point(), where the runner raises the
 * interrupts listed on the first line, in order (a mask bit each: 0x8 is
 * IRQ, 0x10 the real-time interrupt). On the host the handler of each
 * point is called in their place. The checksum must come out as if no
 * interrupt had happened, and the handlers must have run in order. */
#include "harness.h"

volatile u16 irq_count;
volatile u16 rti_count;
volatile u8 order[4];
volatile u16 events;

INTERRUPT void on_irq(void)
{
    irq_count++;
    if (events < 4)
        order[events] = 1;
    events++;
}

INTERRUPT void on_rti(void)
{
    u16 i, sum = 0;
    for (i = 0; i < 10; i++)
        sum += i;
    rti_count += sum;
    if (events < 4)
        order[events] = 2;
    events++;
}

INTERRUPT void (*irq_vector)(void) AT(0xFFF2);
INTERRUPT void (*rti_vector)(void) AT(0xFFF0);

u32 checksum(void)
{
    u32 acc = 7;
    i16 local = -3;
    u16 i;
    for (i = 0; i < 100; i++) {
        acc = acc * 31 + i;
        local += 2;
        if (i == 10)
            VY_IRQ_POINT(irq_vector);
        if (i == 50)
            VY_IRQ_POINT(rti_vector);
        if (i == 90)
            VY_IRQ_POINT(irq_vector);
    }
    return acc + (u32)local;
}

int main(void)
{
    irq_vector = on_irq;
    rti_vector = on_rti;
    VY_INTERRUPTS_ON();
    report(checksum());
    report(irq_count);
    report(rti_count);
    report(events);
    report(order[0] * 100 + order[1] * 10 + order[2]);
    VY_END();
}
