/* Algorithms: recursion, every kind of loop, break, continue and goto,
   switches of every density, long and floating arithmetic. */

typedef int (*compare_t)(const void *, const void *);

struct pair { int key; long value; };
struct list { struct pair item; struct list *next; };

static int calls;
long table[32];
float weights[4] = { 0.5f, 1.0f, 1.5f, 2.0f };
double scale = 2.5;
char name[] = "algorithms";

int fib(int n)
{
    ++calls;
    if (n < 2)
        return n;
    return fib(n - 1) + fib(n - 2);
}

unsigned gcd(unsigned a, unsigned b)
{
    while (b != 0) {
        unsigned t = a % b;
        a = b;
        b = t;
    }
    return a;
}

long ackermann(long m, long n)
{
    if (m == 0)
        return n + 1;
    if (n == 0)
        return ackermann(m - 1, 1);
    return ackermann(m - 1, ackermann(m, n - 1));
}

/* Old-style definitions. */
int power(base, exp)
int base;
int exp;
{
    int r;

    for (r = 1; exp > 0; --exp)
        r *= base;
    return r;
}

long sum_to(n)
    long n;
{
    long s = 0;

    while (n)
        s += n--;
    return s;
}

void swap(struct pair *a, struct pair *b)
{
    struct pair t;

    t = *a;
    *a = *b;
    *b = t;
}

int by_key(const void *x, const void *y)
{
    const struct pair *a = x, *b = y;

    return a->key < b->key ? -1 : a->key > b->key;
}

void quicksort(struct pair *v, int left, int right, compare_t cmp)
{
    int i, last;

    if (left >= right)
        return;
    swap(&v[left], &v[(left + right) / 2]);
    last = left;
    for (i = left + 1; i <= right; i++)
        if ((*cmp)(&v[i], &v[left]) < 0)
            swap(&v[++last], &v[i]);
    swap(&v[left], &v[last]);
    quicksort(v, left, last - 1, cmp);
    quicksort(v, last + 1, right, cmp);
}

struct list *find(struct list *l, int key)
{
    for (; l; l = l->next) {
        if (l->item.key < key)
            continue;
        if (l->item.key == key)
            break;
        return 0;
    }
    return l;
}

int length(const char *s)
{
    const char *p = s;

    while (*p)
        p++;
    return p - s;
}

void reverse(char *s)
{
    int i, j;
    char c;

    for (i = 0, j = length(s) - 1; i < j; i++, j--) {
        c = s[i];
        s[i] = s[j];
        s[j] = c;
    }
}

int to_number(const char *s)
{
    int n, sign;

    n = 0;
    sign = 1;
    while (*s == ' ' || *s == '\t')
        s++;
    if (*s == '-') {
        sign = -1;
        s++;
    }
    do {
        if (*s < '0' || *s > '9')
            goto done;
        n = 10 * n + (*s - '0');
    } while (*++s);
done:
    return sign * n;
}

/* A dense switch: a jump table. */
int days(int month)
{
    switch (month) {
    case 1: case 3: case 5: case 7: case 8: case 10: case 12:
        return 31;
    case 4: case 6: case 9: case 11:
        return 30;
    case 2:
        return 28;
    }
    return 0;
}

/* A sparse switch: value and label pairs. */
const char *status_text(int code)
{
    switch (code) {
    case 200: return "ok";
    case 301: return "moved";
    case 404: return "not found";
    case 500: return "error";
    case -1: return "none";
    default: return "?";
    }
}

/* A switch of both kinds: a run and some pairs. */
int weight(char c)
{
    int w = 0;

    switch (c) {
    case 'a': case 'b': case 'c': case 'd': case 'e': case 'f': case 'g':
        w = c - 'a';
        break;
    case 'x':
        w = 100;
        break;
    case 'z':
        w = 200;
    case '!':
        w++;
        break;
    default:
        w = -1;
        break;
    }
    return w;
}

/* A long value; a one-case switch; a switch on a constant. */
int classify(long v)
{
    int r = 0;

    switch (v) {
    case 100000L: r = 1; break;
    case -100000L: r = 2; break;
    case 7: r = 3; break;
    }
    switch (r) {
    case 3: r = 30;
    }
    switch (2) {
    case 1: r += 10; break;
    case 2: r += 20; break;
    default: r += 40;
    }
    return r;
}

double average(float *w, int n)
{
    double s = 0.0;
    int i;

    if (n <= 0)
        return 0.0;
    for (i = 0; i < n; i++)
        s += w[i] * scale;
    return s / n;
}

long mix(long a, unsigned long b, int shift)
{
    long r;

    r = (a << shift) ^ (long)(b >> shift);
    r |= a & 0xFF00FF00L;
    r = r % 1000003L + (r / 7);
    return r < 0 ? -r : r;
}

int search(long *v, int n, long x)
{
    int low = 0, high = n - 1, mid;

    while (low <= high) {
        mid = (low + high) >> 1;
        if (x < v[mid])
            high = mid - 1;
        else if (x > v[mid])
            low = mid + 1;
        else
            return mid;
    }
    return -1;
}

int retry(int (*op)(void), int times)
{
    int r;

again:
    r = (*op)();
    if (r < 0 && --times > 0)
        goto again;
    return r;
}

int main(void)
{
    struct pair v[3];
    int i;

    for (i = 0; i < 32; i++)
        table[i] = sum_to(i) + ackermann(1, i);
    v[0].key = 3;
    v[1].key = 1;
    v[2].key = 2;
    quicksort(v, 0, 2, by_key);
    reverse(name);
    return fib(10) + gcd(12, 18) + power(2, 10) + days(2) + weight('c') + classify(7)
           + search(table, 32, 5) + to_number(" -42") + length(status_text(404)) + (int)average(weights, 4);
}
