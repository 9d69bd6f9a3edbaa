/* Products of 16-bit values into 32 bits, as mul.s computes them from
 * four 8-bit multiplications. */
#include "harness.h"

u16 factors[] = {0, 1, 255, 256, 1000, 0x7FFF, 0x8000, 0xFFFF};

int main(void)
{
    u16 i, j;
    for (i = 0; i < 8; i++)
        for (j = i; j < 8; j++)
            report((u32)factors[i] * factors[j]);
    VY_END();
}
