/* A small cooperative kernel for the 68HC11: tasks, timers, a serial ring
   buffer, interrupt handlers and the registers at their fixed addresses. */

#define NTASKS 4
#define RING 16
#define BIT(n) (1 << (n))

volatile unsigned char PORTA @ 0x1000;
volatile unsigned char PORTB @ 0x1004;
volatile unsigned char SCSR @ 0x102E;
volatile unsigned char SCDR @ 0x102F;
volatile unsigned int TCNT @ 0x100E;
unsigned char zp_flags @ 0x20;

typedef unsigned char byte;
typedef unsigned int word;
typedef void (*entry_t)(void);

enum state { IDLE, READY, RUNNING, WAITING, DEAD };

struct task {
    entry_t entry;
    enum state state;
    word wake;
    byte priority;
    struct {
        unsigned ready : 1;
        unsigned timed : 1;
        unsigned level : 3;
        unsigned spare : 3;
    } flags;
    struct task *next;
};

union value {
    long l;
    word w[2];
    byte b[4];
};

struct ring {
    byte data[RING];
    byte head, tail;
    byte count;
};

static struct task tasks[NTASKS];
static struct task *current;
static struct ring rx, tx;
static word ticks;
int errors;
const char banner[] = "kernel 1.0";
const word masks[] = { BIT(0), BIT(1), BIT(2), BIT(3) };

static void idle(void);
static int ring_put(struct ring *r, byte c);
static int ring_get(struct ring *r);

/* The serial interrupt: a received byte into rx, the next of tx out. */
@interrupt void sci_handler(void)
{
    byte status;
    int c;

    status = SCSR;
    if (status & 0x20) {
        if (ring_put(&rx, SCDR) < 0)
            errors++;
    }
    if (status & 0x80) {
        c = ring_get(&tx);
        if (c >= 0)
            SCDR = c;
    }
}

/* The timer interrupt wakes tasks whose time has come. */
@interrupt void timer_handler(void)
{
    register struct task *t;
    int i;

    ++ticks;
    for (i = 0; i < NTASKS; i++) {
        t = &tasks[i];
        if (t->state != WAITING || !t->flags.timed)
            continue;
        if (t->wake == ticks) {
            t->state = READY;
            t->flags.ready = 1;
        }
    }
}

static int ring_put(struct ring *r, byte c)
{
    if (r->count == RING)
        return -1;
    r->data[r->head] = c;
    r->head = (r->head + 1) & (RING - 1);
    r->count++;
    return c;
}

static int ring_get(struct ring *r)
{
    int c;

    if (r->count == 0)
        return -1;
    c = r->data[r->tail];
    r->tail = (r->tail + 1) & (RING - 1);
    --r->count;
    return c;
}

/* A stackless helper: its frame lies in a static block. */
@nostack byte checksum(byte *p, byte n)
{
    byte sum;

    sum = 0;
    while (n--)
        sum += *p++;
    return sum;
}

@nostack void copy(byte *to, byte *from, byte n)
{
    do {
        if (!n)
            break;
        *to++ = *from++;
    } while (--n);
}

void task_create(entry_t entry, byte priority)
{
    static byte next_slot;
    struct task *t;

    if (next_slot >= NTASKS) {
        errors++;
        return;
    }
    t = &tasks[next_slot++];
    t->entry = entry;
    t->priority = priority;
    t->state = READY;
    t->flags.ready = 1;
    t->flags.timed = 0;
    t->flags.level = priority & 7;
    t->next = 0;
}

void task_sleep(word delay)
{
    current->wake = ticks + delay;
    current->state = WAITING;
    current->flags.timed = 1;
    current->flags.ready = 0;
}

/* The task to run next: the ready one of highest priority. */
static struct task *pick(void)
{
    struct task *best, *t;
    int i;

    best = 0;
    for (i = 0; i < NTASKS; i++) {
        t = tasks + i;
        switch (t->state) {
        case READY:
            if (!best || t->priority > best->priority)
                best = t;
            break;
        case DEAD:
        case IDLE:
            continue;
        default:
            break;
        }
    }
    return best;
}

void schedule(void)
{
    struct task *t;

    for (;;) {
        t = pick();
        if (!t) {
            idle();
            continue;
        }
        current = t;
        t->state = RUNNING;
        (*t->entry)();
        if (t->state == RUNNING)
            t->state = READY;
    }
}

static void idle(void)
{
#asm
    wai
#endasm
}

void blink(void)
{
    static byte on;

    on = !on;
    if (on)
        PORTB |= 0x01;
    else
        PORTB &= ~0x01;
    task_sleep(50);
}

void echo(void)
{
    int c;

    while ((c = ring_get(&rx)) >= 0) {
        if (c == '\r') {
            ring_put(&tx, '\r');
            c = '\n';
        }
        ring_put(&tx, (byte)c);
    }
    task_sleep(1);
}

word uptime(void)
{
    word t;

    _asm("sei\n");
    t = ticks;
    _asm("cli\n");
    return t;
}

long combine(word hi, word lo)
{
    union value v;

    v.w[0] = hi;
    v.w[1] = lo;
    return v.l;
}

int main(void)
{
    int i;

    for (i = 0; i < NTASKS; i++)
        tasks[i].state = IDLE;
    task_create(blink, 1);
    task_create(echo, 2);
    PORTA = checksum((byte *)banner, sizeof banner - 1);
    zp_flags = BIT(7) | BIT(0);
    schedule();
    return 0;
}
