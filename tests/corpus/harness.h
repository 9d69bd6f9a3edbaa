/* The harness of the corpus programs: fixed-width types, the target's
 * space keywords, and the report interface.
 *
 * Every corpus program is built twice from the same source:
 *   - on the host (gcc, with VY_HOST defined): report() prints the line of
 *     the call and the value; these lines are the expected results;
 *   - for the 68HC11 (cc11): report() stores the value into vy_results[]
 *     and counts it in vy_count; the runner reads both from the simulated
 *     memory once the program has reached __halt.
 *
 * The types name their width: i16 is int on the target (16 bits) and
 * int16_t on the host. Arithmetic on i8, u8, i16 and u16 promotes to int,
 * which is 16 bits on the target and 32 bits on the host, so a program
 * stores each 16-bit result into a typed variable (or casts it) before it
 * is used further, never lets signed 16-bit arithmetic overflow, never
 * compares a u16 with a signed value, and multiplies u16 values through
 * MUL16U. Floating results are reported as IEEE bits only where the
 * operation is exact or correctly rounded; float intermediates are stored
 * into f32 variables. No pointer value and no pointer size is reported.
 *
 * AT(address) places an object at a fixed address on the target (an
 * ordinary object on the host); PLACED(type, object, address) is a pointer
 * to it made from the address on the target and from the object on the
 * host, so that a program can check that the object lies there.
 *
 * mix() and mix32() fold values into a checksum, COMPARISONS(a, b) packs
 * the six comparisons into one value.
 *
 * vy_f64_words() gives the high and the low word of a double's bits.
 *
 * VY_END() ends main: on the target main's result is the count of
 * reports, which the runner checks in D.
 */
#ifndef VY_HARNESS_H
#define VY_HARNESS_H

/* Results the target can hold; the runner reads this many. */
#define VY_MAX_RESULTS 400

#ifdef VY_HOST

#include <stdint.h>
#include <stdio.h>
#include <string.h>

typedef int8_t i8;
typedef uint8_t u8;
typedef int16_t i16;
typedef uint16_t u16;
typedef int32_t i32;
typedef uint32_t u32;
typedef float f32;
typedef double f64;

/* The target's space keywords mean nothing on the host. */
#define TINY
#define FAR
#define AT(address)
#define PLACED(type, object, address) (&(object))
#define INTERRUPT
#define VY_INTERRUPTS_ON()
/* An interrupt point of the programs in irq/: the host calls the handler
 * that the vector holds where the target is interrupted. */
#define VY_IRQ_POINT(vector) ((vector)())

unsigned vy_count;

void vy_report_at(int line, u32 value)
{
    printf("%d %08lx\n", line, (unsigned long)value);
    ++vy_count;
}

#define report(value) vy_report_at(__LINE__, (u32)(value))

void vy_report_f32_at(int line, f32 value)
{
    u32 bits;
    memcpy(&bits, &value, sizeof bits);
    vy_report_at(line, bits);
}

void vy_f64_words(f64 value, u32 *high, u32 *low)
{
    uint64_t bits;
    memcpy(&bits, &value, sizeof bits);
    *high = (u32)(bits >> 32);
    *low = (u32)bits;
}

void vy_report_f64_at(int line, f64 value)
{
    u32 high, low;
    vy_f64_words(value, &high, &low);
    vy_report_at(line, high);
    vy_report_at(line, low);
}

#define report_f32(value) vy_report_f32_at(__LINE__, (value))
#define report_f64(value) vy_report_f64_at(__LINE__, (value))

int vy_end(void)
{
    printf("count %u\n", vy_count);
    return vy_count > VY_MAX_RESULTS;
}

#else /* the 68HC11 */

typedef signed char i8;
typedef unsigned char u8;
typedef int i16;
typedef unsigned int u16;
typedef long i32;
typedef unsigned long u32;
typedef float f32;
typedef double f64;

#define TINY @tiny
#define FAR @far
#define AT(address) @ address
#define PLACED(type, object, address) ((type *)(address))
#define INTERRUPT @interrupt
#define VY_INTERRUPTS_ON() _asm("\tcli\n")
#define VY_IRQ_POINT(vector) vy_irq_point()

u32 vy_results[VY_MAX_RESULTS];
u16 vy_count;

void vy_report(u32 value)
{
    if (vy_count < VY_MAX_RESULTS)
        vy_results[vy_count] = value;
    ++vy_count;
}

#define report(value) vy_report((u32)(value))

/* The IEEE bits of a value, most significant word first: the target
 * stores floating values and longs most significant byte first. */
union vy_f32_bits {
    f32 value;
    u32 bits;
};

union vy_f64_bits {
    f64 value;
    u32 words[2];
};

void vy_report_f32(f32 value)
{
    union vy_f32_bits u;
    u.value = value;
    vy_report(u.bits);
}

void vy_f64_words(f64 value, u32 *high, u32 *low)
{
    union vy_f64_bits u;
    u.value = value;
    *high = u.words[0];
    *low = u.words[1];
}

void vy_report_f64(f64 value)
{
    u32 high, low;
    vy_f64_words(value, &high, &low);
    vy_report(high);
    vy_report(low);
}

#define report_f32(value) vy_report_f32(value)
#define report_f64(value) vy_report_f64(value)

/* The runner raises the interrupts of a program in irq/ when it reaches
 * this function. */
void vy_irq_point(void)
{
}

int vy_end(void)
{
    return (int)vy_count;
}

#endif

/* Checksums that fold a walk over a table of cases into one value: the
 * accumulator rotates left by one and takes the value in. */
u16 mix(u16 acc, u16 v)
{
    u16 rotated = (u16)((acc << 1) | (acc >> 15));
    return (u16)(rotated ^ v);
}

u32 mix32(u32 acc, u32 v)
{
    u32 rotated = (acc << 1) | (acc >> 31);
    return rotated ^ v;
}

/* The six comparisons of two values of one type, one bit each. */
#define COMPARISONS(a, b) \
    ((u16)(((a) < (b)) | ((a) <= (b)) << 1 | ((a) > (b)) << 2 | ((a) >= (b)) << 3 | ((a) == (b)) << 4 | \
           ((a) != (b)) << 5))

/* u16 times u16, modulo 65536, without the host's signed overflow. */
#define MUL16U(a, b) ((u16)((u16)(a) * 1u * (u16)(b)))

#define VY_END() return vy_end()

#endif
