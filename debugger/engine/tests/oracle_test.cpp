// The evaluator and the value printer against outside references: the host
// C++ compiler's 32-bit arithmetic with C's conversions, the host's
// printf("%.10e"), and the bytes of an S-record file made by the GNU
// binutils for the 68HC11. Skipped when a tool is missing.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "debugger/engine/evaluator.h"
#include "debugger/target/loader.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"
#include "engine_fixture.h"

namespace vy {
namespace {

using Oracle = EngineTest;

bool have(const char* tool) {
    std::string command = std::string(tool) + " --version >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

int count(const char* variable, int fallback) {
    if (const char* n = std::getenv(variable)) return std::atoi(n);
    return fallback;
}

// An expression in the evaluator's words and in the host's: leaves and
// casts of 32-bit (and narrower) integer types; the host computes division,
// remainder, shifts and the logical operators in functions that hold C's
// conversions and the evaluator's rules where C has none (a zero divisor,
// INT_MIN / -1, shifts of 32 or more, both operands of && and || evaluated).
struct Expr {
    std::string ours, host;
};

class Generator {
public:
    explicit Generator(uint32_t seed) : random(seed) {}

    Expr leaf() {
        switch (random() % 4) {
        case 0: {
            auto v = static_cast<int32_t>(random());
            if (v < 0) return {"(-" + std::to_string(-static_cast<int64_t>(v)) + ")", "((int32_t)" + std::to_string(v) + "LL)"};
            return {std::to_string(v), "((int32_t)" + std::to_string(v) + ")"};
        }
        case 1: {
            uint32_t u = random();
            return {"(unsigned long)" + std::to_string(u), "((uint32_t)" + std::to_string(u) + "u)"};
        }
        case 2: {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%" PRIx32, static_cast<uint32_t>(random()));
            return {hex, std::string("((int32_t)") + hex + "u)"};
        }
        default: {
            int v = static_cast<int>(random() % 81) - 40;
            if (v < 0) return {"(" + std::to_string(v) + ")", "((int32_t)" + std::to_string(v) + ")"};
            return {std::to_string(v), "((int32_t)" + std::to_string(v) + ")"};
        }
        }
    }

    Expr tree(int depth) {
        if (depth == 0 || random() % 4 == 0) return leaf();
        static const char* const casts[][2] = {
            {"(long)", "(int32_t)"}, {"(unsigned long)", "(uint32_t)"}, {"(short)", "(int16_t)"},
            {"(unsigned short)", "(uint16_t)"}, {"(char)", "(uint8_t)"}, {"(signed char)", "(int8_t)"},
            {"(int)", "(int16_t)"}, {"(unsigned)", "(uint16_t)"},
        };
        static const char* const unary[] = {"-", "~", "!"};
        static const char* const infix[] = {"+", "-", "*", "&", "^", "|", "<", "<=", ">", ">=", "==", "!="};
        static const char* const calls[][2] = {
            {"/", "DIV"}, {"%", "MOD"}, {"<<", "SHL"}, {">>", "SHR"}, {"&&", "AND"}, {"||", "OR"},
        };
        Expr a = tree(depth - 1);
        switch (random() % 8) {
        case 0: {
            const auto& c = casts[random() % std::size(casts)];
            return {std::string(c[0]) + "(" + a.ours + ")", std::string("(") + c[1] + "(" + a.host + "))"};
        }
        case 1: {
            std::string op = unary[random() % std::size(unary)];
            return {op + "(" + a.ours + ")", "(" + op + "(" + a.host + "))"};
        }
        case 2:
        case 3: {
            const auto& c = calls[random() % std::size(calls)];
            Expr b = tree(depth - 1);
            return {"(" + a.ours + ") " + c[0] + " (" + b.ours + ")", std::string(c[1]) + "(" + a.host + ", " + b.host + ")"};
        }
        default: {
            std::string op = infix[random() % std::size(infix)];
            Expr b = tree(depth - 1);
            return {"(" + a.ours + ") " + op + " (" + b.ours + ")", "((" + a.host + ") " + op + " (" + b.host + "))"};
        }
        }
    }

    // Leaves joined by infix operators without parentheses: C's precedence
    // and left-to-right grouping decide in both.
    Expr chain() {
        static const char* const infix[] = {"+", "-", "*", "&", "^", "|", "<", ">", "==", "!=", "<=", ">="};
        Expr e = leaf();
        for (int n = 1 + static_cast<int>(random() % 6); n > 0; --n) {
            std::string op = infix[random() % std::size(infix)];
            Expr b = leaf();
            e = {e.ours + " " + op + " " + b.ours, e.host + " " + op + " " + b.host};
        }
        e.host = "(" + e.host + ")";
        return e;
    }

private:
    std::mt19937 random;
};

const char* hostprelude = R"(#include <cstdint>
#include <cstdio>
#include <type_traits>
static bool zero;
template <class A, class B> auto DIV(A a, B b) {
    using C = decltype(a / b);
    if (b == 0) { zero = true; return C(a); }
    if (std::is_signed_v<C> && C(a) == INT32_MIN && C(b) == -1) return C(a);
    return C(a / b);
}
template <class A, class B> auto MOD(A a, B b) {
    using C = decltype(a % b);
    if (b == 0) { zero = true; return C(a); }
    if (std::is_signed_v<C> && C(a) == INT32_MIN && C(b) == -1) return C(0);
    return C(a % b);
}
template <class A, class B> auto SHL(A a, B b) {
    using T = decltype(+a);
    uint32_t n = uint32_t(b);
    return n >= 32 ? T(0) : T(T(a) << n);
}
template <class A, class B> auto SHR(A a, B b) {
    using T = decltype(+a);
    uint32_t n = uint32_t(b);
    return n >= 32 ? T(T(a) < 0 ? -1 : 0) : T(T(a) >> n);
}
template <class A, class B> int AND(A a, B b) { return bool(a) & bool(b); }
template <class A, class B> int OR(A a, B b) { return bool(a) | bool(b); }
#define E(x) { zero = false; auto v = (x); std::printf("%d %u\n", zero ? 1 : 0, unsigned(uint32_t(v))); }
int main() {
)";

TEST_F(Oracle, IntegerResultsEqualTheHostCompilers) {
    if (!have("c++")) GTEST_SKIP() << "no host compiler";
    Generator g(1234);
    std::vector<Expr> exprs;
    int n = count("VY_ORACLE_EXPRESSIONS", 1200);
    for (int i = 0; i < n; ++i) exprs.push_back(i % 4 == 3 ? g.chain() : g.tree(1 + i % 6));
    {
        std::ofstream host("host.cpp");
        host << hostprelude;
        for (const Expr& e : exprs) host << "E(" << e.host << ")\n";
        host << "}\n";
    }
    ASSERT_EQ(std::system("c++ -std=c++20 -O0 -fwrapv -w host.cpp -o host && ./host >host.out"), 0);
    std::ifstream results("host.out");
    int checked = 0, zerodivides = 0;
    for (const Expr& e : exprs) {
        int zero = 0;
        uint32_t expected = 0;
        ASSERT_TRUE(results >> zero >> expected) << e.host;
        int isfloat = 0;
        int32_t value = 0;
        double real = 0;
        int error = Expression(1, e.ours.c_str(), &isfloat, &value, &real);
        if (zero) {
            EXPECT_EQ(error, MSG_ZERODIVIDE) << e.ours;
            ++zerodivides;
            continue;
        }
        EXPECT_EQ(error, 0) << e.ours;
        EXPECT_EQ(isfloat, 0) << e.ours;
        EXPECT_EQ(static_cast<uint32_t>(value), expected) << e.ours << "\n   host: " << e.host;
        ++checked;
    }
    EXPECT_GT(checked, n / 2);
    EXPECT_GT(zerodivides, 0);
}

// The evaluator's short form of a floating value, from the host's text of
// the same value with ten significant digits.
std::string shortform(const std::string& host) {
    std::size_t e = host.find('e');
    std::string sign = host[0] == '-' ? "-" : "";
    std::string mantissa = host.substr(sign.size(), e - sign.size());   // d.dddddddddd
    int exponent = std::atoi(host.c_str() + e + 1);
    std::string digits = mantissa.substr(0, 1) + mantissa.substr(2, 9);   // ten digits, the eleventh dropped
    std::size_t last = digits.find_last_not_of('0');
    std::string kept = digits.substr(0, last == std::string::npos ? 1 : last + 1);
    if (exponent < 0 && exponent > -5) return sign + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + kept;
    if (exponent >= 0 && exponent < 7) {
        std::string whole = kept;
        if (whole.size() < static_cast<std::size_t>(exponent) + 1) whole.resize(static_cast<std::size_t>(exponent) + 1, '0');
        std::string fraction = whole.substr(static_cast<std::size_t>(exponent) + 1);
        return sign + whole.substr(0, static_cast<std::size_t>(exponent) + 1) + "." + (fraction.empty() ? "0" : fraction);
    }
    std::string fraction = kept.size() > 1 ? kept.substr(1) : "0";
    return sign + kept.substr(0, 1) + "." + fraction + "e" + (exponent < 0 ? "-" : "+") + std::to_string(std::abs(exponent));
}

TEST_F(Oracle, FloatsEqualTheHostsPrintfTrimmed) {
    std::mt19937_64 random(99);
    int n = count("VY_ORACLE_FLOATS", 20000);
    for (int i = 0; i < n; ++i) {
        double x = 0;
        if (i % 2) {
            uint64_t bits = random();
            std::memcpy(&x, &bits, sizeof x);
            if (!std::isfinite(x)) continue;
        } else {
            // Values near the decimal forms users type.
            x = static_cast<double>(random() % 2000000) * std::pow(10.0, static_cast<int>(random() % 24) - 14);
            if (random() % 2) x = -x;
        }
        if (x == 0) continue;
        char host[64];
        std::snprintf(host, sizeof host, "%.10e", x);
        EXPECT_EQ(floattext(x), shortform(host)) << host;
    }
}

TEST_F(Oracle, MemoryThroughExpressionsEqualsTheBytesOfAnSRecordFile) {
    if (!have("m68hc11-as") || !have("m68hc11-objcopy")) GTEST_SKIP() << "no binutils for the 68HC11";
    std::mt19937 random(7);
    std::vector<uint8_t> bytes(300);
    {
        std::ofstream s("data.s");
        s << "\t.text\nstart:\n";
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<uint8_t>(random());
            s << "\t.byte " << static_cast<int>(bytes[i]) << "\n";
        }
    }
    ASSERT_EQ(std::system("m68hc11-as -o data.o data.s && m68hc11-ld -Ttext 0xB000 -e start -o data.elf data.o"
                          " && m68hc11-objcopy -O srec data.elf data.s19 && m68hc11-objcopy -O binary data.elf data.bin"),
              0);
    std::ifstream bin("data.bin", std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(bin)), std::istreambuf_iterator<char>());
    ASSERT_EQ(file, bytes);
    ldprog("data.s19", 0, 0, 0, 0);
    ASSERT_FALSE(LoadFailed);
    auto eval = [](const std::string& text) {
        int isfloat = 0;
        int32_t value = 0;
        double real = 0;
        EXPECT_EQ(Expression(1, text.c_str(), &isfloat, &value, &real), 0) << text;
        return static_cast<uint32_t>(value);
    };
    for (std::size_t i = 0; i + 4 <= file.size(); ++i) {
        std::string at = "(0xB000 + " + std::to_string(i) + ")";
        uint32_t word = static_cast<uint32_t>(file[i]) << 8 | file[i + 1];
        uint32_t longword = word << 16 | static_cast<uint32_t>(file[i + 2]) << 8 | file[i + 3];
        EXPECT_EQ(eval("*(unsigned char *)" + at), file[i]) << i;
        EXPECT_EQ(eval("((unsigned char *)0xB000)[" + std::to_string(i) + "]"), file[i]) << i;
        EXPECT_EQ(eval("*(unsigned short *)" + at), word) << i;
        EXPECT_EQ(eval("*(unsigned long *)" + at), longword) << i;
        EXPECT_EQ(eval("*(signed char *)" + at), static_cast<uint32_t>(static_cast<int8_t>(file[i]))) << i;
    }
}

}  // namespace
}  // namespace vy
