#include "support/double_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string fixed(double x, std::int32_t integer_digits, std::int32_t fraction_digits) {
    char buffer[512];
    return std::string(buffer, static_cast<std::size_t>(vy::dtofixed(buffer, x, integer_digits, fraction_digits)));
}

std::string exponent(double x, std::int32_t before, std::int32_t after) {
    char buffer[512];
    return std::string(buffer, static_cast<std::size_t>(vy::dtoexp(buffer, x, before, after)));
}

struct DigitsCase {
    double x;
    std::int32_t n;
    std::string digits;
    std::int32_t exponent;
};

TEST(DoubleText, Digits) {
    using namespace std::string_literals;
    const DigitsCase cases[] = {
        {0.0, 4, "0000", 0},
        {0.5, 4, "5000", 0},
        {1234.5, 6, "123450", 4},
        {-2.5, 2, "25", 1},
        {0.001, 20, "10000000000000000208", -2},
        {0.1, 20, "10000000000000000555", 0},
        {1e300, 5, "10000", 301},
        {5e-324, 6, "494066", -323},             // 4.9406564584124654e-324 rounded
        {0.125, 2, "12", 0},                     // a tie goes to the even digit
        {0.375, 2, "38", 0},
        {0.999999, 2, "10", 1},                  // a carry into a new leading digit
        {DBL_MAX, 17, "17976931348623157", 309},
        {kInf, 6, "inf\0\0\0"s, 0},
        {-kInf, 3, "-in", 0},
        {kNaN, 4, "nan\0"s, 0},
    };
    for (const DigitsCase& c : cases) {
        char buffer[32];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(vy::dtodigits(buffer, c.x, c.n), c.exponent) << c.x;
        EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(c.n)), c.digits) << c.x;
        EXPECT_EQ(buffer[c.n], '#') << c.x;
    }
}

struct TextCase {
    double x;
    std::int32_t a;
    std::int32_t b;
    const char* expected;
};

