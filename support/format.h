// The formatted-output engine and its format language.
//
// A conversion is   % [flag fill] [width] [. precision] [qualifier] letter
//   flag       '-' c: left-justify, pad after the field with c;
//              '+' c: right-justify, pad before with c; none: right, blanks.
//   width      decimal digits, or 'n'/'N' to take it from the next argument.
//   precision  '.' and digits, or '.n'/'.N' as for the width.
//   qualifier  'h' hex, 'o' octal, 'u' unsigned decimal, 'z' binary,
//              'a' raw bytes; none is signed decimal.
//   letter     c (8/16-bit), s (16-bit), i and l (32-bit), p (string),
//              b (pointer and count), f (fixed), d (exponent), x (padding
//              only); any other byte writes itself ("%%" writes '%').
//
// Arguments are read by the conversion letter: p and b take a pointer
// (b then a count), c s i l n take a 32-bit integer, f and d a double.
// A format that asks for more arguments than it is given reads 0, a null
// pointer (an empty string) or 0.0. An argument of another kind is read as
// the letter asks: an integer from a double is the value cut toward zero
// (held to 32 signed bits), a double from an integer is its signed value,
// an integer from a pointer is the address's low 32 bits (but a pointer
// given as the count of b counts no bytes), and a pointer from anything but
// a pointer is null.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

namespace vy {

// One argument of a format: built implicitly from any integer type (kept as
// its low 32 bits), any pointer / const char*, or a floating value.
struct FormatArg {
    enum class Kind : std::uint8_t { none, integer, pointer, real };

    Kind kind = Kind::none;
    union {
        std::uint32_t integer = 0;
        const void* pointer;
        double real;
    };

    constexpr FormatArg() = default;

    template <class T>
        requires std::integral<T>
    constexpr FormatArg(T value) : kind(Kind::integer), integer(static_cast<std::uint32_t>(value)) {}

    template <class T>
        requires std::is_enum_v<T>
    constexpr FormatArg(T value) : FormatArg(static_cast<std::underlying_type_t<T>>(value)) {}

    template <class T>
        requires std::floating_point<T>
    constexpr FormatArg(T value) : kind(Kind::real), real(static_cast<double>(value)) {}

    template <class T>
        requires(!std::is_function_v<T>)
    constexpr FormatArg(const T* value) : kind(Kind::pointer), pointer(value) {}

    constexpr FormatArg(std::nullptr_t) : kind(Kind::pointer), pointer(nullptr) {}
};

template <class T>
concept FormatArgument = std::is_convertible_v<const T&, FormatArg>;

// The arguments of one formatting run, taken one by one.
struct FormatArgList {
    std::span<const FormatArg> args;
    std::size_t next = 0;
};

std::uint32_t takeint(FormatArgList& list);
const void* takepointer(FormatArgList& list);
double takedouble(FormatArgList& list);

// One parsed conversion.
struct FormatSpec {
    bool left = false;        // pad after the field
    char fill = ' ';
    std::int16_t width = 0;
    std::int16_t precision = 0;
    char qualifier = 0;       // 'h', 'o', 'u', 'z', 'a' or 0
    char letter = 0;
};

// Receives every piece of output. The count is never above 32,767; longer
// output arrives in several calls. The result is ignored.
using FormatWriter = std::int16_t (*)(void* context, const char* bytes, std::int16_t count);

void fmtout(FormatWriter writer, void* context, const char* format, std::span<const FormatArg> args);

template <FormatArgument... A>
void fmtout(FormatWriter writer, void* context, const char* format, const A&... args) {
    const std::array<FormatArg, sizeof...(A)> list{FormatArg(args)...};
    fmtout(writer, context, format, std::span<const FormatArg>(list));
}

// Reads one width or precision (digits, or 'n'/'N' for the next argument's
// low 16 bits) at `cursor` and returns the cursor behind it.
const char* fmtwidth(const char* cursor, std::int16_t& value, FormatArgList& args);

// The context of fmtbuf's writer.
struct FormatBuffer {
    char* next;
    std::uint32_t capacity;
    std::uint32_t written;
};

// fmtbuf's writer: stores what still fits, returns `count`.
std::int16_t fmtbufput(void* context, const char* bytes, std::int16_t count);

// Formats into `buffer` and returns the number of bytes stored. No NUL is
// added; output beyond `capacity` is dropped.
std::uint32_t vfmtbuf(char* buffer, std::uint32_t capacity, const char* format,
                      std::span<const FormatArg> args);

template <class... A>
std::uint32_t fmtbuf(char* buffer, std::uint32_t capacity, const char* format, const A&... args) {
    static_assert((FormatArgument<A> && ...),
                  "fmtbuf: every argument must be an integer, a pointer, a string or a floating value");
    const std::array<FormatArg, sizeof...(A)> list{FormatArg(args)...};
    return vfmtbuf(buffer, capacity, format, std::span<const FormatArg>(list));
}

}  // namespace vy
