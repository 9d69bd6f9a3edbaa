// The small path and text helpers.
#include "ide/project/paths.h"
#include "project_fixture.h"

namespace {

using vesk::PATH_SEPARATOR;

std::string sep(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '/') c = PATH_SEPARATOR;
    return out;
}

class PathsTest : public vesk_test::ProjectFixture {};

TEST_F(PathsTest, NextPathName) {
    struct Row {
        const char* list;
        std::vector<std::string> names;
    } rows[] = {
        {"a;b\\", {sep("a/x.h"), "b\\x.h"}},
        {"|a", {"x.h", sep("a/x.h")}},
        {"a|b/;", {sep("a/x.h"), "b/x.h"}},
        {"a;;b", {sep("a/x.h"), "x.h", sep("b/x.h")}},
        {"", {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.list);
        std::vector<std::string> names;
        std::size_t pos = 0;
        while (auto n = vesk::nextpathname("x.h", r.list, pos)) names.push_back(*n);
        EXPECT_EQ(names, r.names);
    }
}

TEST_F(PathsTest, IncludeListPutsTheCurrentDirectoryFirstForQuotes) {
    EXPECT_EQ(vesk::includelist('"'), "");
    vesk::shared.IncludeSearch = "inc;lib";
    EXPECT_EQ(vesk::includelist('"'), "|inc;lib");
    EXPECT_EQ(vesk::includelist('<'), "inc;lib");
}

TEST_F(PathsTest, SmallTests) {
    EXPECT_FALSE(vesk::hassuffix(".c", ".c"));
    EXPECT_TRUE(vesk::hassuffix("a.c", ".c"));
    EXPECT_FALSE(vesk::hassuffix("a.C", ".c"));
    EXPECT_EQ(vesk::skipblanks("  \tx"), 3u);
    EXPECT_EQ(vesk::skipblanks("\xA0\x7Fx"), 2u);
    EXPECT_EQ(vesk::skipblanks("   "), 3u);
    EXPECT_TRUE(vesk::IsAbsolutePath("\\x"));
    EXPECT_TRUE(vesk::IsAbsolutePath("/x"));
    EXPECT_TRUE(vesk::IsAbsolutePath("c:x"));
    EXPECT_FALSE(vesk::IsAbsolutePath("x\\y"));
    EXPECT_TRUE(vesk::IsIdentChar('_'));
    EXPECT_TRUE(vesk::IsIdentChar('$'));
    EXPECT_TRUE(vesk::IsIdentChar('9'));
    EXPECT_FALSE(vesk::IsIdentChar('.'));
    EXPECT_FALSE(vesk::IsIdentChar(0xE9));
}

TEST_F(PathsTest, AppendExecPath) {
    vesk::ProjectRecord p;
    p.ExecName = "prog.h11";
    std::string text = "x ";
    vesk::AppendExecPath(text, p);
    EXPECT_EQ(text, "x prog.h11");
    p.Directory = "c:\\work\\";
    text.clear();
    vesk::AppendExecPath(text, p);
    EXPECT_EQ(text, "c:\\work\\prog.h11");
    p.Directory = "d";
    text.clear();
    vesk::AppendExecPath(text, p);
    EXPECT_EQ(text, sep("d/prog.h11"));
    p.ExecName = "c:\\out\\prog.h11";
    text.clear();
    vesk::AppendExecPath(text, p);
    EXPECT_EQ(text, "c:\\out\\prog.h11");
}

TEST_F(PathsTest, CreatePathMakesEveryLevel) {
    EXPECT_EQ(vesk::CreatePath(sep("a/b/c")), 1);
    EXPECT_TRUE(std::filesystem::is_directory("a/b/c"));
    EXPECT_EQ(vesk::CreatePath(sep("a/b/c/")), 1);
    EXPECT_EQ(vesk::CreatePath(path("x/y")), 1);
    EXPECT_TRUE(std::filesystem::is_directory("x/y"));
    write("file", "");
    EXPECT_EQ(vesk::CreatePath(sep("file/sub")), 0);
}

}  // namespace
