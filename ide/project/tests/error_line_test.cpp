// Reading diagnostic lines and the span they select on their line.
#include "ide/project/error_line.h"
#include "ide/project/text_lines.h"
#include "project_fixture.h"
#include "support/tests/test_system.h"

namespace {

using vesk::ErrorLine;
using vesk::ParseErrorLine;

struct Row {
    const char* text;
    const char* program;
    const char* file;
    std::int32_t line;
    std::int32_t column;  // -1: none
    std::int32_t length;
};

TEST(ErrorLineTest, Parts) {
    const Row rows[] = {
        {"#error ccparse prog.c:12 syntax error", "ccparse", "prog.c", 12, -1, 0},
        {"#error ccparse c:\\work\\start.c:40(5+3) undefined symbol", "ccparse", "c:\\work\\start.c", 40, 5, 3},
        {"#error ccopt prog.s:7(9-2) message", "ccopt", "prog.s", 7, 7, 2},
        {"#error ccasm prog.s:0 message", "ccasm", "prog.s", 0, -1, 0},
        {"#error ccasm bad.s:2\tunknown instruction", "ccasm", "bad.s", 2, -1, 0},
        {"#error X(some text) prog.c:3 message", "X(some text)", "prog.c", 3, -1, 0},
        {"#error\t\x7f x(a b) c:\\p.c:5(4) one", "x(a b)", "c:\\p.c", 5, 4, 1},
        {"#error ccparse p.c:5(4+0) zero length", "ccparse", "p.c", 5, 4, 1},
        {"#error ccparse p.c:5(1-9) before the start", "ccparse", "p.c", 5, 0, 9},
        {"#error ccparse p.c: no digit after any colon", "ccparse", "p.c", 0, -1, 0},
        {"#error lomar c:\\a b\\x.lkf:14 spaces in the name", "lomar", "c:\\a b\\x.lkf", 14, -1, 0},
        {"#error ccparse p.c:1234567890123456789012345678901234567890(99999999999999999999+7) big", "ccparse",
         "p.c", 2147483647, 2147483647, 7},
        {"#error ccparse p.c:3(4", "ccparse", "p.c", 3, 4, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        std::optional<ErrorLine> e = ParseErrorLine(r.text);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->program, r.program);
        EXPECT_EQ(e->file, r.file);
        EXPECT_EQ(e->line, r.line);
        EXPECT_EQ(e->has_column, r.column >= 0);
        if (r.column >= 0) {
            EXPECT_EQ(e->column, r.column);
            EXPECT_EQ(e->length, r.length);
        }
    }
}

TEST(ErrorLineTest, LinesThatShowNothing) {
    for (const char* text : {"error prog.c:1 x", " #error ccparse prog.c:1 x", "#error", "#error ccparse",
                             "#error ccparse prog.c no colon", "#error X(never closed prog.c:3 message"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseErrorLine(text));
    }
    EXPECT_TRUE(vesk::IsErrorLine("#errors are lines too"));
}

TEST(ErrorLineTest, TargetLine) {
    ErrorLine e;
    for (auto [line, shown] : {std::pair{0, 1}, {-4, 1}, {7, 7}, {10, 10}, {11, 1}}) {
        e.line = line;
        EXPECT_EQ(vesk::target_line(e, 10), shown) << line;
    }
}

TEST(ErrorLineTest, SpansInDisplayColumns) {
    const std::string line = "\tif (x)\ty = 1;";  // tabs of 8
    auto span = [&](const char* text) {
        vesk::DisplaySpan s = vesk::ErrorSpan(*ParseErrorLine(text), line, 8);
        return std::pair{s.start, s.end};
    };
    // "(4+2)" and "(6-2)" select the same two characters: "x)".
    EXPECT_EQ(span("#error c p.c:1(5+2) m"), (std::pair{12, 14}));
    EXPECT_EQ(span("#error c p.c:1(7-2) m"), (std::pair{12, 14}));
    // The tab at 7 reaches to column 16.
    EXPECT_EQ(span("#error c p.c:1(6+2) m"), (std::pair{13, 16}));
    EXPECT_EQ(span("#error c p.c:1(1) m"), (std::pair{8, 9}));
    // No column, or column 0: the whole line.
    EXPECT_EQ(span("#error c p.c:1 m"), (std::pair{0, 22}));
    EXPECT_EQ(span("#error c p.c:1(0+3) m"), (std::pair{0, 22}));
    // A span past the end stays within the line.
    EXPECT_EQ(span("#error c p.c:1(12+50) m"), (std::pair{20, 22}));
    EXPECT_EQ(span("#error c p.c:1(400+2) m"), (std::pair{22, 22}));
    EXPECT_EQ(span("#error c p.c:1(99999999999999999999+99999999999999) m"), (std::pair{22, 22}));
    vesk::DisplaySpan s = vesk::ErrorSpan(*ParseErrorLine("#error c p.c:1(2+2) m"), "", 8);
    EXPECT_EQ(s.start, 0);
    EXPECT_EQ(s.end, 0);
}

// What the passes, the driver and the linker really write names the file
// and line of the fault.
class RealDiagnosticsTest : public vesk_test::ProjectFixture {
protected:
    std::vector<ErrorLine> run(const std::string& program, const std::string& args) {
#ifdef _WIN32
        std::string path = std::string(VY_BIN_DIR) + "\\" + program + ".exe";
        vytest::system("\"\"" + path + "\" " + args + " >out.txt 2>err.txt\"");
#else
        vytest::system("'" + std::string(VY_BIN_DIR) + "/" + program + "' " + args + " >out.txt 2>err.txt");
#endif
        std::vector<ErrorLine> found;
        std::vector<std::string> lines;
        vesk::read_lines("err.txt", lines);
        for (const std::string& l : lines)
            if (auto e = ParseErrorLine(l)) found.push_back(*e);
        return found;
    }
};

TEST_F(RealDiagnosticsTest, FileAndLineAsNamed) {
    write("bad.c", "int a;\nint b\nint c;\n");
    write("u.c", "int main(void)\n{\n    return\tundefined_thing;\n}\n");
    write("bad.s", " nop\n bogus 1\n");
    write("bad.lkf", "+seg .text -b0x8000\n+frob\n");
    struct Case {
        const char* program;
        const char* args;
        const char* file;
        std::int32_t line;
    } cases[] = {
        {"ccparse", "-o bad.ir bad.c", "bad.c", 3},
        {"cc11", "-x bad.c", "bad.c", 3},
        {"ccasm", "-o bad.o bad.s", "bad.s", 2},
        {"lomar", "-o x.h11 bad.lkf", "bad.lkf", 2},
        {"ccparse", "-o u.ir u.c", "u.c", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        std::vector<ErrorLine> errors = run(c.program, c.args);
        ASSERT_FALSE(errors.empty()) << read("err.txt");
        EXPECT_EQ(errors[0].program, c.program == std::string("cc11") ? "ccparse" : c.program);
        EXPECT_EQ(errors[0].file, c.file);
        EXPECT_EQ(errors[0].line, c.line);
    }
    // The span of the undefined name on its line, the tab expanded.
    ErrorLine e = run("ccparse", "-o u.ir u.c").at(0);
    ASSERT_TRUE(e.has_column);
    vesk::DisplaySpan span = vesk::ErrorSpan(e, "    return\tundefined_thing;", 8);
    EXPECT_EQ(span.start, 16);
    EXPECT_EQ(span.end, 16 + 15);
}

}  // namespace
