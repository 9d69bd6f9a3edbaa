// The option parser against the descriptors of the C front end.
#include "ccparse/toolkit/tests/tool_harness.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

using vytest::Args;
using vytest::ToolHarness;

// The options of the C front end, in their order.
struct FrontOptions {
    int ck = 0, e = 0, f = 0, l = 0, md = 0, m = 0, nc = 0, ne = 0, np = 0, nw = 0, p = 0, rb = 0,
        sa = 0, s = 0, u = 0, xd = 0, xp = 0, xx = 0, x = 0, hidden = 0, processor = -1;
    const char* error_file = nullptr;
    const char* output = nullptr;
    vy::OptionList defines{60}, headers{60}, includes{60};

    std::vector<vy::OptionDescriptor> table() {
        return {
            {"ck   extra type checkings", &ck},
            {"d*>  define symbol=value", &defines},
            {"e    run preprocessor only", &e},
            {"+e*   error file name", &error_file},
            {"f    single precision floats", &f},
            {"h*>  include header", &headers},
            {"i*>  include path", &includes},
            {"l    output line information", &l},
            {"md   make dependencies", &md},
            {"m#   model configuration", &m},
            {"nc   no const replacement", &nc},
            {"ne   no enum optimization", &ne},
            {"np   allow pointer narrowing", &np},
            {"nw   do not widen arguments", &nw},
            {"o*   output file name", &output},
            {"p    need prototypes", &p},
            {"rb   reverse bitfield order", &rb},
            {"sa   strict ansi conformance", &sa},
            {"s    do not reorder locals", &s},
            {"u    plain char is unsigned", &u},
            {"xd   debug info for data", &xd},
            {"xp   no path in debug info", &xp},
            {"xx   extended debug info", &xx},
            {"x    output debug info", &x},
            {"<zz  hidden switch", &hidden},
            {"t?   processor type", &processor},
        };
    }
};

struct Outcome {
    std::optional<int> status;  // set when the program ended
    std::string errors;
    std::vector<std::string> rest;  // the words left on return
    std::unique_ptr<Args> args;     // keeps the option texts alive
};

Outcome parse(FrontOptions& options, std::vector<std::string> words, const char* tail = "file") {
    ToolHarness harness;
    vy::version_text = "V4.3k";
    vy::date_text = "03 Jan 2002";
    words.insert(words.begin(), "ccparse");
    Outcome outcome;
    outcome.args = std::make_unique<Args>(std::move(words));
    int argc = outcome.args->argc();
    char** argv = outcome.args->argv();
    auto table = options.table();
    try {
        vy::parse_command_line(argc, argv, "68HC11 C Cross Compiler", tail, table);
        for (int i = 0; i < argc; ++i) outcome.rest.emplace_back(argv[i]);
    } catch (const vy::ToolExit& exit) {
        outcome.status = exit.status;
    }
    outcome.errors = harness.errors();
    return outcome;
}

const char* const front_usage =
    "Talvex Software 68HC11 C Cross Compiler V4.3k\n"
    "usage: ccparse [options] file\n"
    "    -ck   extra type checkings\n"
    "    -d*>  define symbol=value\n"
    "    -e    run preprocessor only\n"
    "    +e*   error file name\n"
    "    -f    single precision floats\n"
    "    -h*>  include header\n"
    "    -i*>  include path\n"
    "    -l    output line information\n"
    "    -md   make dependencies\n"
    "    -m#   model configuration\n"
    "    -nc   no const replacement\n"
    "    -ne   no enum optimization\n"
    "    -np   allow pointer narrowing\n"
    "    -nw   do not widen arguments\n"
    "    -o*   output file name\n"
    "    -p    need prototypes\n"
    "    -rb   reverse bitfield order\n"
    "    -sa   strict ansi conformance\n"
    "    -s    do not reorder locals\n"
    "    -u    plain char is unsigned\n"
    "    -xd   debug info for data\n"
    "    -xp   no path in debug info\n"
    "    -xx   extended debug info\n"
    "    -x    output debug info\n"
    "    -t?   processor type\n";

