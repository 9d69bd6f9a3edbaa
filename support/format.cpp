#include "support/format.h"

#include "support/double_text.h"
#include "support/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vy {

namespace {

// Room for the longest field: "-d.<57 digits>e-308" is 65 bytes.
constexpr int kFieldSize = 72;
constexpr std::size_t kLongestPiece = 32767;  // a writer's count is 16-bit signed
constexpr std::int16_t kFixedPrecisionMax = 61;
constexpr std::int16_t kExponentPrecisionMax = 57;

void write_all(FormatWriter writer, void* context, const char* bytes, std::size_t count) {
    while (count > 0) {
        const std::size_t piece = std::min(count, kLongestPiece);
        writer(context, bytes, static_cast<std::int16_t>(piece));
        bytes += piece;
        count -= piece;
    }
}

bool is_qualifier(char c) {
    return c == 'h' || c == 'o' || c == 'u' || c == 'z' || c == 'a';
}

bool is_conversion(char c) {
    return c != 0 && std::strchr("csilpbfdx", c) != nullptr;
}

int base_of(char qualifier) {
    switch (qualifier) {
        case 'h': return 16;
        case 'o': return 8;
        case 'u': return 10;
        case 'z': return 2;
        default: return 0;  // signed decimal
    }
}

// Parses what follows a '%' up to the letter and returns the cursor at the
// letter, or null when the format ends inside the flag.
const char* parse_spec(const char* p, FormatSpec& spec, FormatArgList& args) {
    if (*p == '-' || *p == '+') {
        if (p[1] == 0) return nullptr;
        spec.left = *p == '-';
        spec.fill = p[1];
        p += 2;
    }
    p = fmtwidth(p, spec.width, args);
    if (*p == '.') p = fmtwidth(p + 1, spec.precision, args);
    if (is_qualifier(*p)) spec.qualifier = *p++;
    spec.letter = *p;
    return p;
}

// A run of at most `limit` bytes ending before the first NUL.
std::size_t bounded_length(const char* text, std::size_t limit) {
    const void* nul = std::memchr(text, 0, limit);
    return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : limit;
}

struct Field {
    const char* bytes;
    std::size_t length;
};

Field produce(const FormatSpec& spec, FormatArgList& args, char* buffer) {
    const int base = base_of(spec.qualifier);
    const bool raw = spec.qualifier == 'a';
    switch (spec.letter) {
        case 'c': {
            const std::uint32_t v = takeint(args) & 0xffff;
            if (raw) {
                buffer[0] = static_cast<char>(v);
                return {buffer, 1};
            }
            if (base != 0) return {buffer, static_cast<std::size_t>(ultotext(buffer, v & 0xff, base))};
            return {buffer, static_cast<std::size_t>(stotext(buffer, static_cast<std::int16_t>(v), -10))};
        }
        case 's': {
            const std::uint32_t v = takeint(args) & 0xffff;
            if (raw) {
                buffer[0] = static_cast<char>(v >> 8);
                buffer[1] = static_cast<char>(v);
                return {buffer, 2};
            }
            if (base != 0) return {buffer, static_cast<std::size_t>(ultotext(buffer, v, base))};
            return {buffer, static_cast<std::size_t>(stotext(buffer, static_cast<std::int16_t>(v), -10))};
        }
        case 'i':
        case 'l': {
            const std::uint32_t v = takeint(args);
            if (raw) {
                for (int i = 0; i < 4; ++i) buffer[i] = static_cast<char>(v >> (24 - 8 * i));
                return {buffer, 4};
            }
            return {buffer, static_cast<std::size_t>(ultotext(buffer, v, base != 0 ? base : -10))};
        }
        case 'p': {
            // A precision other than 0 is a maximum length; one below 0 leaves nothing.
            const char* text = static_cast<const char*>(takepointer(args));
            if (!text || spec.precision < 0) return {buffer, 0};
            if (spec.precision > 0) return {text, bounded_length(text, static_cast<std::size_t>(spec.precision))};
            return {text, std::strlen(text)};
        }
        case 'b': {
            const char* bytes = static_cast<const char*>(takepointer(args));
            // An address given where the count goes would send the copy far
            // past the bytes: it counts as none.
            const bool address = args.next < args.args.size() && args.args[args.next].kind == FormatArg::Kind::pointer;
            std::size_t count = takeint(args) & 0xffff;
            if (address) count = 0;
            if (!bytes || spec.precision < 0) return {buffer, 0};
            if (spec.precision > 0) count = std::min(count, static_cast<std::size_t>(spec.precision));
            return {bytes, count};
        }
        case 'f': {
            const double x = takedouble(args);
            const std::int16_t precision = std::clamp<std::int16_t>(spec.precision, 0, kFixedPrecisionMax);
            return {buffer, static_cast<std::size_t>(dtofixed(buffer, x, 62 - precision, precision))};
        }
        case 'd': {
            const double x = takedouble(args);
            const std::int16_t precision = std::clamp<std::int16_t>(spec.precision, 0, kExponentPrecisionMax);
            return {buffer, static_cast<std::size_t>(dtoexp(buffer, x, 1, precision))};
        }
        case 'x':
            return {buffer, 0};
        default:
            buffer[0] = spec.letter;
            return {buffer, 1};
    }
}

}  // namespace

