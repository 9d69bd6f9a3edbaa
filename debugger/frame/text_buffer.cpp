#include "debugger/frame/text_buffer.h"

#include <cstdlib>
#include <cstring>

#include "debugger/target/services.h"
#include "support/format.h"

namespace vy {

static void* heaprealloc(void* block, std::size_t size) { return std::realloc(block, size); }
void* (*textbufrealloc)(void* block, std::size_t size) = heaprealloc;

static void setfields(TextBuf& buf, char* handle, char* base, uint32_t capacity, uint32_t used) {
    buf.handle = handle;
    buf.base = base;
    buf.capacity = capacity;
    buf.used = used;
    buf.write = base ? base + used : nullptr;
    buf.free = base ? capacity - 1 - used : 0;
}

TextBuf::~TextBuf() { TextBufFree(*this); }

void TextBufFree(TextBuf& buf) {
    std::free(buf.handle);
    setfields(buf, nullptr, nullptr, 0, 0);
}

bool TextBufOpen(TextBuf& buf, uint32_t capacity) {
    TextBufFree(buf);
    if (capacity < 1) capacity = 1;
    auto* block = static_cast<char*>(textbufrealloc(nullptr, capacity));
    if (!block) return false;
    std::memset(block, 0, capacity);
    setfields(buf, block, block, capacity, 0);
    return true;
}

// Room for `count` more bytes: the capacity doubled as often as needed.
static bool grow(TextBuf& buf, uint32_t count) {
    uint64_t capacity = buf.capacity ? buf.capacity : 1;
    while (capacity - 1 - buf.used < count) capacity *= 2;
    void* block = capacity <= UINT32_MAX ? textbufrealloc(buf.handle, static_cast<std::size_t>(capacity)) : nullptr;
    if (!block) {
        dberror({"Out of memory for Window Display"});
        buf.base = nullptr;   // the text so far stays in the old block
        buf.write = nullptr;
        return false;
    }
    auto* bytes = static_cast<char*>(block);
    std::memset(bytes + buf.capacity, 0, static_cast<std::size_t>(capacity - buf.capacity));
    setfields(buf, bytes, bytes, static_cast<uint32_t>(capacity), buf.used);
    return true;
}

void TextBufAppend(TextBuf& buf, uint32_t count, const char* bytes) {
    if (!buf.base || count == 0) return;
    if (buf.free < count && !grow(buf, count)) return;
    std::memcpy(buf.write, bytes, count);
    buf.write += count;
    buf.used += count;
    buf.free -= count;
}

void TextBufCat(TextBuf& buf, std::initializer_list<std::string_view> texts) {
    for (std::string_view t : texts) TextBufAppend(buf, static_cast<uint32_t>(t.size()), t.data());
    if (buf.base) *buf.write = '\0';
}

void TextBufFixed(TextBuf& buf, double value) {
    std::string text = fixedtext(value);
    TextBufAppend(buf, static_cast<uint32_t>(text.size()), text.data());
}

std::string fixedtext(double value) {
    char formatted[64];
    std::string text(formatted, fmtbuf(formatted, sizeof formatted, "%.10d", value));
    std::size_t point = text.find('.');
    std::size_t e = text.find_first_of("eE");
    if (point == std::string::npos || e == std::string::npos || e + 2 >= text.size()) return text;   // inf, nan
    bool negative = text[0] == '-';
    // The mantissa cut after its ninth fraction digit, trailing zeros
    // dropped down to one fraction digit.
    std::string mantissa = text.substr(0, std::min(e, point + 10));
    while (mantissa.size() > point + 2 && mantissa.back() == '0') mantissa.pop_back();
    char sign = text[e + 1];
    std::string digits = text.substr(e + 2);
    if (digits.size() > 1 && digits[0] == '0') digits.erase(0, 1);
    int exponent = std::atoi(digits.c_str());

    std::string intpart = mantissa.substr(negative ? 1 : 0, point - (negative ? 1 : 0));
    std::string fraction = mantissa.substr(point + 1);
    if (sign == '-' && exponent <= 4) {
        if (fraction == "0") fraction.clear();
        return std::string(negative ? "-0." : "0.") + std::string(static_cast<std::size_t>(exponent > 0 ? exponent - 1 : 0), '0') +
               intpart + fraction;
    }
    if (sign == '+' && exponent <= 6) {
        std::string all = intpart + fraction;
        std::size_t at = intpart.size() + static_cast<std::size_t>(exponent);
        if (all.size() <= at) all.append(at - all.size() + 1, '0');
        std::string whole = all.substr(0, at), rest = all.substr(at);
        while (rest.size() > 1 && rest.back() == '0') rest.pop_back();
        return std::string(negative ? "-" : "") + whole + "." + rest;
    }
    return mantissa + text[e] + sign + digits;
}

}  // namespace vy
