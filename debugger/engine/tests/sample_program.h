// A small C program with its debug information, loaded into the target for
// the evaluator's tests; its variables live in target memory with the
// values below.
//
//   struct point { int x; int y; };  enum color { red, green, blue };
//   typedef struct point point_t;
//   int arr[4] = {1, 2, 3, 4};            0x0300
//   int *p = &arr[3], *q = &arr[0];        0x0310, 0x0312 (p - q is 3)
//   struct point s = {5, -1};              0x0320
//   struct point *ps = &s;                 0x0330
//   struct point pts[2];                   0x0338  {{1, 2}, {3, 4}}
//   static char buf[8] = "hello";          0x0340
//   char *str = buf;                       0x0350
//   char *nil = 0;                         0x0352
//   char *longstr;                         0x0354 -> 0x0400, 100 letters
//   static enum color c = green;           0x0360
//   unsigned char uc = 200;                0x0362
//   signed char sc = -1;                   0x0363
//   float f = 1.5;                         0x0364
//   double d = -2.25;                      0x0368
//   char bits : 3 (shift 4);               0x0370  byte 0xF0 -> 7
//   int main(void) { register int r; static int calls; }   calls at 0x0380 = 12
//   f.c; main starts at 0x8000
//   g.c: char *helper(int n);
#pragma once

namespace vy {

// Builds and loads the program, then writes the values.
void loadsample();

}  // namespace vy
