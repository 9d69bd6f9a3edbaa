/* A function that calls itself without end, with locals in every frame:
 * the stack runs down through the data and the code. */
volatile int depth;

int down(int n)
{
    char local[8];
    local[n & 7] = (char)n;
    depth++;
    return down(n + 1) + local[0];
}

int main(void)
{
    return down(0);
}
