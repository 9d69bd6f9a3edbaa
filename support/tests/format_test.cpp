#include "support/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using vy::FormatArg;

struct FormatCase {
    const char* name;
    const char* format;
    std::vector<FormatArg> args;
    std::string expected;
};

std::string format(const char* text, const std::vector<FormatArg>& args) {
    char buffer[512];
    const std::uint32_t n = vy::vfmtbuf(buffer, sizeof buffer, text, args);
    return std::string(buffer, n);
}

void run_cases(const std::vector<FormatCase>& cases) {
    for (const FormatCase& c : cases) {
        EXPECT_EQ(format(c.format, c.args), c.expected) << c.name << ": \"" << c.format << '"';
    }
}

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const char kBytes[] = "a\0b\0c";

TEST(Format, IntegerConversions) {
    run_cases({
        {"c is a signed 16-bit decimal, not masked", "%c", {0x1ff}, "511"},
        {"c with a base is masked to 8 bits", "%hc", {0x1ff}, "ff"},
        {"c unsigned", "%uc", {0x1ff}, "255"},
        {"c binary", "%zc", {5}, "101"},
        {"c octal is masked to 8 bits", "%oc", {0x1ff}, "377"},
        {"c binary is masked to 8 bits", "%zc", {0x3ff}, "11111111"},
        {"c unsigned ignores the high bits", "%uc", {0xffffff80u}, "128"},
        {"c raw is the low byte", "%ac", {0x1ff}, "\xff"},
        {"c raw NUL byte", "%ac", {0x100}, "\0"s},
        {"c negative", "%c", {0xffff8000u}, "-32768"},
        {"s signed", "%s", {0xffff}, "-1"},
        {"s unsigned", "%us", {0xffff}, "65535"},
        {"s hex keeps the low 16 bits", "%hs", {0x12345}, "2345"},
        {"s binary", "%zs", {0x8001}, "1000000000000001"},
        {"s octal keeps the low 16 bits", "%os", {0x1ffff}, "177777"},
        {"s signed ignores the high bits", "%s", {0x17fff}, "32767"},
        {"s raw, high byte first", "%as", {0x4142}, "AB"},
        {"l signed", "%l", {-5}, "-5"},
        {"l unsigned", "%ul", {-5}, "4294967291"},
        {"l hex", "%hl", {-5}, "fffffffb"},
        {"l octal", "%ol", {8}, "10"},
        {"l binary", "%zl", {0xffffffffu}, std::string(32, '1')},
        {"l raw, most significant first", "%al", {0x41424344}, "ABCD"},
        {"i like l", "%i", {std::numeric_limits<std::int32_t>::min()}, "-2147483648"},
        {"i unsigned", "%ui", {-1}, "4294967295"},
        {"i octal", "%oi", {8}, "10"},
        {"i binary", "%zi", {0x80000000u}, "1" + std::string(31, '0')},
        {"i raw, most significant first", "%ai", {0x61000062}, "a\0\0b"s},
        {"zero", "%l|%hl|%zc", {0, 0, 0}, "0|0|0"},
    });
}

TEST(Format, FlagsWidthAndPrecision) {
    run_cases({
        {"x writes only the padding", "%- 10x", {}, "          "},
        {"x takes no argument", "%x%l", {7}, "7"},
        {"width from the argument", "%+0nhl", {8, 0xfffe}, "0000fffe"},
        {"the width never cuts", "%+0nhl", {2, 0xfffe}, "fffe"},
        {"fill zero", "%+04hi", {10}, "000a"},
        {"fill zero, 32 bits", "%+0nhl", {8, 0x1234}, "00001234"},
        {"right-justified with blanks by default", "%5l", {42}, "   42"},
        {"left-justified", "%- 5l|", {42}, "42   |"},
        {"the byte after the flag is the fill", "%-5p|", {"ab"}, "ab|"},
        {"left, blank fill, width 6", "%- 6p|", {"ab"}, "ab    |"},
        {"fill with any byte", "%+*6l", {-12}, "***-12"},
        {"upper-case N", "%Ns", {4, 7}, "   7"},
        {"width, precision, value in that order", "%n.nf", {8, 2, 3.14159}, "    3.14"},
        {"width and precision of a string", "%n.np", {6, 2, "abcdef"}, "    ab"},
        {"a negative width pads nothing", "%nl", {-5, 42}, "42"},
        {"a width argument gives its low 16 bits", "%nl", {0x10003, 42}, " 42"},
        {"a precision argument gives its low 16 bits", "%.np", {0x20002, "abcdef"}, "ab"},
        {"a fill may be a digit, width follows", "%+05l", {7}, "00007"},
        {"a fill may be n, width follows", "%-n3l|", {7}, "7nn|"},
        {"a fill may be a percent", "%+%4x", {}, "%%%%"},
        {"width digits wrap in 16 bits", "%65541l", {42}, "   42"},
        {"precision cuts a string", "%.3p", {"abcdef"}, "abc"},
        {"precision 0 is no limit", "%.0p", {"abcdef"}, "abcdef"},
        {"no precision", "%p", {"abcdef"}, "abcdef"},
        {"precision above the length", "%.9p", {"abc"}, "abc"},
        {"a negative precision leaves nothing of a string", "%n.np|", {3, -1, "abc"}, "   |"},
        {"a negative precision leaves nothing of b", "%.nb|", {-2, "abc", 3}, "|"},
        {"b writes the bytes, NULs included", "%b|", {kBytes, 3}, "a\0b|"s},
        {"precision cuts b", "%.2b|", {kBytes, 5}, "a\0|"s},
        {"b count is the low 16 bits", "%b|", {kBytes, 0x10002}, "a\0|"s},
        {"any other byte writes itself", "%%", {}, "%"},
        {"other byte padded", "%5%", {}, "    %"},
        {"other byte, letter q", "%3q", {}, "  q"},
        {"literal runs around conversions", "x=%l, y=%hs!", {1, 0xab}, "x=1, y=ab!"},
    });
}

