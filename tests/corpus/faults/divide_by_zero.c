/* Division and remainder by zero in every width: the runtime gives a
 * result and the program runs to its end. */
volatile int zero16;
volatile long zero32;
volatile unsigned char zero8;
volatile double zerod;
volatile float zerof;

int results[8];
long lresults[4];
double dresult;
float fresult;

int main(void)
{
    int a = 1234;
    unsigned int u = 40000u;
    long l = 123456789L;
    unsigned long ul = 4000000000UL;
    unsigned char b = 200;
    results[0] = a / zero16;
    results[1] = a % zero16;
    results[2] = (int)(u / (unsigned int)zero16);
    results[3] = (int)(u % (unsigned int)zero16);
    results[4] = b / zero8;
    results[5] = b % zero8;
    lresults[0] = l / zero32;
    lresults[1] = l % zero32;
    lresults[2] = (long)(ul / (unsigned long)zero32);
    lresults[3] = (long)(ul % (unsigned long)zero32);
    dresult = 1.0 / zerod;
    fresult = -1.0f / zerof;
    return results[0];
}
