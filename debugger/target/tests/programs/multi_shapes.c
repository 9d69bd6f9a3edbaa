/* Sides and areas of rectangles given by two corners. */
#include "multi.h"

static long last;
double ratio;
float half;

static long side(int from, int to)
{
    long d;

    d = to - from;
    if (d < 0)
        d = -d;
    return d;
}

long area(struct point *a, struct point *b)
{
    long w;
    long h;

    w = side(b->x, a->x);
    h = side(a->y, b->y);
    last = w * h;
    ratio = (double) w / (double) h;
    half = 0.5f * w;
    return last;
}
