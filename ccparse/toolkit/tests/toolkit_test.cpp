// Program name, banner, numbers, directory lists, wildcards and allocation.
#include "ccparse/toolkit/tests/tool_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#else
#include <process.h>
#define getpid _getpid
#endif

namespace {

using vytest::Args;
using vytest::ToolHarness;

using vytest::set_env;

TEST(ProgramName, BaseNameUpToTheFirstDotInLowerCase) {
    struct Case {
        const char* word;
        const char* name;
    } cases[] = {
        {"ccparse", "ccparse"},
        {"./ccparse", "ccparse"},
        {"CCPARSE.EXE", "ccparse"},
        {"C:\\Tools\\Bin\\CcAsm.exe", "ccasm"},
        {"/opt/v1.2/bin/ccopt", "ccopt"},
        {"mixed/dir\\ccgen.old.exe", "ccgen"},
        {"", ""},
    };
    for (const Case& c : cases) {
        vy::setprogname(c.word);
        EXPECT_STREQ(vy::progname(), c.name) << c.word;
    }
}

TEST(Banner, TitleAndVersionTexts) {
    struct Case {
        const char* title;
        const char* version;
        const char* date;
        const char* banner;
        const char* line;
    } cases[] = {
        {"68HC11 C Cross Compiler", "V4.3k", "03 Jan 2002",
         "Talvex Software 68HC11 C Cross Compiler V4.3k",
         "Talvex Software 68HC11 C Cross Compiler V4.3k - 03 Jan 2002 - Win32\n"},
        {" Optimizer", nullptr, nullptr, "Talvex Software Optimizer",
         "Talvex Software Optimizer - Win32\n"},
        {nullptr, "V1", nullptr, "Talvex Software V1", "Talvex Software V1 - Win32\n"},
        {nullptr, nullptr, "1 May", "Talvex Software", "Talvex Software - 1 May - Win32\n"},
    };
    for (const Case& c : cases) {
        vy::version_text = c.version;
        vy::date_text = c.date;
        EXPECT_EQ(vy::banner_text(c.title), c.banner);
        EXPECT_EQ(vy::version_line(c.title), c.line);
    }
    vy::version_text = vy::date_text = nullptr;
}

TEST(GetNum, BasesSignsAndStopPosition) {
    struct Case {
        const char* text;
        int base;
        std::int32_t value;
        int used;
    } cases[] = {
        {"  -0x1F", 1, -31, 7},
        {"0X1fz", 1, 31, 4},
        {"017", 1, 15, 3},
        {"09", 1, 9, 2},  // a decimal digit counts whatever the base
        {"0", 1, 0, 1},
        {"+12k", 1, 12, 3},
        {"ff", 16, 255, 2},
        {"0xff", 16, 255, 4},
        {"ff", 10, 0, 0},
        {"101", 2, 5, 3},
        {"4294967295", 10, -1, 10},
        {"4294967296", 10, 0, 10},  // 32-bit wrap, no trap
        {"", 1, 0, 0},
        {"-", 1, 0, 1},
    };
    for (const Case& c : cases) {
        std::int32_t value = 99;
        const char* end = vy::getnum(c.text, &value, c.base);
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(end - c.text, c.used) << c.text;
    }
}

TEST(EnvPaths, SplitsAtSemicolonsAndDropsTrailingBackslash) {
    ToolHarness harness;
    struct Case {
        const char* value;
        std::vector<std::string> dirs;
    } cases[] = {
        {"a\\;;b", {"a", "", "b"}},
        {";x;", {"", "x"}},
        {"c:\\inc\\;d/", {"c:\\inc", "d"}},
        {"\\", {""}},
    };
    for (const Case& c : cases) {
        set_env("VYTEST_PATHS", c.value);
        vy::OptionList list(60);
        vy::envpaths(list, "VYTEST_PATHS");
        std::vector<std::string> dirs;
        for (const char* dir : list.oldest_first()) dirs.emplace_back(dir);
        EXPECT_EQ(dirs, c.dirs) << c.value;
    }
    set_env("VYTEST_PATHS", nullptr);
    vy::OptionList list(60);
    vy::envpaths(list, "VYTEST_PATHS");
    EXPECT_EQ(list.size(), 0);
}

TEST(EnvPaths, FullListEndsTheProgram) {
    ToolHarness harness;
    set_env("VYTEST_PATHS", "a;b;c");
    vy::OptionList list(2);
    try {
        vy::envpaths(list, "VYTEST_PATHS");
        FAIL() << "no exit";
    } catch (const vy::ToolExit& exit) {
        EXPECT_EQ(exit.status, 1);
    }
    EXPECT_EQ(harness.errors(), "too many pathnames\n");
    set_env("VYTEST_PATHS", nullptr);
}

class Wildcards : public ::testing::Test {
protected:
    void SetUp() override {
        // Unique per test and per run: parallel test processes must not share it.
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = std::filesystem::temp_directory_path() /
               ("vytoolkit-wild-" + std::string(info->name()) + "-" + std::to_string(stamp));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "sub.c");
        for (const char* name : {"a.c", "b.c", "c.h", "ab.s"}) std::ofstream(dir_ / name) << "x";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::vector<std::string> expand(std::vector<std::string> words) {
        Args args(std::move(words));
        int argc = args.argc();
        char** argv = args.argv();
        vy::expandwild(argc, argv);
        std::vector<std::string> out;
        for (int i = 0; i < argc; ++i) out.emplace_back(argv[i]);
        EXPECT_EQ(argv[argc], nullptr);
        return out;
    }

