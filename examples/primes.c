/* primes.c: the bundled example. Finds the prime numbers below 1000 with
 * the sieve of Eratosthenes and writes what it found as text into the
 * buffer `output`; run_example.sh prints that text once the program has
 * run in the simulator. */
#define LIMIT 1000

char output[256];
unsigned int output_length;
unsigned char composite[LIMIT];

static void put_char(char c)
{
    if (output_length < sizeof output)
        output[output_length++] = c;
}

static void put_text(const char *s)
{
    while (*s)
        put_char(*s++);
}

static void put_number(unsigned long v)
{
    char digits[10];
    int n = 0;
    do {
        digits[n++] = (char)('0' + v % 10);
        v /= 10;
    } while (v);
    while (n)
        put_char(digits[--n]);
}

int main(void)
{
    unsigned int i, j, count = 0, largest = 0;
    unsigned long sum = 0;

    for (i = 2; i < LIMIT; i++) {
        if (composite[i])
            continue;
        count++;
        sum += i;
        largest = i;
        for (j = i + i; j < LIMIT; j += i)
            composite[j] = 1;
    }

    put_text("primes below 1000: ");
    put_number(count);
    put_text("\nthe first ten:");
    for (i = 2, j = 0; j < 10; i++) {
        if (!composite[i]) {
            put_char(' ');
            put_number(i);
            j++;
        }
    }
    put_text("\nthe largest: ");
    put_number(largest);
    put_text("\ntheir sum: ");
    put_number(sum);
    put_char('\n');
    return count;
}
