/* The program of the simulator benchmark: a sieve, CRC-16 over a buffer,
 * an insertion sort and long arithmetic, a few million instructions in
 * all. main returns a checksum of the results. */
unsigned char composite[2000];
unsigned char buffer[512];
int values[200];

unsigned int sieve(unsigned int limit)
{
    unsigned int i, j, count = 0;
    for (i = 0; i < limit; i++)
        composite[i] = 0;
    for (i = 2; i < limit; i++) {
        if (composite[i])
            continue;
        count++;
        for (j = i + i; j < limit; j += i)
            composite[j] = 1;
    }
    return count;
}

unsigned int crc16(const unsigned char *p, unsigned int n)
{
    unsigned int crc = 0xFFFF, k;
    while (n--) {
        crc ^= (unsigned int)*p++ << 8;
        for (k = 0; k < 8; k++)
            crc = crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1;
    }
    return crc;
}

void sort(int *v, unsigned int n)
{
    unsigned int i, j;
    for (i = 1; i < n; i++) {
        int x = v[i];
        for (j = i; j > 0 && v[j - 1] > x; j--)
            v[j] = v[j - 1];
        v[j] = x;
    }
}

unsigned long mix(unsigned long seed, unsigned int rounds)
{
    while (rounds--)
        seed = seed * 1103515245UL + 12345UL;
    return seed;
}

int main(void)
{
    unsigned int i, sum;
    unsigned long seed = 1;
    sum = sieve(2000);
    for (i = 0; i < 512; i++)
        buffer[i] = (unsigned char)(i * 7 + 3);
    sum += crc16(buffer, 512);
    for (i = 0; i < 200; i++) {
        seed = mix(seed, 3);
        values[i] = (int)(seed >> 17);
    }
    sort(values, 200);
    sum += (unsigned int)values[100];
    sum += (unsigned int)mix(seed, 500);
    return (int)sum;
}
