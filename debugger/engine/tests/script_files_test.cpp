// Script file channels: the commands, the output engine against the host's
// printf, and the input engine.
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "debugger/engine/channels.h"
#include "debugger/engine/script_files.h"
#include "engine_fixture.h"

namespace vy {
namespace {

using ScriptFiles = EngineTest;

int cases() { return generatedcases(5000); }

// ---------------------------------------------------------------------------
// The commands

TEST_F(ScriptFiles, OpenWriteCloseAndTheirReports) {
    struct Case {
        const char* lines;
        const char* shown;
    } cases[] = {
        {"fopen /C:1 o.txt\nfwrite /C:1 \"%d %x\\n\", 10, 255\nfclose 1\n", ""},
        {"fopen /C:1 x.txt\nfopen /C:1 x.txt\nfclose /c:1\n", "#error: Channel 1 already used\n"},
        {"fclose 7\n", "#error: Unknown Channel:7\n"},
        {"rewind /C:12\n", "#error: Unknown Channel:12\n"},
        {"fclose /x1\n", "#error: Wrong option /x1\n"},
        {"fopen o.txt\n", "#error:  Missing channel \n"},
        {"fopen /C o.txt\n", "#error: Wrong option C o.txt\n"},
        // a channel number is there and fits 32 bits; the digits of a wider
        // one belong to it, never to a further command
        {"fopen /C: o.txt\n", "#error: Wrong option C: o.txt\n"},
        {"fopen /C:4294967297 o.txt\n", "#error: Wrong option C:4294967297 o.txt\n"},
        {"fclose 99999999999\n", "#error: Unknown Channel:99999999999\n"},
        {"fclose 4294967296; fclose\n", "#error: Unknown Channel:4294967296\n#error:  Missing channel \n"},
        {"fopen /c:5/a q.txt\nfwrite /c:5 \"x\"\nfclose 5\n", ""},
        {"fopen /Q:1 o.txt\n", "#error: Unknown Option Q:1 o.txt\n"},
        {"fopen /c:3 nodir/o.txt\n", "#error: Can't Open:nodir/o.txt\n"},
        {"fopen /c:3 p.txt\nfwrite /c:3 \"%d\", 1, 2\nfwrite /c:3 \"%d %d\", 1\n"
         "fwrite /c:4 \"x\"\nfwrite \"x\"\nfwrite /a /c:3 \"x\"\nfwrite /c:3 x\nfwrite /c:3 \"abc\nfclose 3\n",
         "#error: Too many arguments: 2\n"
         "#error: Format Error (or missing args) at: %d\n"
         "#error:  Unknown Channel: 4\n"
         "#error:  Missing channel \n"
         "#error: Unknown Option a /c:3 \"x\"\n"
         "#error: Missing Format \n"
         "#error: Invalid Format: abc\n"},
        {"remove nosuch.txt\n", "#error: Can't remove file: nosuch.txt\n"},
    };
    CmdFileRunning = true;
    for (const Case& c : cases) {
        // The lines themselves are shown as they run; the reports among them.
        std::string shown = run(c.lines);
        std::string actual;
        for (std::size_t at = 0; at < shown.size();) {
            std::size_t end = shown.find('\n', at);
            std::string line = shown.substr(at, end - at + 1);
            if (line.rfind("#error", 0) == 0) actual += line;
            at = end + 1;
        }
        EXPECT_EQ(actual, c.shown) << c.lines;
    }
    CmdFileRunning = false;
    EXPECT_EQ(lflines(read("o.txt")), "10 ff\n");
}

TEST_F(ScriptFiles, OpeningKeepsOrAppendsAndRewindReadsAgain) {
    write("o.txt", "abcdef\n");
    run("fopen /C:1 o.txt\nfwrite /C:1 \"XY\"\nfclose 1\n");
    EXPECT_EQ(lflines(read("o.txt")), "XYcdef\n");
    run("fopen /a/c:2 o.txt\nfwrite /C:2 \"%d\\n\", 42\nfclose /C:2\n");
    EXPECT_EQ(lflines(read("o.txt")), "XYcdef\n42\n");
    run("fopen /c:3 new.txt\nfwrite /c:3 \"one\"; rewind 3; fwrite /c:3 \"t\"; fclose 3\n");
    EXPECT_EQ(read("new.txt"), "tne");
    run("remove new.txt\n");
    EXPECT_FALSE(exists("new.txt"));
    EXPECT_EQ(channels, nullptr);
}

TEST_F(ScriptFiles, WriteStepsOverEscapesAndPercents) {
    run("fopen /c:1 e.txt\nfwrite /c:1 \"a\\tb\\\\%%%s%g\\101\\n\"\nfclose 1\n");
    EXPECT_EQ(lflines(read("e.txt")), "a\tb\\%sgA\n");
    run("fopen /c:1 f.txt\nfwrite /c:1 \"%*d|%-*d|%.*d\", 5, 1, -4, 2, 3, 7\nfclose 1\n");
    EXPECT_EQ(read("f.txt"), "    1|2   |007");
}

// ---------------------------------------------------------------------------
// The output engine against the host's printf, where the rules agree

struct Generated {
    PrintConversion conversion;
    ScriptValue value;
    std::string hostformat;
};

class ConversionGenerator {
public:
    explicit ConversionGenerator(uint32_t seed) : random_(seed) {}