TEST(Format, QualifierWithoutLetter) {
    run_cases({
        {"acts as a 32-bit conversion, next byte kept", "0x%h ", {255}, "0xff "},
        {"raw qualifier gives four bytes", "%a!", {0x41424344}, "ABCD!"},
        {"unsigned", "%u.", {-1}, "4294967295."},
        {"followed by another conversion", "%h%%", {255}, "ff%"},
        {"at the end of the format", "ab%h", {255}, "abff"},
        {"no effect before p", "%hp", {"abc"}, "abc"},
        {"no effect before f", "%.2hf", {1.5}, "1.50"},
        {"no effect before d", "%zd", {1.5}, "2e+00"},
        {"no effect before x", "%+*5hx", {}, "*****"},
        {"no effect before b", "%ob", {"xyz", 2}, "xy"},
    });
}

TEST(Format, FloatingConversions) {
    run_cases({
        {"fixed, two places", "%.2f", {-1.5}, "-1.50"},
        {"fixed below 1 without precision", "%f", {0.25}, "0"},
        {"exponent form", "%.3d", {1234.5}, "1.234e+03"},
        {"exponent form of zero", "%d", {0.0}, "0e+00"},
        {"three exponent digits up", "%d", {1e100}, "1e+100"},
        {"three exponent digits down", "%d", {1e-100}, "1e-100"},
        {"smallest double", "%.2d", {5e-324}, "4.94e-324"},
        {"largest double", "%.2d", {1.7976931348623157e308}, "1.80e+308"},
        {"a tie rounds to the even digit", "%.3f", {0.0625}, "0.062"},
        {"a tie rounds up to the even digit", "%.3f", {0.1875}, "0.188"},
        {"rounding carries below 1", "%.1f", {0.99}, "1.0"},
        {"rounding carries into a new integer digit", "%.1f", {9.99}, "10.0"},
        {"rounding carries into the exponent", "%.1d", {9.96}, "1.0e+01"},
        {"exponent form rounded at the 17th digit", "%.16d", {0.3}, "2.9999999999999999e-01"},
        {"past 17 significant digits come zeros", "%.20d", {0.1}, "1.00000000000000010000e-01"},
        {"the digits a trimming of 10 digits expects", "%.10d", {0.0001234}, "1.2340000000e-04"},
        {"negative zero has no sign", "%.1f", {-0.0}, "0.0"},
        {"a small negative keeps its sign", "%.2f", {-0.001}, "-0.00"},
        {"long integer part", "%f", {123456789012345678901234.0}, "123456789012345690000000"},
        {"integer part kept to the last 62 digits", "%f", {1e300}, std::string(62, '0')},
        {"precision above 61 is held at 61", "%.70f", {12.5}, "2.5" + std::string(60, '0')},
        {"negative precision is 0", "%.nf", {-3, 2.75}, "3"},
        {"exponent precision above 57 is held at 57", "%.99d", {-1.5e-300},
         "-1.5000000000000001" + std::string(41, '0') + "e-300"},
        {"exponent form, negative precision", "%.nd", {-1, 2.5}, "2e+00"},
        {"infinity", "%f", {kInf}, "inf"},
        {"negative infinity", "%.3d", {-kInf}, "-inf"},
        {"not a number", "%d", {kNaN}, "nan"},
        {"infinity padded", "%+*6f", {kInf}, "***inf"},
    });
}

TEST(Format, WidestFieldIsWhole) {
    // Sign, 57 fraction digits and a three-digit exponent: 65 bytes.
    const std::string text = format("%.57d", {-1.5e-300});
    EXPECT_EQ(text.size(), 65u);
    EXPECT_EQ(text.substr(text.size() - 5), "e-300");
}

