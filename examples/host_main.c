/* Runs an example on the host, as a check of its expected output: the
 * example's main, compiled under the name example_main, then the text it
 * wrote into `output` and its result, as run_example.sh prints them. */
#include <stdio.h>

extern char output[];
extern unsigned int output_length;
int example_main(void);

int main(void)
{
    int result = example_main();
    fwrite(output, 1, output_length, stdout);
    printf("main returned %d\n", result);
    return 0;
}
