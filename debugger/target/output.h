// Formatted output of the target model in the system's format language, on
// the current output or forced to the command window.
#pragma once
#include <array>
#include <string>
#include <string_view>

#include "debugger/target/services.h"
#include "support/format.h"

namespace vy {

int16_t writeoutput(void* context, const char* bytes, int16_t count);
int16_t writecommand(void* context, const char* bytes, int16_t count);

template <class... A>
void outprintf(const char* format, const A&... args) {
    std::array<FormatArg, sizeof...(A)> list{FormatArg(args)...};
    fmtout(writeoutput, nullptr, format, std::span<const FormatArg>(list.data(), list.size()));
}

template <class... A>
void cmdprintf(const char* format, const A&... args) {
    std::array<FormatArg, sizeof...(A)> list{FormatArg(args)...};
    fmtout(writecommand, nullptr, format, std::span<const FormatArg>(list.data(), list.size()));
}

// Text taken from a file, fit for a one-line message: bytes below 0x20
// other than TAB, 0x7F and bytes above it are written as \xNN.
std::string printable(std::string_view text);

// "0x" and lower-case hexadecimal digits, blank-padded to 7 characters.
std::string hexaddr(uint32_t value);

// A floating value in the debugger's short form: ten significant digits,
// fixed for exponents from -4 to 6, else "d.ddde+x"; trailing zeros
// dropped; "inf", "-inf" and "nan" as they are.
std::string shortfloat(double value);

}  // namespace vy