TEST(ParseCommandLine, EmptyCommandLinePrintsUsage) {
    FrontOptions options;
    Outcome outcome = parse(options, {});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.errors, front_usage);
}

TEST(ParseCommandLine, HelpAndVersionEndTheProgram) {
    const char* const version = "Talvex Software 68HC11 C Cross Compiler V4.3k - 03 Jan 2002 - Win32\n";
    struct Case {
        std::vector<std::string> words;
        const char* errors;
    } cases[] = {
        {{"-help"}, front_usage},
        {{"-helpme", "a.c"}, front_usage},
        {{"-x", "-vers"}, version},
        {{"-version"}, version},
    };
    for (const Case& c : cases) {
        FrontOptions options;
        Outcome outcome = parse(options, c.words);
        EXPECT_EQ(outcome.status, 1) << c.words[0];
        EXPECT_EQ(outcome.errors, c.errors) << c.words[0];
    }
}

TEST(ParseCommandLine, OptionsOnlyReturnWithNoWordLeft) {
    FrontOptions options;
    Outcome outcome = parse(options, {"-x"});
    EXPECT_FALSE(outcome.status);
    EXPECT_TRUE(outcome.rest.empty());
    EXPECT_EQ(options.x, 1);
}

TEST(ParseCommandLine, Numbers) {
    struct Case {
        std::vector<std::string> words;
        int value;
        std::vector<std::string> rest;
    } cases[] = {
        {{"-m"}, 0, {}},
        {{"-m", "12", "a.c"}, 12, {"a.c"}},
        {{"-m0x1F"}, 31, {}},
        {{"-m010"}, 8, {}},
        {{"-m09"}, 9, {}},
        {{"-m", "-5"}, -5, {}},
        {{"-m3", "-m7"}, 7, {}},
    };
    for (const Case& c : cases) {
        FrontOptions options;
        Outcome outcome = parse(options, c.words);
        EXPECT_FALSE(outcome.status) << c.words[0];
        EXPECT_EQ(options.m, c.value) << c.words[0];
        EXPECT_EQ(outcome.rest, c.rest) << c.words[0];
    }
}

TEST(ParseCommandLine, InvalidNumberShowsTextUpToTheFirstBadCharacter) {
    struct Case {
        std::vector<std::string> words;
        const char* errors;
    } cases[] = {
        {{"-m12k"}, "invalid number: 12k\n"},
        {{"-m", "12kz"}, "invalid number: 12k\n"},
        {{"-m", "-x"}, "invalid number: -x\n"},
    };
    for (const Case& c : cases) {
        FrontOptions options;
        Outcome outcome = parse(options, c.words);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.errors, c.errors);
    }
}

TEST(ParseCommandLine, ListsFillFromTheTopAndOverflow) {
    FrontOptions options;
    Outcome outcome = parse(options, {"-dA", "-d", "B=2", "-dC", "x.c"});
    EXPECT_FALSE(outcome.status);
    EXPECT_EQ(options.defines.free_slots(), 57);
    EXPECT_STREQ(options.defines.slot(60), "A");
    EXPECT_STREQ(options.defines.slot(59), "B=2");
    EXPECT_STREQ(options.defines.slot(58), "C");
    EXPECT_EQ(options.defines.newest_first(), (std::vector<const char*>{options.defines.slot(58),
                                                                      options.defines.slot(59),
                                                                      options.defines.slot(60)}));
    EXPECT_EQ(outcome.rest, std::vector<std::string>{"x.c"});

    std::vector<std::string> many;
    for (int i = 0; i < 61; ++i) many.push_back("-dN" + std::to_string(i));
    FrontOptions full;
    outcome = parse(full, many);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.errors, "argument list overflow\n");
    EXPECT_EQ(full.defines.free_slots(), 0);
}

