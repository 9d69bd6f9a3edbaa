// The growable block of display text that the list-style views (browsers,
// variables, structures, events, reports) fill and then paint line by line.
// Appends double the block as often as needed; a block that cannot grow is
// reported once ("Out of memory for Window Display") and disables the
// buffer: every later append is ignored until the view fills it anew.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vy {

struct TextBuf {
    char* handle = nullptr;   // the block, owned; zero-filled beyond the text
    char* base = nullptr;     // the block's first byte; null: disabled
    char* write = nullptr;    // base + used
    uint32_t capacity = 0;    // block size in bytes
    uint32_t free = 0;        // bytes still free, one kept for the closing NUL
    uint32_t used = 0;        // bytes of text written

    TextBuf() = default;
    TextBuf(const TextBuf&) = delete;
    TextBuf& operator=(const TextBuf&) = delete;
    ~TextBuf();

    // The text; empty while the buffer has no block or is disabled.
    std::string_view text() const { return base ? std::string_view(base, used) : std::string_view(); }
};

// The allocator of every block, with realloc's contract (a null block is
// allocated, a failure returns null and keeps the block); tests replace it
// to make a growth fail.
extern void* (*textbufrealloc)(void* block, std::size_t size);

// The capacity a view's opener sets before its filler runs.
inline constexpr uint32_t TEXTBUFSTART = 1024;

// The filler's start: a fresh zero-filled block of `capacity` bytes (the
// old one freed), empty. False, with the buffer disabled and no block, when
// it cannot be had.
bool TextBufOpen(TextBuf& buf, uint32_t capacity = TEXTBUFSTART);
// Frees the block: no text.
void TextBufFree(TextBuf& buf);

// Appends `count` raw bytes.
void TextBufAppend(TextBuf& buf, uint32_t count, const char* bytes);
// Appends the texts one after the other; the text stays NUL-ended.
void TextBufCat(TextBuf& buf, std::initializer_list<std::string_view> texts);
// Appends a double as the variables window shows it (fixedtext).
void TextBufFixed(TextBuf& buf, double value);

// A double as decimal text: ten significant digits at most, trailing zeros
// dropped; plain for exponents from -4 to +6 ("0.0125", "1500.0"), else the
// mantissa and the exponent ("1.0e+7").
std::string fixedtext(double value);

}  // namespace vy