std::uint32_t takeint(FormatArgList& list) {
    if (list.next >= list.args.size()) return 0;
    const FormatArg& arg = list.args[list.next++];
    switch (arg.kind) {
        case FormatArg::Kind::integer:
            return arg.integer;
        case FormatArg::Kind::pointer:
            return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(arg.pointer));
        case FormatArg::Kind::real: {
            const double x = arg.real;
            if (std::isnan(x)) return 0;
            if (x >= 2147483647.0) return 0x7fffffffu;
            if (x <= -2147483648.0) return 0x80000000u;
            return static_cast<std::uint32_t>(static_cast<std::int32_t>(x));
        }
        case FormatArg::Kind::none:
            break;
    }
    return 0;
}

const void* takepointer(FormatArgList& list) {
    if (list.next >= list.args.size()) return nullptr;
    const FormatArg& arg = list.args[list.next++];
    return arg.kind == FormatArg::Kind::pointer ? arg.pointer : nullptr;
}

double takedouble(FormatArgList& list) {
    if (list.next >= list.args.size()) return 0.0;
    const FormatArg& arg = list.args[list.next++];
    switch (arg.kind) {
        case FormatArg::Kind::real: return arg.real;
        case FormatArg::Kind::integer: return static_cast<std::int32_t>(arg.integer);
        default: return 0.0;
    }
}

const char* fmtwidth(const char* cursor, std::int16_t& value, FormatArgList& args) {
    if (*cursor == 'n' || *cursor == 'N') {
        value = static_cast<std::int16_t>(takeint(args));
        return cursor + 1;
    }
    value = 0;
    for (; *cursor >= '0' && *cursor <= '9'; ++cursor) {
        value = static_cast<std::int16_t>(value * 10 + (*cursor - '0'));
    }
    return cursor;
}

void fmtout(FormatWriter writer, void* context, const char* format, std::span<const FormatArg> args) {
    if (!format) return;
    FormatArgList list{args, 0};
    const char* p = format;
    for (;;) {
        const char* run = p;
        while (*p != 0 && *p != '%') ++p;
        if (p > run) write_all(writer, context, run, static_cast<std::size_t>(p - run));
        if (*p == 0) return;

        FormatSpec spec;
        const char* letter = parse_spec(p + 1, spec, list);
        if (!letter) return;
        bool consumed = true;
        if (spec.qualifier != 0 && !is_conversion(spec.letter)) {
            // The qualifier ends the conversion as a 32-bit one; the byte
            // after it starts the next run.
            spec.letter = 'l';
            consumed = false;
        } else if (spec.letter == 0) {
            return;  // the format ends inside the conversion
        }

        char buffer[kFieldSize];
        const Field field = produce(spec, list, buffer);
        const std::int64_t padding = std::max<std::int64_t>(0, spec.width - static_cast<std::int64_t>(field.length));
        if (!spec.left) {
            for (std::int64_t i = 0; i < padding; ++i) writer(context, &spec.fill, 1);
        }
        write_all(writer, context, field.bytes, field.length);
        if (spec.left) {
            for (std::int64_t i = 0; i < padding; ++i) writer(context, &spec.fill, 1);
        }
        p = consumed ? letter + 1 : letter;
    }
}

std::int16_t fmtbufput(void* context, const char* bytes, std::int16_t count) {
    auto* buffer = static_cast<FormatBuffer*>(context);
    if (count > 0 && buffer->written < buffer->capacity) {
        const std::uint32_t n = std::min<std::uint32_t>(static_cast<std::uint32_t>(count),
                                                        buffer->capacity - buffer->written);
        std::memcpy(buffer->next, bytes, n);
        buffer->next += n;
        buffer->written += n;
    }
    return count;
}

std::uint32_t vfmtbuf(char* buffer, std::uint32_t capacity, const char* format,
                      std::span<const FormatArg> args) {
    FormatBuffer context{buffer, capacity, 0};
    fmtout(fmtbufput, &context, format, args);
    return context.written;
}

}  // namespace vy
