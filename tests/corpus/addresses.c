/* Objects at fixed addresses (`@` after the declarator): a word, a long,
 * a byte in page zero, an array and a structure, plain and volatile. Each
 * is written through its name and read through a pointer made from its
 * address, and the other way round, so the object must lie where it was
 * placed. */
#include "harness.h"

struct device {
    u8 control;
    u8 data;
    u16 count;
};

u16 port AT(0x1800);
i32 ticks AT(0x1810);
u8 status AT(0x00F0);          /* page zero */
u8 table[8] AT(0x1840);
struct device dev AT(0x1820);
volatile u8 flags AT(0x1830);

void words_and_longs(void)
{
    u16 *pp = PLACED(u16, port, 0x1800);
    i32 *pt = PLACED(i32, ticks, 0x1810);
    port = 0x1234;
    report(*pp);
    *pp = 0xABCD;
    report(port);
    port += 3;
    report(*pp);
    ticks = -100000L;
    report(*pt);
    *pt += 1;
    report(ticks);
    ticks *= 16;
    report(*pt);
}

void page_zero(void)
{
    u8 *ps = PLACED(u8, status, 0x00F0);
    status = 0x81;
    report(*ps);
    status |= 0x10;          /* bit set */
    report(*ps);
    status &= ~0x01;         /* bit clear */
    report(*ps);
    *ps ^= 0xFF;
    report(status);
    report(status & 0x40 ? 1 : 0);
}

void arrays_and_structures(void)
{
    u8 *pa = PLACED(u8, table[0], 0x1840);
    struct device *pd = PLACED(struct device, dev, 0x1820);
    volatile u8 *pf = PLACED(volatile u8, flags, 0x1830);
    u16 i, sum = 0;
    for (i = 0; i < 8; i++)
        table[i] = (u8)(i * 3);
    for (i = 0; i < 8; i++)
        sum += pa[i];
    report(sum);
    pa[7] = 200;
    report(table[7]);
    dev.control = 0x0F;
    dev.data = 0x55;
    dev.count = 1000;
    report(pd->control);
    report(pd->data);
    report(pd->count);
    pd->count--;
    report(dev.count);
    flags = 3;
    *pf |= 4;
    report(flags);
    while (flags)
        flags >>= 1;
    report(*pf);
}

int main(void)
{
    words_and_longs();
    page_zero();
    arrays_and_structures();
    VY_END();
}
