/* Scaling by a factor, keeping the steps. */
#include "multi.h"

static unsigned char factor;
unsigned short steps[3];

int scale(int v, unsigned char k)
{
    int r;
    int j;

    factor = k;
    r = v;
    for (j = 0; j < 3; j++) {
        steps[j] = r;
        r = r * factor;
    }
    return r;
}