    // A conversion and a value on which C's printf follows the same rules.
    bool make(Generated& g) {
        PrintConversion& c = g.conversion;
        c = PrintConversion{};
        c.letter = "diuoxXceEf"[pick(10)];
        c.left = pick(4) == 0;
        // '+' and ' ' only where they mean something (the Windows C library
        // does not ignore them on unsigned conversions as C says).
        bool sign = std::strchr("dieEf", c.letter) != nullptr;
        c.plus = sign && pick(4) == 0;
        c.space = sign && pick(4) == 0;
        c.alternate = pick(4) == 0;
        c.zero = !c.left && pick(3) == 0;
        c.width = pick(2) ? static_cast<int>(pick(16)) : 0;
        c.precision = pick(2) ? static_cast<int>(pick(10)) : -1;
        bool floating = c.letter == 'e' || c.letter == 'E' || c.letter == 'f';
        g.value = ScriptValue{};
        if (floating && pick(2)) {
            g.value.real = true;
            if (pick(2)) {
                // n / 2^m: ties of the rounding among them.
                g.value.floating = static_cast<double>(static_cast<int32_t>(random_() % 2000001) - 1000000) / (1 << pick(4));
            } else {
                std::uniform_real_distribution<double> any(-1e6, 1e6);
                g.value.floating = any(random_) / std::pow(10.0, pick(8));
            }
            if (pick(20) == 0) g.value.floating = -0.0;
        } else {
            switch (pick(3)) {
            case 0: g.value.integer = static_cast<int32_t>(pick(20)) - 10; break;
            case 1: g.value.integer = static_cast<int32_t>(random_()); break;
            default: g.value.integer = static_cast<int32_t>(pick(100000)); break;
            }
        }
        // Where C's printf has rules of its own.
        int32_t v = g.value.integer;
        if (!floating) {
            if (c.precision >= 0 && c.zero) return false;                  // C ignores '0' then
            if (c.precision == 0 && v == 0) return false;                  // C prints no digit
            if (c.alternate && v == 0 && c.letter != 'd') return false;    // C prints "0"
            if (c.alternate && c.letter == 'o' && c.precision > 0) return false;
            if (c.letter == 'c' && (c.zero || (v & 0xFF) < 32 || (v & 0xFF) > 126)) return false;
        } else {
            if (c.alternate) return false;                                  // C keeps the point
            double x = g.value.real ? g.value.floating : v;
            if (!within17(x, c)) return false;
        }
        std::string f = "%";
        if (c.left) f += '-';
        if (c.plus) f += '+';
        if (c.space) f += ' ';
        if (c.alternate) f += '#';
        if (c.zero) f += '0';
        if (c.width) f += std::to_string(c.width);
        if (c.precision >= 0) f += "." + std::to_string(c.precision);
        f += c.letter;
        g.hostformat = f;
        return true;
    }

private:
    uint32_t pick(uint32_t n) { return random_() % n; }

    // At most 17 significant digits printed: the formatter keeps no more.
    static bool within17(double x, const PrintConversion& c) {
        int p = c.precision < 0 ? 6 : c.precision;
        if (c.letter != 'f') return p + 1 <= 17;
        int integer = std::fabs(x) < 1 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(x)))) + 1;
        return integer + p <= 17;
    }

    std::mt19937 random_;
};

