/* Call frames of a recursive walk: at each probe the debugger reads every
   argument and local and compares them with what the host computes. */
struct pair {
    int a;
    char tag;
    long big;
    unsigned lo : 3;
    unsigned hi : 5;
};

long total;
const float halves[4] = {0.25f, 0.5f, -1.5f, 3.0f};
const double thirds[4] = {0.1, 1.0 / 3, -2.5e10, 6.02e23};
const long bigs[4] = {70000L, -70001L, 123456789L, -2000000000L};

#ifndef probe
void probe(int id)
{
}
#endif

int walk(int n, char c, struct pair *up)
{
    long sq;
    float f;
    double d;
    int *ip;
    struct pair here;

    sq = bigs[n];
    f = halves[n];
    d = thirds[n];
    here.a = n + up->a;
    here.tag = c;
    here.big = sq;
    here.lo = n;
    here.hi = c;
    ip = &here.a;
    probe(1);
    if (n > 0)
        *ip = *ip + walk(n - 1, c + 1, &here);
    total = total + *ip;
    probe(2);
    return here.a;
}

int main(void)
{
    struct pair top;

    top.a = -1;
    top.tag = 'z';
    top.big = -100000L;
    top.lo = 7;
    top.hi = 17;
    total = 0;
    walk(3, 'A', &top);
    probe(3);
    return 0;
}
