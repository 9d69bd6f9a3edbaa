/* A program of three files: counts, measures and scales. */
#include "multi.h"

int counter;
static char letters[6];
struct point origin;
long surface;
char *name;

int add(int a, int b)
{
    int t;

    t = a + b;
    counter = counter + t;
    return t;
}

int main(void)
{
    int i;
    struct point corner;

    corner.x = 3;
    corner.y = 4;
    origin.x = -2;
    for (i = 0; i < 5; i++)
        letters[i] = 'a' + add(corner.x, i);
    name = letters;
    surface = area(&origin, &corner);
    counter = scale(counter, 3);
    return 0;
}
