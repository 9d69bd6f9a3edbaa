// Copying, filling, comparing and searching bytes and NUL-terminated strings.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>

namespace vy {

// Copies the strings one after the other into `destination`, ends the text
// with a NUL and returns a pointer to that NUL, so calls can be chained. A
// null pointer ends the list.
char* joinstr(char* destination, std::initializer_list<const char*> strings);

template <class... S>
    requires(std::convertible_to<S, const char*> && ...)
char* joinstr(char* destination, S... strings) {
    return joinstr(destination, {static_cast<const char*>(strings)...});
}

// Copies n bytes (the areas may overlap) and returns n; n <= 0 copies nothing and gives 0.
std::int32_t bufcopy(void* destination, const void* source, std::int32_t n);
// Sets n bytes to `byte` and returns n; n <= 0 sets nothing and gives 0.
std::int32_t buffill(void* destination, std::int32_t n, std::uint8_t byte);
// True when the first n bytes are equal (n <= 0 gives true).
bool bufequal(const void* a, const void* b, std::int32_t n);
// True when two NUL-terminated strings are equal.
bool textequal(const char* a, const char* b);

// Index of c in the string, or the string's length.
std::int32_t findchar(const char* text, char c);
// Index of the first character of the string that is in `set`, or the string's length.
std::int32_t findany(const char* text, const char* set);

}  // namespace vy
