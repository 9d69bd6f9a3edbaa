// The debug description in the intermediate file itself: type words stand
// most significant byte first, the classes of parameters, file names with
// and without their directory, the names a function uses, and the
// description of an included file, which never lands inside a definition.
// (The chain tests load it into the debugger.)
#include "ccparse/tests/front_harness.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using vytest::FrontRun;

std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s += static_cast<char>(b);
    return s;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

// The records from the one that contains `from` on, `count` of them.
std::string records_from(const FrontRun& run, const std::string& from, std::size_t count) {
    auto it = std::find_if(run.ir.begin(), run.ir.end(), [&](const std::string& l) { return l.find(from) != std::string::npos; });
    std::string out;
    for (std::size_t i = 0; it != run.ir.end() && i < count; ++i, ++it) out += *it + "\n";
    return out;
}

TEST(DebugDescription, TypeWordsStandMostSignificantByteFirst) {
    FrontRun run = vytest::compile("int **p;\nchar a[10];\n", {"-x"});
    ASSERT_EQ(run.status, 0) << run.errors;
    // int ** is 0x50000018, char[10] 0xC0000008 with its count 10.
    EXPECT_NE(run.output.find(bytes({137, 4, 0x50, 0, 0, 0x18})), std::string::npos);
    EXPECT_NE(run.output.find(bytes({137, 4, 0xC0, 0, 0, 0x08})), std::string::npos);
    EXPECT_NE(run.output.find(bytes({137, 4, 10, 0, 0, 0})), std::string::npos);
}

TEST(DebugDescription, ParametersTheirClassesAndPlaces) {
    // A structure result sends the first parameter to the stack (class 2,
    // not 7); a union result too, and its parameters lie two bytes further,
    // which the debugger adds for structures only.
    struct Case {
        const char* source;
        const char* param;
        int cls;
        int value;
    };
    const Case cases[] = {
        {"int f(int x) { return x; }", "x", 7, 0},
        {"int f(int x, long y) { return x; }", "y", 2, 2},
        {"struct s { int a; } f(int x) { struct s v; v.a = x; return v; }", "x", 2, 0},
        {"union u { int a; } f(int x) { union u v; v.a = x; return v; }", "x", 2, 2},
        {"double f(int x) { return x; }", "x", 2, 0},
        {"int f(float x) { return x; }", "x", 2, 0},
        {"int f(struct t { int a, b; } x) { return x.a; }", "x", 2, 0},
        {"@nostack int f(int x) { return x; }", "x", 15, 0},
        {"@nostack int f(int x, int y) { return y; }", "y", 14, 2},
    };
    for (const Case& c : cases) {
        FrontRun run = vytest::compile(c.source, {"-x"});
        ASSERT_EQ(run.status, 0) << c.source << run.errors;
        std::string name = std::string("148 string n=1 \"") + c.param + "\"";
        char cls[64];
        std::snprintf(cls, sizeof cls, "137 int size=1 value=0x%08x", c.cls);
        EXPECT_EQ(records_from(run, name, 2), name + "\n" + cls + "\n") << c.source;
        // Its entry: the link to its name, then its place.
        std::string all = joined(run.ir);
        std::size_t label_at = all.find(name);
        ASSERT_NE(label_at, std::string::npos);
        std::string label_line = all.substr(all.rfind("213 debug-label", label_at));
        std::string number = label_line.substr(label_line.find("num=") + 4);
        number = number.substr(0, number.find('\n'));
        std::string link = "200 address4 name=- num=" + number + " offset=0\n";
        std::size_t entry_at = all.find(link, label_at);
        ASSERT_NE(entry_at, std::string::npos) << c.source;
        std::string place = all.substr(entry_at + link.size(), all.find('\n', entry_at + link.size()) - entry_at - link.size());
        if (c.cls >= 14) {
            // The static block of the stackless function, at the parameter's offset.
            EXPECT_EQ(place, "200 address4 name=\"f.L\" num=0 nattr=0x81 offset=" + std::to_string(c.value)) << c.source;
        } else {
            char value[64];
            std::snprintf(value, sizeof value, "137 int size=4 value=0x%08x", c.value);
            EXPECT_EQ(place, value) << c.source;
        }
    }
}

