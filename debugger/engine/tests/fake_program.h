// A small C program as its debug tables would describe it, for the
// evaluator's tests: its variables live in target memory with the values
// below, and ProgramNames answers for them.
//
//   int arr[4] = {1, 2, 3, 4};            0x0300
//   int *p = &arr[3], *q = &arr[0];        0x0310, 0x0312 (p - q is 3)
//   struct point { int x; int y; } s;      0x0320  {5, -1}
//   struct point *ps = &s;                 0x0330
//   struct point pts[2];                   0x0338  {{1, 2}, {3, 4}}
//   char buf[8] = "hello";                 0x0340
//   char *str = buf;                       0x0350
//   char *nil = 0;                         0x0352
//   char *longstr;                         0x0354 -> 0x0400, 100 letters
//   enum color { red, green, blue } c;     0x0360  green
//   unsigned char uc = 200;                0x0362
//   signed char sc = -1;                   0x0363
//   float f = 1.5;                         0x0364
//   double d = -2.25;                      0x0368
//   int bits : 3 (shift 4);                0x0370  byte 0xF0 -> 7
//   register int r;                        class 4, register
//   int main();                            0x8000
//   typedef struct point point_t;
#pragma once
#include <map>
#include <string>
#include <vector>

#include "debugger/engine/names.h"

namespace vy {

class FakeProgram : public ProgramNames {
public:
    FakeProgram();
    // Writes the variables' values into target memory.
    void store();

    bool function(const char* name, uint16_t& start, uint32_t& type) override;
    const char* functionat(uint32_t address) override;
    int variable(const char* file, const char* function, const char* name, bool evaluate, VarRef& var) override;
    bool typedefname(const char* name, uint32_t& type, const TypeDesc*& detail) override;
    bool tag(uint8_t kind, const char* name, uint32_t& type, const TypeDesc*& detail) override;

    MemberTable point, color;
    TypeDesc pointdetail, colordetail, arraydetail, pointsdetail, pointerdetail, structpointerdetail, bufdetail,
        bitdetail;
    std::map<std::string, VarRef> vars;
    int lookups = 0;
};

}  // namespace vy
