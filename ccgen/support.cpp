// Small services of the code generator: label names, numbers as text,
// target floating constants, function names, and the diagnostics.
#include <bit>
#include <cstring>

#include "ccgen/ccgen.h"
#include "ccparse/toolkit/toolkit.h"
#include "support/number_text.h"

namespace ccgen {

// '>' and the octal digits of the number, least significant first; the
// engine prints '>' as 'L'.
std::string label_text(std::uint32_t number) {
    std::string s = ">";
    while (number) {
        s += static_cast<char>('0' + (number & 7));
        number >>= 3;
    }
    return s;
}

int stotext16(char* buffer, std::int16_t value, int base) { return vy::stotext(buffer, value, base); }

std::string short_text(std::int16_t value, int base) {
    char buf[20];
    return std::string(buf, static_cast<std::size_t>(vy::stotext(buf, value, base)));
}

std::string long_text(std::int32_t value, int base) {
    char buf[36];
    return std::string(buf, static_cast<std::size_t>(vy::ltotext(buf, value, base)));
}

std::uint16_t be16(std::uint8_t high, std::uint8_t low) { return static_cast<std::uint16_t>(high << 8 | low); }

namespace {

// The host double's bytes, most significant first.
void host_msb_first(const std::uint8_t host[8], std::uint8_t out[8]) {
    const std::uint16_t probe = 0x00FF;
    std::uint8_t first;
    std::memcpy(&first, &probe, 1);
    bool little = first == 0xFF;
    for (int i = 0; i < 8; ++i) out[i] = host[little ? 7 - i : i];
}

}  // namespace

// Exponent and normalised mantissa: the sign alone in byte 0, the mantissa
// with its leading 1 as the top bit of byte 1; returns the exponent field
// minus 1022, or 0 (all bytes 0) for a value whose first two bytes are 0.
int split_double(const std::uint8_t host[8], std::uint8_t m[8]) {
    host_msb_first(host, m);
    if (m[0] == 0 && m[1] == 0) {
        std::memset(m, 0, 8);
        return 0;
    }
    int exponent = (m[0] & 0x7F) << 4 | m[1] >> 4;
    m[0] &= 0x80;
    m[1] = static_cast<std::uint8_t>((m[1] & 0x0F) | 0x10);
    for (int i = 1; i < 8; ++i)
        m[i] = static_cast<std::uint8_t>(m[i] << 3 | (i < 7 ? m[i + 1] >> 5 : 0));
    return exponent - 1022;
}

// The target's constant, most significant byte first: the double itself
// (wide), or the nearest float (narrow, ties to even, with subnormals,
// infinities and NaN as IEEE 754 gives them).
void target_float(const std::uint8_t host[8], bool wide, std::uint8_t out[8]) {
    std::uint8_t msb[8];
    host_msb_first(host, msb);
    std::memset(out, 0, 8);
    if (wide) {
        std::memcpy(out, msb, 8);
        return;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = bits << 8 | msb[i];
    float f = static_cast<float>(std::bit_cast<double>(bits));
    std::uint32_t w = std::bit_cast<std::uint32_t>(f);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(w >> (24 - 8 * i));
}

// The text behind the first '<' and its class character, or the whole name.
std::string plain_name_of(std::string_view name) {
    std::size_t lt = name.find('<');
    if (lt == std::string_view::npos) return std::string(name);
    std::string_view rest = name.substr(lt + 1);
    if (!rest.empty() && (rest[0] == '@' || rest[0] == '^' || rest[0] == '&')) rest.remove_prefix(1);
    return std::string(rest.substr(0, rest.find('\0')));
}

char name_marker(const Gen& g, std::string_view name) {
    std::size_t lt = name.find('<');
    if (lt == std::string_view::npos || lt + 1 >= name.size()) return 0;
    switch (name[lt + 1]) {
    case '&': return 'w';
    case '@': return 'n';
    case '^': return g.single_precision ? 'n' : 'r';
    default: return 0;
    }
}

// Generated labels are odd, the front end's even, so they never meet.
std::uint32_t new_label_number(Gen& g) {
    g.label_counter += 2;
    return g.label_counter;
}

namespace {

// A diagnostic stays one line: control bytes and DEL as \xNN (a tab too
// in the file and function names, which the line's tab follows).
void append_escaped(std::string& out, std::string_view text, bool keep_tab = true) {
    for (unsigned char c : text) {
        if ((c < 0x20 && !(c == '\t' && keep_tab)) || c == 0x7F) {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
}

}  // namespace

void write_diagnostic(Gen& g, const std::string& text) {
    if (g.out.holding) {
        g.out.held.emplace_back(true, text);
        return;
    }
    if (g.err) {
        std::fwrite(text.data(), 1, text.size(), g.err);
        return;
    }
    vy::toolwrite(text);
}

void generr(Gen& g, std::string_view message, std::string_view argument) {
    std::string line = "#error ";
    line += vy::progname();
    line += ' ';
    append_escaped(line, g.file_name.empty() ? std::string_view(g.input_name) : std::string_view(g.file_name), false);
    line += ':';
    line += std::to_string(g.line);
    line += '\t';
    if (g.in_function && !g.plain_name.empty()) {
        append_escaped(line, g.plain_name, false);
        line += "() ";
    }
    append_escaped(line, message);
    append_escaped(line, argument);
    line += '\n';
    write_diagnostic(g, line);
    g.errors = true;
}

void genpanic(Gen& g, std::string_view text) {
    if (g.frame_retry && g.frame_reached < g.frame_need) throw FrameRetry{};
    generr(g, "PANIC! ", text);
    if (!g.out.failed && g.out.file) {
        // a line of its own, whatever the engine was in the middle of
        g.out.raw = false;
        g.out.kept_separator = false;
        if (g.out.last_byte != '\n') emit_asm(g, ";");
        std::string t(text);
        emit_asm(g, " /PANIC %p;", "\x06" + t + "\x06");
    }
    end_run(g, 1);
}

// Input that the generator cannot go on reading: a diagnostic, status 1.
void genfatal(Gen& g, std::string_view message) {
    generr(g, message);
    end_run(g, 1);
}

}  // namespace ccgen
