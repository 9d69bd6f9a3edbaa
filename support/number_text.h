// Whole numbers to and from counted text (a pointer and a byte count; no
// terminating NUL is needed or written).
#pragma once

#include <cstdint>

namespace vy {

// Read a number from counted text and return the number of bytes used,
// counting skipped blanks and control bytes, the sign, a "0x"/"0b" prefix
// and one trailing 'l' or 'L'; 0 (and `out` 0) when no number stands there.
// Base 1 picks the base from the text: "0x" or "0X" 16, "0b" 2, another
// leading '0' 8, else 10. Base 16 skips a leading "0x". Digits wrap in the
// width of the result; a '-' negates at the end.
std::int32_t scanshort(const char* text, std::int32_t count, std::int16_t& out, std::int32_t base);
std::int32_t scanlong(const char* text, std::int32_t count, std::int32_t& out, std::int32_t base);
std::int32_t scanulong(const char* text, std::int32_t count, std::uint32_t& out, std::int32_t base);
// As scanulong, with `wide` set when the digits pass 32 bits (before any
// '-'), so that a caller can refuse a number the width cannot hold.
std::int32_t scanulong(const char* text, std::int32_t count, std::uint32_t& out, std::int32_t base, bool& wide);

// Decode one escape sequence. `cursor` is at the backslash on entry and on
// the last byte of the sequence on return (it stays when a NUL follows the
// backslash, and the result is then the backslash). A character found in
// `set` (may be null) gives the complement of its index: -1, -2, ...
std::int32_t scanesc(const char*& cursor, const char* set);

// Write a value in a base and return the length; no NUL is added.
// A base of 0 or below writes signed (a '-' and the magnitude of a negative
// value), base 0 in decimal; a positive base writes the bits unsigned. A
// base whose size is outside 2..36 is taken as 10 (keeping its sign rule).
// The buffer needs room for 33 bytes (17 for stotext).
std::int32_t ultotext(char* buffer, std::uint32_t value, std::int32_t base);
std::int32_t ltotext(char* buffer, std::int32_t value, std::int32_t base);
std::int32_t stotext(char* buffer, std::int16_t value, std::int32_t base);

}  // namespace vy
