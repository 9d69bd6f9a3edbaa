/* What the three files of the load test share. */
#ifndef MULTI_H
#define MULTI_H

struct point {
    int x;
    int y;
};

extern int counter;
extern int scale(int v, unsigned char k);
extern long area(struct point *a, struct point *b);

#endif
