/* CRC-16/CCITT of a text, bit by bit, as crc.s computes it; and the CRC
 * after each of the first four bytes. */
#include "harness.h"

int main(void)
{
    const char *text = "123456789";
    u16 crc = 0xFFFF, i, k;
    for (i = 0; i < 9; i++) {
        crc ^= (u16)((u16)(u8)text[i] << 8);
        for (k = 0; k < 8; k++)
            crc = (u16)(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
        if (i < 4)
            report(crc);
    }
    report(crc);
    VY_END();
}
