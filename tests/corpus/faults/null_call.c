/* Calls through a null function pointer and writes through a null and a
 * wild data pointer. */
void (*handler)(void);
int *nowhere;

int main(void)
{
    int *wild = (int *)0xFFFE;   /* the reset vector */
    *wild = 0x1234;
    *nowhere = 5;
    handler();
    return 1;
}
