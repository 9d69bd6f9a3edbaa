/* A small calculator: a tokenizer, a recursive-descent parser with a table
   of operators, a stack machine and a memory of named variables. */

#asm
    xref _putchar
#endasm

typedef enum { T_END, T_NUM, T_NAME, T_OP, T_LPAR, T_RPAR, T_BAD } kind_t;

typedef struct token {
    kind_t kind;
    long value;
    char text[8];
} token_t;

typedef long (*binop_t)(long, long);

struct op {
    char symbol;
    unsigned char precedence : 4;
    unsigned char right : 1;
    binop_t apply;
};

struct variable {
    char name[8];
    union {
        long number;
        struct { int hi, lo; } halves;
    } u;
    struct variable *next;
};

static const char *input;
static token_t current;
static struct variable *variables;
static long stack[16];
static int depth;
int failures;

extern int putchar(int c);

static long add(long a, long b) { return a + b; }
static long sub(long a, long b) { return a - b; }
static long mul(long a, long b) { return a * b; }
static long quo(long a, long b) { return b ? a / b : 0; }
static long rem(long a, long b) { return b ? a % b : 0; }

static long raise(long a, long b)
{
    long r = 1;

    while (b-- > 0)
        r *= a;
    return r;
}

static struct op ops[] = {
    { '+', 1, 0, add },
    { '-', 1, 0, sub },
    { '*', 2, 0, mul },
    { '/', 2, 0, quo },
    { '%', 2, 0, rem },
    { '^', 3, 1, raise },
};

static struct op *find_op(char c)
{
    struct op *o;

    for (o = ops; o < ops + sizeof ops / sizeof ops[0]; o++)
        if (o->symbol == c)
            return o;
    return 0;
}

static int is_digit(int c) { return c >= '0' && c <= '9'; }
static int is_alpha(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

static void next(void)
{
    int n;

    while (*input == ' ')
        input++;
    if (!*input) {
        current.kind = T_END;
        return;
    }
    if (is_digit(*input)) {
        current.kind = T_NUM;
        current.value = 0;
        do
            current.value = current.value * 10 + (*input++ - '0');
        while (is_digit(*input));
        return;
    }
    if (is_alpha(*input)) {
        current.kind = T_NAME;
        for (n = 0; is_alpha(*input) || is_digit(*input); input++)
            if (n < 7)
                current.text[n++] = *input;
        current.text[n] = 0;
        return;
    }
    switch (*input) {
    case '(': current.kind = T_LPAR; break;
    case ')': current.kind = T_RPAR; break;
    case '+': case '-': case '*': case '/': case '%': case '^':
        current.kind = T_OP;
        current.text[0] = *input;
        break;
    default:
        current.kind = T_BAD;
        break;
    }
    input++;
}

static int same(const char *a, const char *b)
{
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
}

static struct variable *lookup(const char *name)
{
    struct variable *v;

    for (v = variables; v; v = v->next)
        if (same(v->name, name))
            return v;
    return 0;
}

static void push(long x)
{
    if (depth < 16)
        stack[depth++] = x;
    else
        failures++;
}

static long pop(void)
{
    return depth > 0 ? stack[--depth] : 0;
}

static void expression(int min);

static void primary(void)
{
    struct variable *v;

    switch (current.kind) {
    case T_NUM:
        push(current.value);
        next();
        break;
    case T_NAME:
        v = lookup(current.text);
        push(v ? v->u.number : 0);
        next();
        break;
    case T_LPAR:
        next();
        expression(0);
        if (current.kind != T_RPAR)
            failures++;
        next();
        break;
    default:
        failures++;
        next();
    }
}

static void expression(int min)
{
    struct op *o;
    long right, left;

    primary();
    for (;;) {
        if (current.kind != T_OP)
            return;
        o = find_op(current.text[0]);
        if (!o || o->precedence < min)
            return;
        next();
        expression(o->right ? o->precedence : o->precedence + 1);
        right = pop();
        left = pop();
        push((*o->apply)(left, right));
    }
}

long evaluate(const char *text)
{
    depth = 0;
    input = text;
    next();
    expression(0);
    if (current.kind != T_END)
        failures++;
    return pop();
}

void print(long x)
{
    char digits[12];
    int n = 0;
    int negative = x < 0;

    if (negative)
        x = -x;
    do {
        digits[n++] = (char)('0' + x % 10);
        x /= 10;
    } while (x && n < 11);
    if (negative)
        putchar('-');
    while (n > 0)
        putchar(digits[--n]);
    putchar('\n');
}

int run(void)
{
    static const char *tests[] = { "1+2*3", "(1+2)*3", "2^3^2", "10%4-7", "x*2" };
    int i;
    long results[5];
    struct variable x = { "x", { 21 }, 0 };

    variables = &x;
    for (i = 0; i < 5; i++) {
        results[i] = evaluate(tests[i]);
        print(results[i]);
    }
    {
        int bad;
        extern int failures;

        bad = failures;
        if (bad) {
            long code;

            code = -(long)bad;
            print(code);
        }
    }
    return failures;
}
