// Operations on a range of target memory that the memory commands and the
// memory windows share: the number bases of memory displays, the dump
// command's lines and the fill with its verify.
#pragma once
#include <cstdint>

namespace vy {

// The number bases of memory windows and dumps.
enum DisplayBase : int { BASE_BINARY = 1, BASE_OCTAL = 2, BASE_DECIMAL = 3, BASE_HEX = 4 };

// The format of an item in a base (its digit count is the width argument),
// the digits of a 1-, 2- or 4-byte item, and its cell (digits and a blank).
const char* baseformat(int base);
int basedigits(int base, int size);
inline int cellwidth(int base, int size) { return basedigits(base, size) + 1; }

// Prints the dump command's lines on the current output: one line of 16
// bytes while the line's address is at most `to`: the address, the items
// of the size in the base, each followed by a blank, with `ascii` the bytes
// as characters, and a line end.
void dumpline(uint32_t from, uint32_t to, int size, int base, bool ascii);

// Writes the value (with `random`, numbers from 0 to 32767) as items of the
// size from `from` while the address is at most `to`; with `verify` each is
// read back, and a difference is reported (" NO Verify at: " and the
// address) and ends the fill. False after such a report.
bool fillmem(uint32_t from, uint32_t to, int size, bool verify, uint32_t value, bool random);

}  // namespace vy