    std::string path(const char* name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

TEST_F(Wildcards, PatternsBecomeMatchingFilesWithTheirDirectory) {
    std::vector<std::string> out = expand({"-", path("*.c"), "x.s", path("?b.s")});
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[0], "-");
    std::vector<std::string> c_files = {out[1], out[2]};
    std::sort(c_files.begin(), c_files.end());
    EXPECT_EQ(c_files, (std::vector<std::string>{path("a.c"), path("b.c")}));
    EXPECT_EQ(out[3], "x.s");
    EXPECT_EQ(out[4], path("ab.s"));
}

TEST_F(Wildcards, NoMatchRemovesThePatternAndNoPatternKeepsTheArray) {
    EXPECT_EQ(expand({path("*.zz"), "k.c"}), std::vector<std::string>{"k.c"});

    Args args({"p.c", "q.c"});
    int argc = args.argc();
    char** argv = args.argv();
    vy::expandwild(argc, argv);
    EXPECT_EQ(argv, args.argv());
    EXPECT_EQ(argc, 2);
}

TEST_F(Wildcards, TooManyNamesEndsTheProgram) {
    ToolHarness harness;
    std::vector<std::string> words(127, "f.c");
    EXPECT_EQ(expand(words).size(), 127u);
    words.push_back(path("a.?"));
    try {
        expand(words);
        FAIL() << "no exit";
    } catch (const vy::ToolExit& exit) {
        EXPECT_EQ(exit.status, 1);
    }
    EXPECT_EQ(harness.errors(), "ccparse: too many expanded filenames\n");
}

TEST(ToolAlloc, ZeroedBlockWithLinkAndPop) {
    struct Node {
        Node* next;
        std::int32_t value[3];
    };
    auto* first = static_cast<Node*>(vy::toolalloc(sizeof(Node), nullptr));
    auto* second = static_cast<Node*>(vy::toolalloc(sizeof(Node), first));
    EXPECT_EQ(second->next, first);
    EXPECT_EQ(second->value[2], 0);
    void* small = vy::toolalloc(1, second);
    EXPECT_EQ(*static_cast<void**>(small), second);
    void* head = vy::toolfree(small, second);
    while (head) head = vy::toolfree(head, static_cast<Node*>(head)->next);
}

TEST(ToolAlloc, RunningOutOfMemoryIsADiagnosticLine) {
    vytest::ToolHarness harness("ccasm");
    auto ends = [&] {
        try {
            vy::nomemory();
        } catch (const vy::ToolExit& exit) {
            EXPECT_EQ(exit.status, 1);
        }
    };
    vy::set_input_name("");
    ends();
    EXPECT_EQ(harness.errors(), "#error ccasm ccasm:0 no memory\n");
    vytest::captured_errors().clear();
    vy::set_input_name(std::string("big\n.s", 6));
    ends();
    EXPECT_EQ(harness.errors(), "#error ccasm big\\x0a.s:0 no memory\n");
    vy::set_input_name("");
}

// A pass gives up its output or error file with `removefile`; a name that
// is a device or a directory must survive it (as root, removing /dev/null
// or /dev/full would break the machine).
TEST(RemoveFile, OnlyPlainFilesAreRemoved) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("vy_removefile_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::path plain = dir / "out.s";
    std::ofstream(plain) << "partial";
    EXPECT_TRUE(vy::removefile(plain.string().c_str()));
    EXPECT_FALSE(fs::exists(plain));
    EXPECT_FALSE(vy::removefile(plain.string().c_str()));  // gone already
    EXPECT_FALSE(vy::removefile(dir.string().c_str()));
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_FALSE(vy::removefile(""));
    EXPECT_FALSE(vy::removefile(nullptr));
#ifndef _WIN32
    fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.string().c_str(), 0600), 0);
    EXPECT_FALSE(vy::removefile(fifo.string().c_str()));
    EXPECT_TRUE(fs::exists(fifo));
#else
    EXPECT_FALSE(vy::removefile("NUL"));
#endif
    fs::remove_all(dir);
}

}  // namespace