TEST(DebugDescription, FileNamesWithAndWithoutTheirDirectory) {
    vytest::TempDir dir;
    std::filesystem::create_directories(dir.path() / "src");
    dir.write("src/t.c", "int v;\nint f(void) { return v; }\n");
    FrontRun run = vytest::run_front(dir, {"-x", "-o", "t.ir", "src/t.c"});
    ASSERT_EQ(run.status, 0) << run.errors;
    std::string all = joined(run.ir);
    EXPECT_NE(all.find("215 debug-file model=0 name=\"t.c\\x00src/\""), std::string::npos) << all;
    EXPECT_NE(all.find("148 string n=8 \"t.c\\x00src/\""), std::string::npos);
    EXPECT_NE(all.find("214 debug-function model=0 name=\"t.c~f\""), std::string::npos);
    run = vytest::run_front(dir, {"-x", "-xp", "-o", "t.ir", "src/t.c"});
    ASSERT_EQ(run.status, 0) << run.errors;
    all = joined(run.ir);
    EXPECT_NE(all.find("215 debug-file model=0 name=\"t.c\" "), std::string::npos) << all;
    EXPECT_NE(all.find("214 debug-function model=0 name=\"t.c~f\""), std::string::npos);
    EXPECT_EQ(all.find("src/"), std::string::npos);
}

TEST(DebugDescription, TheNamesAFunctionUses) {
    FrontRun run = vytest::compile(
        "int g(int); int h(void); int x, y; static int s;\n"
        "int f(void) { static int t; int local; local = g(x) + h() + g(y); s = t + local; return s; }\n",
        {"-x"});
    ASSERT_EQ(run.status, 0) << run.errors;
    // The reference node: the called functions at its first word, the
    // variables at its second.
    std::string node = records_from(run, "187 used \"g\"", 7);
    EXPECT_EQ(node,
              "187 used \"g\"\n187 used \"h\"\n137 int size=4 value=0x00000002\n"
              "187 used \"x\"\n187 used \"y\"\n187 used \"s\"\n187 used \"t\"\n")
        << joined(run.ir);
    EXPECT_NE(records_from(run, "187 used \"t\"", 2).find("137 int size=4 value=0x00000004"), std::string::npos);
}

TEST(DebugDescription, AnIncludedFileEndsBetweenDefinitions) {
    vytest::TempDir dir;
    // The header ends inside the initialiser of the main file.
    dir.write("h.h", "int hv;\nint arr[] = {1,\n");
    dir.write("t.c", "#include \"h.h\"\n2, 3};\nint mv;\nint f(void) { return hv + mv; }\n");
    FrontRun run = vytest::run_front(dir, {"-x", "-o", "t.ir", "t.c"});
    ASSERT_EQ(run.status, 0) << run.errors;
    std::string all = joined(run.ir);
    std::size_t data = all.find("131 declare model=0 name=\"arr\"");
    std::size_t data_end = all.find("210 end-data", data);
    ASSERT_NE(data_end, std::string::npos);
    std::string inside = all.substr(data, data_end - data);
    EXPECT_EQ(inside.find("213 "), std::string::npos) << inside;
    EXPECT_EQ(inside.find("200 "), std::string::npos) << inside;
    // Each file has its description: the header's before the main file's.
    std::size_t header = all.find("215 debug-file model=0 name=\"h.h\"");
    std::size_t main = all.find("215 debug-file model=0 name=\"t.c\"");
    ASSERT_NE(header, std::string::npos);
    ASSERT_NE(main, std::string::npos);
    EXPECT_LT(header, main);
    EXPECT_GT(header, data_end);
    // The header's variables are its own, the main file's its own.
    EXPECT_NE(all.find("148 string n=2 \"hv\"", header), std::string::npos);
    EXPECT_NE(all.find("148 string n=3 \"arr\"", header), std::string::npos);
    EXPECT_LT(all.find("148 string n=3 \"arr\"", header), main);
    EXPECT_NE(all.find("148 string n=2 \"mv\"", main), std::string::npos);
}

}  // namespace