std::string host(const Generated& g) {
    char buffer[512];
    const PrintConversion& c = g.conversion;
    if (c.letter == 'e' || c.letter == 'E' || c.letter == 'f')
        std::snprintf(buffer, sizeof buffer, g.hostformat.c_str(),
                      g.value.real ? g.value.floating : static_cast<double>(g.value.integer));
    else
        std::snprintf(buffer, sizeof buffer, g.hostformat.c_str(), g.value.integer);
    return buffer;
}

TEST_F(ScriptFiles, ConversionsAgreeWithTheHostPrintf) {
    ConversionGenerator generate(1109);
    int compared = 0;
    for (int i = 0, n = cases(); i < n; ++i) {
        Generated g;
        if (!generate.make(g)) continue;
        ++compared;
        SCOPED_TRACE(g.hostformat + " of " +
                     (g.value.real ? std::to_string(g.value.floating) : std::to_string(g.value.integer)));
        EXPECT_EQ(formatvalue(g.conversion, g.value), host(g));
    }
    EXPECT_GT(compared, cases() / 4);
}

TEST_F(ScriptFiles, WrittenFormatsAgreeWithTheHostPrintf) {
    // Whole formats through fwrite, their arguments through the evaluator.
    ConversionGenerator generate(2109);
    std::string lines = "fopen /c:1 host.txt\n", expected;
    for (int i = 0, n = cases() / 10; i < n; ++i) {
        Generated g;
        if (!generate.make(g)) continue;
        if (g.value.integer == INT32_MIN || (g.value.real && std::signbit(g.value.floating))) continue;
        char argument[64];
        if (g.value.real) std::snprintf(argument, sizeof argument, "%.17g", g.value.floating);
        else std::snprintf(argument, sizeof argument, "%d", g.value.integer);
        lines += "fwrite /c:1 \"<" + g.hostformat + ">\\n\", " + argument + "\n";
        expected += "<" + host(g) + ">\n";
    }
    lines += "fclose 1\n";
    CmdFileRunning = true;
    std::string shown = run(lines);
    CmdFileRunning = false;
    EXPECT_EQ(shown.find("#error"), std::string::npos) << shown;
    EXPECT_EQ(lflines(read("host.txt")), expected);
}

TEST_F(ScriptFiles, ConversionsOfTheDesign) {
    auto f = [](const char* letter, double x, int width, int precision) {
        PrintConversion c;
        c.letter = *letter;
        c.width = width;
        c.precision = precision;
        ScriptValue v;
        v.real = true;
        v.floating = x;
        return formatvalue(c, v);
    };
    EXPECT_EQ(f("f", 2.5, 5, 2), " 2.50");
    EXPECT_EQ(f("f", 2.5, 0, -1), "2.500000");
    EXPECT_EQ(f("e", 1234.5, 0, 2), "1.23e+03");
    EXPECT_EQ(f("E", 0.5, 0, 0), "5E-01");
    EXPECT_EQ(f("f", 1.0, 0, 40).size(), 1u + 1 + 21);    // at most 21 digits
    EXPECT_EQ(f("e", 1.0, 0, 40).size(), 1u + 1 + 17 + 4);
    PrintConversion p;
    p.letter = 'p';
    ScriptValue v;
    v.integer = 255;
    EXPECT_EQ(formatvalue(p, v), "255");
    p.alternate = true;
    EXPECT_EQ(formatvalue(p, v), "0xff");
    PrintConversion d;
    d.zero = true;
    d.width = 6;
    d.precision = 3;
    v.integer = -5;
    EXPECT_EQ(formatvalue(d, v), "-00005");   // zero padding after the sign, whatever the precision
}

// ---------------------------------------------------------------------------
// The input engine

using Stores = std::vector<std::pair<std::string, std::string>>;

struct Scan {
    int result;
    Stores stores;
    std::string formatleft, argumentsleft;
};

Scan scan(const std::string& input, const std::string& format, const std::string& arguments) {
    std::FILE* f = std::fopen("in.txt", "wb");
    std::fwrite(input.data(), 1, input.size(), f);
    std::fclose(f);
    f = std::fopen("in.txt", "rb");
    Scan s;
    const char* fp = format.c_str();
    const char* ap = arguments.c_str();
    s.result = scanformat(
        f, fp, ap,
        [](void* context, const std::string& argument, const std::string& value) {
            static_cast<Stores*>(context)->emplace_back(argument, value);
        },
        &s.stores);
    std::fclose(f);
    s.formatleft = fp;
    s.argumentsleft = ap;
    return s;
}

