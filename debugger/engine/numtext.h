// Numbers as text for messages and listings. Each converter returns its own
// static buffer, which its next call overwrites: a message that shows two
// numbers uses two converters or copies the first. ("0x" and the hex digits
// padded to seven places is hexaddr of the target model.)
#pragma once
#include <cstdint>

#include "debugger/target/output.h"

namespace vy {

const char* sdecstr(int32_t v);    // signed decimal
const char* udecstr(uint32_t v);   // unsigned decimal
const char* decstr(int32_t v);     // decimal, a negative value as its unsigned 32-bit value
const char* uhexstr(uint32_t v);   // "0x" and lower-case hex digits
const char* hexstr(uint32_t v);    // the same, in a buffer of its own

// Right-justified in `width` places with the fill character; `width` asterisks
// when the digits do not fit. padnum: unsigned decimal, width 0-15 (outside:
// 15); decpad: signed decimal and hexpad: lower-case hex without "0x", width
// 0-31 (outside: 31).
const char* padnum(uint32_t v, int width, char fill);
const char* decpad(int32_t v, int width, char fill);
const char* hexpad(uint32_t v, int width, char fill);

}  // namespace vy
