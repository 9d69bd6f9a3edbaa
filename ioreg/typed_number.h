// The numbers a user types: the selection dialog's "Offset" field and the
// edit box of a register or field value.
#pragma once
#include <cstdint>
#include <string_view>

namespace vy {

// "0x" and hexadecimal digits is hexadecimal (only a lower-case x), "0"
// and a digit octal, anything else decimal with an optional sign; the
// conversion stops at the first character that is not a digit of the base
// and wraps in 32 bits. Leading blanks are skipped. False (and 0) when the
// text holds no number.
bool ReadTypedNumber(std::string_view text, uint32_t& value);

// The "Offset" field: its number, or 0 when it holds none.
int32_t OffsetValue(std::string_view text);

}  // namespace vy