TEST_F(ScriptFiles, ReadingValues) {
    struct Case {
        const char* name;
        const char* input;
        const char* format;
        const char* arguments;
        int result;
        Stores stores;
        const char* formatleft;
    } cases[] = {
        {"a decimal number", "42", "%d", ".v", 1, {{".v", "42"}}, ""},
        {"negative, with the '=' that keeps it apart", "  -17x", "%d", "i", 1, {{"i", "=-17"}}, ""},
        {"a blank needs white space", "1 2", "%d %d", "a, b", 2, {{"a", "1"}, {"b", "2"}}, ""},
        {"no white space for the blank", "1,2", "%d %d", "a, b", 1, {{"a", "1"}}, " %d"},
        {"literal characters", "x=5;", "x=%d;", "v", 1, {{"v", "5"}}, ""},
        {"a mismatch ends it", "y=5", "x=%d", "v", 0, {}, "x=%d"},
        {"bases", "0x1f 017 12 ff 777", "%i %i %u %x %o", "a,b,c,d,e", 5,
         {{"a", "31"}, {"b", "15"}, {"c", "12"}, {"d", "255"}, {"e", "511"}}, ""},
        {"a width", "12345", "%2d%d", "a, b", 2, {{"a", "12"}, {"b", "345"}}, ""},
        {"stored as hexadecimal", "255", "%hd", "r", 1, {{"r", "0xff   "}}, ""},
        {"32 bits at most", "99999999999", "%u%u", "a, b", 2, {{"a", "999999999"}, {"b", "99"}}, ""},
        {"a pointer", "0x8000", "%p", "p", 1, {{"p", "32768"}}, ""},
        {"three characters", "abc", "%3c", "s[0], s[1], s[2]", 3, {{"s[0]", "97"}, {"s[1]", "98"}, {"s[2]", "99"}}, ""},
        {"a word and what ended it", " hi there", "%s", "a,b,c", 3, {{"a", "104"}, {"b", "105"}, {"c", "32"}}, ""},
        {"a set and its end mark", "aab!", "%[ab]", "a,b,c,d,e", 4,
         {{"a", "97"}, {"b", "97"}, {"c", "98"}, {"d", "0"}}, ""},
        {"a set not wanted", "xy1", "%[^0123456789]", "a,b,c", 3, {{"a", "120"}, {"b", "121"}, {"c", "0"}}, ""},
        {"floating numbers as read", "1.5e3 -2. .5", "%f %e %g", "a,b,c", 3,
         {{"a", "1.5e3"}, {"b", "=-2."}, {"c", ".5"}}, ""},
        {"an incomplete exponent", "1e+", "%f", "a", -1, {}, "%f"},
        {"an incomplete exponent before more", "1e+ 2", "%f", "a", 0, {}, "%f"},
        {"characters taken", "ab 12", "%*s %d%n", "x, n", 2, {{"x", "12"}, {"n", "5"}}, ""},
        {"percent", "%7", "%%%d", "v", 1, {{"v", "7"}}, ""},
        {"nothing read", "", "%d", "v", -1, {}, "%d"},
        {"no digits", "abc", "%d", "v", 0, {}, "%d"},
        {"missing argument", "1 2", "%d %d", "a", 1, {{"a", "1"}}, "%d"},
        {"an unknown conversion", "1", "%q", "a", 0, {}, "%q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scan s = scan(c.input, c.format, c.arguments);
        EXPECT_EQ(s.result, c.result);
        EXPECT_EQ(s.stores, c.stores);
        EXPECT_EQ(s.formatleft, c.formatleft);
    }
}

TEST_F(ScriptFiles, ReadingLeavesTheArgumentsNotUsed) {
    Scan s = scan("7", "%d", "a, b; x 1");
    EXPECT_EQ(s.argumentsleft, " b; x 1");
    CmdFileRunning = true;
    write("n.txt", "7\n");
    std::string shown = run("fopen /c:1 n.txt\nfread /c:1 \"%d %d\", .a\nfread /c:1 \"\", .a, .b\nfclose 1\n");
    CmdFileRunning = false;
    EXPECT_NE(shown.find("#error: Format Error (or missing args) at: %d\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("#error: Too many arguments: .a, .b\n"), std::string::npos) << shown;
}

}  // namespace
}  // namespace vy