TEST(Format, MissingOrMismatchedArguments) {
    run_cases({
        {"missing arguments read as zero or empty", "%l %p %f %b|", {}, "0  0 |"},
        {"missing width and precision", "%n.np|", {}, "|"},
        {"missing count of b", "%b|", {"abc"}, "|"},
        {"an address is no count of b", "%b|", {"abc", "abc"}, "|"},
        {"integer from a double is cut toward zero", "%l", {3.7}, "3"},
        {"integer from a huge double is held", "%l", {-1e12}, "-2147483648"},
        {"integer from NaN", "%l", {kNaN}, "0"},
        {"double from an integer", "%.1f", {-2}, "-2.0"},
        {"string from an integer is empty", "%p|", {5}, "|"},
        {"double from a pointer", "%d", {"x"}, "0e+00"},
        {"null string", "%p|%b|", {nullptr, nullptr, 4}, "||"},
        {"integer from null", "%l", {nullptr}, "0"},
        {"default argument", "%l%p|", {FormatArg{}, FormatArg{}}, "0|"},
    });
}

TEST(Format, FormatEndingInsideAConversion) {
    run_cases({
        {"a lone percent", "ab%", {}, "ab"},
        {"a flag without its fill", "ab%-", {}, "ab"},
        {"a flag and fill", "ab%+0", {}, "ab"},
        {"a width", "ab%5", {}, "ab"},
        {"a precision", "ab%.", {}, "ab"},
        {"a width from the argument", "ab%n", {3}, "ab"},
        {"no format at all", nullptr, {}, ""},
    });
}

TEST(Format, BufferKeepsWhatFits) {
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(vy::fmtbuf(buffer, 4, "%p", "0123456789"), 4u);
    EXPECT_EQ(std::string(buffer, 5), "0123#");
    EXPECT_EQ(vy::fmtbuf(buffer, 0, "abc"), 0u);
    EXPECT_EQ(buffer[0], '0');
    EXPECT_EQ(vy::fmtbuf(buffer, 16, "%+-8l|", 5), 9u);  // no NUL is added
    EXPECT_EQ(std::string(buffer, 10), "-------5|#");
}

// Records every call a writer receives.
struct Recorder {
    std::string text;
    std::size_t calls = 0;
    std::int16_t largest = 0;
    std::int16_t smallest = std::numeric_limits<std::int16_t>::max();
};

std::int16_t record(void* context, const char* bytes, std::int16_t count) {
    auto* r = static_cast<Recorder*>(context);
    r->text.append(bytes, static_cast<std::size_t>(count));
    ++r->calls;
    r->largest = std::max(r->largest, count);
    r->smallest = std::min(r->smallest, count);
    return -1;  // ignored
}

TEST(Format, LongOutputArrivesInPieces) {
    const std::string run(70000, 'a');
    const std::string text(100000, 's');
    std::string bytes(70000, 'b');
    bytes[40000] = 0;

    Recorder literal;
    vy::fmtout(record, &literal, run.c_str());
    EXPECT_EQ(literal.text, run);
    EXPECT_EQ(literal.calls, 3u);
    EXPECT_GT(literal.smallest, 0);

    Recorder string;
    vy::fmtout(record, &string, "<%p>", text.c_str());
    EXPECT_EQ(string.text, "<" + text + ">");
    EXPECT_LE(string.largest, 32767);

    Recorder counted;
    vy::fmtout(record, &counted, "%b", bytes.data(), 0xffff);
    EXPECT_EQ(counted.text, bytes.substr(0, 0xffff));
    EXPECT_LE(counted.largest, 32767);

    Recorder padded;
    vy::fmtout(record, &padded, "%+*nl", 32767, 1);
    EXPECT_EQ(padded.text, std::string(32766, '*') + "1");

    Recorder long_field;  // a field longer than 32,767 bytes is not padded
    vy::fmtout(record, &long_field, "%nb", 32767, bytes.data(), 40000);
    EXPECT_EQ(long_field.text, bytes.substr(0, 40000));
}

TEST(Format, TypedArguments) {
    enum Colour { red = 3 };
    enum class Size : std::uint8_t { large = 7 };
    const std::uint8_t small = 200;
    const std::int64_t wide = 0x123456789;
    char name[] = "xyz";
    char buffer[80];
    const std::uint32_t n = vy::fmtbuf(buffer, sizeof buffer, "%l %hl %l %l %p %p|%.1f %c %l %p", small, wide,
                                       red, Size::large, "str", nullptr, 2.5f, 'A', true, name);
    EXPECT_EQ(std::string(buffer, n), "200 23456789 3 7 str |2.5 65 1 xyz");

    std::string out;
    vy::fmtout([](void* context, const char* bytes, std::int16_t count) -> std::int16_t {
        static_cast<std::string*>(context)->append(bytes, static_cast<std::size_t>(count));
        return count;
    }, &out, "%hs-%p", 0xbeef, "ok");
    EXPECT_EQ(out, "beef-ok");

    static_assert(vy::FormatArgument<const char*>);
    static_assert(vy::FormatArgument<char[4]>);
    static_assert(vy::FormatArgument<unsigned long long>);
    static_assert(!vy::FormatArgument<std::string>);
    static_assert(!vy::FormatArgument<std::vector<int>>);
}

}  // namespace
