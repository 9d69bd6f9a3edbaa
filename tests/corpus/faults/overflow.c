/* Signed overflow, the most negative value divided by -1, shifts by the
 * width and more, and conversions of values out of range. */
volatile int big = 32767;
volatile int minus_one = -1;
volatile long lbig = 2147483647L;
volatile int count = 40;
volatile double huge = 1e30;

int ir[6];
long lr[4];

int main(void)
{
    int most_negative = -32767 - 1;
    long lmost_negative = -2147483647L - 1L;
    ir[0] = big + 1;
    ir[1] = big * big;
    ir[2] = most_negative / minus_one;
    ir[3] = most_negative % minus_one;
    ir[4] = 1 << count;
    ir[5] = (int)huge;
    lr[0] = lbig + 1;
    lr[1] = lmost_negative / minus_one;
    lr[2] = lbig << count;
    lr[3] = (long)huge;
    return ir[0];
}