TEST(DoubleText, Fixed) {
    const TextCase cases[] = {
        {1234.5, 62, 2, "1234.50"},
        {1234.5, 2, 1, "34.5"},
        {-0.25, 5, 3, "-0.250"},
        {0.0025, 5, 4, "0.0025"},
        {0.0025, 5, 2, "0.00"},
        {0.0, 5, 0, "0"},
        {-0.0, 5, 1, "0.0"},
        {123456789012345678901234.0, 62, 0, "123456789012345690000000"},  // ...685803008 rounded
        {0.99, 62, 1, "1.0"},
        {9.99, 62, 1, "10.0"},       // the carry adds an integer digit
        {999.96, 2, 1, "00.0"},      // of which only the last two are kept
        {0.5, 62, 0, "0"},           // ties go to the even digit
        {1.5, 62, 0, "2"},
        {2.5, 62, 0, "2"},
        {0.125, 62, 2, "0.12"},
        {0.375, 62, 2, "0.38"},
        {0.6, 62, 0, "1"},           // rounding at the digit before the first
        {0.06, 62, 1, "0.1"},
        {0.005, 62, 2, "0.01"},      // 0.005000000000000000104...
        {0.0004, 62, 2, "0.00"},     // below half of the last digit
        {-0.004, 62, 2, "-0.00"},
        {1.0, 0, 1, ".0"},
        {7.5, -3, -2, ""},
        {kInf, 5, 2, "inf"},
        {-kInf, 5, 2, "-inf"},
        {kNaN, 5, 2, "nan"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(fixed(c.x, c.a, c.b), c.expected) << c.x;
}

TEST(DoubleText, Exponent) {
    const TextCase cases[] = {
        {1234.5, 1, 3, "1.234e+03"},
        {1234.5, 2, 2, "12.34e+02"},
        {0.0, 1, 0, "0e+00"},
        {0.0, 2, 1, "00.0e+00"},
        {-1e-5, 1, 2, "-1.00e-05"},
        {1e100, 1, 0, "1e+100"},
        {1e-100, 1, 0, "1e-100"},
        {0.1, 1, 20, "1.00000000000000010000e-01"},  // 17 digits rounded, then zeros
        {1.0 / 3, 3, 18, "333.333333333333310000e-03"},
        {0.3, 1, 16, "2.9999999999999999e-01"},
        {5e-324, 1, 2, "4.94e-324"},
        {DBL_MAX, 1, 2, "1.80e+308"},
        {9.96, 1, 1, "1.0e+01"},                     // a carry grows the exponent
        {9.96, 1, 0, "1e+01"},
        {0.0001234, 1, 10, "1.2340000000e-04"},      // 1.23399999999999995...e-04
        {2.5, 1, 0, "2e+00"},
        {3.5, 1, 0, "4e+00"},
        {5.0, 1, -1, "5e+00"},
        {kInf, 1, 2, "inf"},
        {kNaN, 1, 2, "nan"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(exponent(c.x, c.a, c.b), c.expected) << c.x;
}

// The C library rounds the exact value to nearest, ties to even: with 17
// significant digits it must agree with dtoexp.
std::string rounded_by_c_library(double x) {
    char text[80];
    std::snprintf(text, sizeof text, "%.16e", x);
    return text;
}

TEST(DoubleText, ExponentFormAgreesWithTheCLibrary) {
    std::mt19937_64 random(1103);
    std::uniform_real_distribution<double> everyday(-1e6, 1e6);
    for (int i = 0; i < 4000; ++i) {
        double x = everyday(random);
        if (i % 2 == 1) {
            const std::uint64_t bits = random();
            std::memcpy(&x, &bits, sizeof x);
            if (!std::isfinite(x)) continue;
        }
        EXPECT_EQ(exponent(x, 1, 16), rounded_by_c_library(x)) << x;
    }
}

std::string c_format(const char* format, int precision, double x) {
    char text[512];
    std::snprintf(text, sizeof text, format, precision, x);
    return text;
}

// Doubles of every kind: everyday values, random bits (denormals and huge
// exponents among them), exact ties (halves, eighths, 1024ths), and values
// just below, at and above a rounding that carries into a new digit.
double random_double(std::mt19937_64& random) {
    switch (random() % 6) {
    case 0: return std::uniform_real_distribution<double>(-1e6, 1e6)(random);
    case 1: {
        double x;
        const std::uint64_t bits = random();
        std::memcpy(&x, &bits, sizeof x);
        return std::isfinite(x) ? x : 1.0;
    }
    case 2: {
        double x;
        const std::uint64_t bits = random() & 0x800FFFFFFFFFFFFFu;  // a denormal
        std::memcpy(&x, &bits, sizeof x);
        return x;
    }
    case 3: return static_cast<double>(static_cast<std::int64_t>(random() % 200000) - 100000) /
                   static_cast<double>(std::uint64_t{1} << (random() % 11));
    case 4: {
        const double nines[] = {9.5, 9.95, 9.995, 0.9995, 99.5, 999999.5, 0.09995, 9.9999999999999995, 1e22 - 1e6};
        double x = nines[random() % std::size(nines)] * std::pow(10.0, static_cast<int>(random() % 41) - 20);
        for (int steps = static_cast<int>(random() % 5) - 2; steps != 0; steps += steps < 0 ? 1 : -1)
            x = std::nextafter(x, steps < 0 ? 0.0 : HUGE_VAL);
        return x;
    }
    default: return std::ldexp(static_cast<double>(random() % 1000000), static_cast<int>(random() % 2077) - 1074);
    }
}

// dtofixed and dtoexp write what C's %.*f and %.*e write, whenever at most
// 17 significant digits are kept; past them come zeros, after the digits of
// C's 17-digit rounding.
TEST(DoubleText, RoundingAgreesWithTheCLibrary) {
    std::mt19937_64 random(2020);
    int fixed_compared = 0;
    for (int i = 0; i < 20000; ++i) {
        const double x = random_double(random);
        if (x == 0 && std::signbit(x)) continue;  // C writes "-0"; this formatter does not
        const int precision = static_cast<int>(random() % 40);

        // Exponent form.
        if (precision <= 16) {
            ASSERT_EQ(exponent(x, 1, precision), c_format("%.*e", precision, x)) << x << " %." << precision << "e";
        } else {
            const std::string c = c_format("%.*e", 16, x);
            const std::size_t e = c.find('e');
            const std::string expected = c.substr(0, e) + std::string(static_cast<std::size_t>(precision - 16), '0') + c.substr(e);
            ASSERT_EQ(exponent(x, 1, precision), expected) << x << " %." << precision << "e";
        }

        // Fixed form, where the kept digits (the decimal exponent and the
        // precision) are 17 at most.
        char digits[1];
        const std::int32_t e = x == 0 ? 0 : vy::dtodigits(digits, x, 1);
        if (e + precision <= 17) {
            ++fixed_compared;
            ASSERT_EQ(fixed(x, 400, precision), c_format("%.*f", precision, x)) << x << " %." << precision << "f";
        }
    }
    EXPECT_GT(fixed_compared, 5000);
}

// 2^-1075: exactly half of the smallest double.
const char kHalfOfSmallest[] =
    "2.4703282292062327208828439643411068618252990130716238221279284125033775363510437593264991818081"
    "799618989828234772285886546332835517796989819938739800539093906315035659515570226392290858392449"
    "105184435931802849936536152500319370457678249219365623669863658480757001585769269903706311928279"
    "558551332927834338409351978015531246597263579574622766465272827220056374006485499977096599470454"
    "020828166226237857393450736339007967761930577506740176324673600968951340535537458516661134223766"
    "678604162159680461914467291840300530057530849048765391711386591646239524912623653881879636239373"
    "280423891018672348497668235089863388587925628302755995657524455507255189313690836254779186948667"
    "994968324049705821028513185451396213837722826145437693412532098591327667236328125e-324";

struct ScanDoubleCase {
    const char* name;
    std::string text;
    double value;
    std::int32_t used;  // -1: the whole text
};

TEST(DoubleText, Scan) {
    const std::string half = kHalfOfSmallest;
    const std::string mantissa = half.substr(0, half.find('e'));
    const ScanDoubleCase cases[] = {
        {"blanks, sign, exponent", "  -1.5e3xyz", -1500.0, 8},
        {"fraction only", ".5", 0.5, 2},
        {"point at the end", "1.", 1.0, 2},
        {"exponent with blank and sign", "2E -2", 0.02, 5},
        {"exponent suffix l", "1e2l", 100.0, 4},
        {"e without a number is not taken", "1e", 1.0, 1},
        {"e with a sign only", "1e+", 1.0, 1},
        {"no digits", "abc", 0.0, 0},
        {"point only", "-.", 0.0, 0},
        {"negative zero", "-0", -0.0, 2},
        {"too large", "1e400", kInf, 5},
        {"too small", "1e-400", 0.0, 6},
        {"long zeros and scale", "1" + std::string(1200, '0') + "e-1200", 1.0, -1},
        {"long leading fraction zeros", "0." + std::string(1200, '0') + "1e1201", 1.0, -1},
        {"nearest double", "0.1", 0.1, 3},
        {"exactly half rounds to even", half, 0.0, -1},
        {"just above half", mantissa + "01e-324", 5e-324, -1},
        {"above half past 800 digits", mantissa + std::string(100, '0') + "1e-324", 5e-324, -1},
    };
    for (const ScanDoubleCase& c : cases) {
        const auto count = static_cast<std::int32_t>(c.text.size());
        double value = 99;
        EXPECT_EQ(vy::scandouble(c.text.data(), count, value), c.used < 0 ? count : c.used) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
        EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << c.name;
    }
    double value = 99;
    EXPECT_EQ(vy::scandouble("12345", 3, value), 3);  // the count bounds the read
    EXPECT_EQ(value, 123.0);
}

TEST(DoubleText, ScanAgreesWithTheCLibrary) {
    std::mt19937_64 random(1104);
    for (int i = 0; i < 4000; ++i) {
        const std::uint64_t bits = random();
        double x = 0;
        std::memcpy(&x, &bits, sizeof x);
        if (!std::isfinite(x)) continue;
        for (const char* form : {"%.17g", "%.25e", "%.3e"}) {
            char text[64];
            const int length = std::snprintf(text, sizeof text, form, x);
            double value = 0;
            EXPECT_EQ(vy::scandouble(text, length, value), length) << text;
            EXPECT_EQ(value, std::strtod(text, nullptr)) << text;
        }
    }
}

TEST(DoubleText, Scaling) {
    EXPECT_EQ(vy::dscale10(1.5, 3), 1500.0);
    EXPECT_EQ(vy::dscale10(1.5, 0), 1.5);
    EXPECT_DOUBLE_EQ(vy::dscale10(1.5, -1), 0.15);
    EXPECT_DOUBLE_EQ(vy::dscale10(1e-300, 600), 1e300);
    EXPECT_DOUBLE_EQ(vy::dscale10(1e300, -600), 1e-300);
    EXPECT_EQ(vy::dscale10(1.0, 600), kInf);
    EXPECT_EQ(vy::dscale10(1.0, -600), 0.0);
    EXPECT_EQ(vy::dscale10(2.0, std::numeric_limits<std::int32_t>::max()), kInf);
    EXPECT_EQ(vy::dscale10(2.0, std::numeric_limits<std::int32_t>::min()), 0.0);
    EXPECT_EQ(vy::dscale10(0.0, 1000000), 0.0);

    EXPECT_EQ(vy::dscale2(1.0, 10), 1024.0);
    EXPECT_EQ(vy::dscale2(1.0, -1074), 5e-324);
    EXPECT_EQ(vy::dscale2(3.0, -1), 1.5);

    EXPECT_EQ(vy::dround(2.5), 3.0);
    EXPECT_EQ(vy::dround(-2.5), -3.0);
    EXPECT_EQ(vy::dround(2.4), 2.0);
    EXPECT_EQ(vy::dround(1e300), 1e300);
}

TEST(DoubleText, Normal) {
    const struct { double x; double normal; std::int32_t exponent; } cases[] = {
        {1.0, 0.5, 1},
        {0.75, 0.75, 0},
        {1024.0, 0.5, 11},
        {5e-324, 0.5, -1073},
        {-3.0, -0.75, 2},
        {0.0, 0.0, 0},
        {kInf, kInf, 0},
    };
    for (const auto& c : cases) {
        double x = c.x;
        EXPECT_EQ(vy::dnormal(x), c.exponent) << c.x;
        EXPECT_EQ(x, c.normal) << c.x;
    }
    double nan = kNaN;
    EXPECT_EQ(vy::dnormal(nan), 0);
    EXPECT_TRUE(std::isnan(nan));
}

}  // namespace
