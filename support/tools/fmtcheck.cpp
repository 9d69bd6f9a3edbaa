// fmtcheck: prints what fmtbuf writes for a format and typed arguments.
//
//   fmtcheck FORMAT [i:N | d:X | s:TEXT]...
//
// i:N is a 32-bit integer (decimal or 0x hex, may be negative), d:X a
// double ("inf", "-inf" and "nan" too), s:TEXT a string. The output is
// followed by a newline; a bad argument gives status 2.
#include "support/double_text.h"
#include "support/format.h"
#include "support/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int usage(const char* problem) {
    if (problem) std::fprintf(stderr, "fmtcheck: %s\n", problem);
    std::fputs("usage: fmtcheck FORMAT [i:N | d:X | s:TEXT]...\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage(nullptr);
    std::vector<vy::FormatArg> args;
    for (int i = 2; i < argc; ++i) {
        const char* arg = argv[i];
        const std::int32_t length = static_cast<std::int32_t>(std::strlen(arg));
        if (length < 2 || arg[1] != ':') return usage(arg);
        const char* value = arg + 2;
        const std::int32_t count = length - 2;
        switch (arg[0]) {
            case 'i': {
                // Decimal, or hexadecimal after "0x"; a sign may come first.
                const char* digits = value + (*value == '-' || *value == '+');
                const bool hex = digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
                std::int32_t n = 0;
                if (count == 0 || vy::scanlong(value, count, n, hex ? 16 : 10) != count) return usage(arg);
                args.emplace_back(n);
                break;
            }
            case 'd': {
                double x = 0;
                if (std::strcmp(value, "inf") == 0 || std::strcmp(value, "-inf") == 0) {
                    x = *value == '-' ? -HUGE_VAL : HUGE_VAL;
                } else if (std::strcmp(value, "nan") == 0) {
                    x = std::nan("");
                } else if (count == 0 || vy::scandouble(value, count, x) != count) {
                    return usage(arg);
                }
                args.emplace_back(x);
                break;
            }
            case 's':
                args.emplace_back(value);
                break;
            default:
                return usage(arg);
        }
    }
    std::vector<char> out(1u << 20);
    const std::uint32_t n = vy::vfmtbuf(out.data(), static_cast<std::uint32_t>(out.size()), argv[1], args);
    std::fwrite(out.data(), 1, n, stdout);
    std::fputc('\n', stdout);
    return 0;
}
