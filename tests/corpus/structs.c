/* Structures and unions: members of every type, nesting, assignment,
 * arguments and results by value (small, odd-sized and large), arrays of
 * structures, pointers to them, linked lists, and unions read back through
 * the member that was written or through members of the same layout. */
#include "harness.h"

struct point {
    i16 x, y;
};

struct mixed {
    u8 tag;
    i32 count;
    i8 delta;
    u16 flags;
    struct point where;
    u8 name[5];
};

struct three {
    u8 a, b, c;
};

struct one {
    u8 v;
};

struct big {
    u16 words[150];
    u8 last;
};

struct node {
    i16 value;
    struct node *next;
};

union word {
    u16 w;
    u8 b[2];
};

union view {
    u16 words[2];
    struct {
        u16 first, second;
    } parts;
};

union number {
    i32 l;
    i16 s;
    f32 f;
};

struct mixed global_m;
struct big global_big;
struct node pool[6];

struct point make_point(i16 x, i16 y)
{
    struct point p;
    p.x = x;
    p.y = y;
    return p;
}

struct point add_points(struct point a, struct point b)
{
    struct point r;
    r.x = a.x + b.x;
    r.y = a.y + b.y;
    return r;
}

struct three rotate(struct three t)
{
    struct three r;
    r.a = t.b;
    r.b = t.c;
    r.c = t.a;
    return r;
}

struct one bump(struct one o)
{
    o.v++;
    return o;
}

u32 sum_big(struct big b)
{
    u32 total = 0;
    u16 i;
    for (i = 0; i < 150; i++)
        total += b.words[i];
    b.words[0] = 0;  /* the caller's copy stays as it is */
    return total + b.last;
}

struct big double_big(struct big b)
{
    u16 i;
    for (i = 0; i < 150; i++)
        b.words[i] *= 2;
    b.last++;
    return b;
}

i16 manhattan(const struct point *p)
{
    i16 x = p->x < 0 ? -p->x : p->x;
    i16 y = p->y < 0 ? -p->y : p->y;
    return x + y;
}

void members(void)
{
    struct mixed m;
    struct mixed *pm = &global_m;
    m.tag = 200;
    m.count = -100000L;
    m.delta = -3;
    m.flags = 0xBEEF;
    m.where.x = -7;
    m.where.y = 1234;
    m.name[0] = 'v';
    m.name[4] = 'y';
    global_m = m;          /* structure assignment */
    m.tag = 1;
    m.where.y = 0;
    report(global_m.tag);
    report(global_m.count);
    report(global_m.delta);
    report(global_m.flags);
    report(global_m.where.x);
    report(global_m.where.y);
    report(global_m.name[0]);
    report(global_m.name[4]);
    report(m.tag);
    report(m.where.y);
    pm->count += 5;
    pm->where.x *= 3;
    ++pm->name[0];
    report(pm->count);
    report(pm->where.x);
    report(global_m.name[0]);
    report(manhattan(&global_m.where));
}

void by_value(void)
{
    struct point a = make_point(3, -4);
    struct point b = make_point(100, 200);
    struct point c = add_points(a, b);
    struct three t;
    struct one o;
    u16 i;
    report(c.x);
    report(c.y);
    report(add_points(c, make_point(-1000, 1)).y);
    t.a = 1;
    t.b = 2;
    t.c = 3;
    t = rotate(rotate(t));
    report(t.a);
    report(t.b);
    report(t.c);
    o.v = 41;
    o = bump(o);
    report(o.v);
    for (i = 0; i < 150; i++)
        global_big.words[i] = (u16)(i * 300u + 7);
    global_big.last = 9;
    report(sum_big(global_big));
    report(global_big.words[0]);
    global_big = double_big(global_big);
    report(global_big.words[0]);
    report(global_big.words[149]);
    report(global_big.last);
}

void arrays_of_structs(void)
{
    struct point path[5];
    struct point *p;
    i16 i, length = 0;
    for (i = 0; i < 5; i++) {
        path[i].x = i * i;
        path[i].y = -i;
    }
    for (p = path; p < path + 5; p++)
        length += manhattan(p);
    report(length);
    p = &path[2];
    report(p[1].x);
    report((p - 1)->y);
    report(p - path);
    path[0] = path[4];
    report(path[0].x);
}

i16 list_sum(const struct node *n)
{
    i16 total = 0;
    for (; n; n = n->next)
        total += n->value;
    return total;
}

void linked_list(void)
{
    struct node *head = 0;
    struct node *n;
    i16 i;
    for (i = 0; i < 6; i++) {
        pool[i].value = (i + 1) * 10;
        pool[i].next = head;
        head = &pool[i];
    }
    report(list_sum(head));
    report(head->value);
    report(head->next->next->value);
    /* unlink every other node */
    for (n = head; n && n->next; n = n->next)
        n->next = n->next->next;
    report(list_sum(head));
}

void unions(void)
{
    union word w;
    union view v;
    union number num;
    w.w = 0x1234;
    /* byte order differs between the machines: only order-free sums */
    report(w.b[0] + w.b[1]);
    report(w.b[0] ^ w.b[1]);
    w.b[0] = 0x55;
    w.b[1] = 0x55;
    report(w.w);
    v.words[0] = 0xAAAA;
    v.words[1] = 0x5555;
    report(v.parts.first);
    report(v.parts.second);
    v.parts.second = 7;
    report(v.words[1]);
    num.l = -5L;
    report(num.l);
    num.s = 300;
    report(num.s);
    num.f = 2.5f;
    report_f32(num.f);
}

int main(void)
{
    members();
    by_value();
    arrays_of_structs();
    linked_list();
    unions();
    VY_END();
}