TEST(ParseCommandLine, FlagsCombineAndLongerNamesComeFirst) {
    FrontOptions options;
    EXPECT_FALSE(parse(options, {"-xl", "-x", "-sau", "f.c"}).status);
    EXPECT_EQ(options.x, 1);
    EXPECT_EQ(options.l, 1);
    EXPECT_EQ(options.sa, 1);
    EXPECT_EQ(options.u, 1);
    EXPECT_EQ(options.s, 0);
    EXPECT_EQ(options.xd + options.xp + options.xx, 0);

    FrontOptions more;
    EXPECT_FALSE(parse(more, {"-xdxp", "-md", "-zz"}).status);
    EXPECT_EQ(more.xd, 1);
    EXPECT_EQ(more.xp, 1);
    EXPECT_EQ(more.md, 1);
    EXPECT_EQ(more.m, 0);
    EXPECT_EQ(more.hidden, 1);
}

TEST(ParseCommandLine, TextsAndCharacters) {
    FrontOptions options;
    Outcome outcome = parse(options, {"+e", "err.txt", "-oout.ir", "-o", "last.ir", "-t3", "f.c"});
    EXPECT_FALSE(outcome.status);
    EXPECT_STREQ(options.error_file, "err.txt");
    EXPECT_STREQ(options.output, "last.ir");
    EXPECT_EQ(options.processor, '3');

    FrontOptions bare;
    outcome = parse(bare, {"-t", "-o"});
    EXPECT_FALSE(outcome.status);
    EXPECT_EQ(bare.processor, 0);
    EXPECT_STREQ(bare.output, "");
}

TEST(ParseCommandLine, UnknownOptions) {
    struct Case {
        std::vector<std::string> words;
        const char* errors;
    } cases[] = {
        {{"+q"}, "ccparse: unknown option +q\n"},
        {{"-q", "a.c"}, "ccparse: unknown option -q\n"},
        {{"-xq"}, "ccparse: unknown option -q\n"},
        {{"-xdk"}, "ccparse: unknown option -k\n"},
    };
    for (const Case& c : cases) {
        FrontOptions options;
        Outcome outcome = parse(options, c.words);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.errors, c.errors);
    }
}

TEST(ParseCommandLine, DashAloneStaysAndDoubleDashIsRemoved) {
    FrontOptions options;
    Outcome outcome = parse(options, {"-x", "-", "-l"});
    EXPECT_EQ(outcome.rest, (std::vector<std::string>{"-", "-l"}));
    EXPECT_EQ(options.l, 0);

    FrontOptions after;
    outcome = parse(after, {"--", "-l", "+e"});
    EXPECT_FALSE(outcome.status);
    EXPECT_EQ(outcome.rest, (std::vector<std::string>{"-l", "+e"}));
    EXPECT_EQ(after.l, 0);

    // "--" is not an option: with nothing after it the usage is shown.
    FrontOptions alone;
    outcome = parse(alone, {"--"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.errors, front_usage);
}

TEST(ParseCommandLine, TolerantParserStopsAtUnknownOption) {
    FrontOptions options;
    Outcome outcome = parse(options, {"-x", "-q", "-l"}, nullptr);
    EXPECT_FALSE(outcome.status);
    EXPECT_EQ(outcome.rest, (std::vector<std::string>{"-q", "-l"}));
    EXPECT_EQ(options.x, 1);
    EXPECT_EQ(options.l, 0);

    FrontOptions empty;
    outcome = parse(empty, {}, nullptr);
    EXPECT_FALSE(outcome.status);
    EXPECT_TRUE(outcome.rest.empty());
}

TEST(ParseCommandLine, UsageWithoutTailListsOnlyTheOptions) {
    ToolHarness harness;
    int flag = 0;
    vy::OptionDescriptor table[] = {{"a   all", &flag}, {"+b  plus", &flag}, {"<c  hidden", &flag}};
    EXPECT_EQ(vy::usage_text("T", nullptr, table), "    -a   all\n    +b  plus\n");
}

}  // namespace
