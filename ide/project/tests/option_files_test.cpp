// Option-description files: the chain order, the page letters, marking from
// a command text, the rejected lines and the start-up load.
#include "ide/project/option_files.h"
#include "ide/project/project_text.h"
#include "project_fixture.h"

namespace {

using vesk::OptionSet;

class OptionFilesTest : public vesk_test::ProjectFixture {};

TEST_F(OptionFilesTest, OptionsStandInChainOrderWithLowerCasePages) {
    write("COMP11.OPT", "cc11 -x\r\ng,-o1,Optimise,1\r\ng,-o2,More,2\r\nG,-v,   Verbose,-7 trailing\r\n");
    OptionSet set;
    ASSERT_EQ(vesk::LoadOptionFile(set, "COMP11.OPT"), 1);
    EXPECT_EQ(vesk::OptionSetText(set),
              "header: cc11 -x\n"
              "  g,-v,Verbose,-7\n"
              "  g,-o2,More,2\n"
              "  g,-o1,Optimise,1\n"
              "command: cc11 -x\n");
}

TEST_F(OptionFilesTest, AHeaderOnlyFileHasNoOptions) {
    write("COMP11.OPT", "cc11 -x");
    OptionSet set;
    ASSERT_EQ(vesk::LoadOptionFile(set, "COMP11.OPT"), 1);
    EXPECT_TRUE(set.Options.empty());
    EXPECT_EQ(vesk::CommandString(set), "cc11 -x");
}

TEST_F(OptionFilesTest, MarkingSelectsTheFirstMatchInChainOrderOfThePage) {
    write("ASM11.OPT", "ccasm\ng,-o1,Optimise,1\nl,-l,Listing,2\nm,-l,Also listing,3\n");
    OptionSet set;
    ASSERT_EQ(vesk::LoadOptionFile(set, "ASM11.OPT"), 1);
    // Chain order: m -l, l -l, g -o1.
    vesk::MarkOptions("-o1  -o1 -x", set, 0);
    EXPECT_EQ(vesk::CommandString(set), "ccasm -o1");
    vesk::MarkOptions("ccasm\t-l\x01-o1", set, 0);
    EXPECT_EQ(vesk::OptionSetText(set),
              "header: ccasm\n"
              "* m,-l,Also listing,3\n"
              "  l,-l,Listing,2\n"
              "* g,-o1,Optimise,1\n"
              "command: ccasm -l -o1\n");
    // One page: the others keep their marks; matching is case-sensitive.
    vesk::MarkOptions("-l -O1", set, 'l');
    EXPECT_EQ(vesk::CommandString(set), "ccasm -l -l -o1");
}

TEST_F(OptionFilesTest, TeskLinesHaveNoPageAndNoCheck) {
    write("TESK.OPT", "tesk\n-h,Header,1\n\nnocomma\n");
    OptionSet set;
    ASSERT_EQ(vesk::LoadToolOptionFile(set, "TESK.OPT"), 1);
    ASSERT_EQ(set.Options.size(), 3u);
    EXPECT_EQ(set.Options[0].Option, "nocomma");
    EXPECT_EQ(set.Options[2].Page, 0);
    vesk::MarkOptions("tesk -h", set, 0);
    EXPECT_EQ(vesk::CommandString(set), "tesk -h");
}

TEST_F(OptionFilesTest, AMalformedLineEndsTheProgramWithCode3) {
    struct Bad {
        const char* line;
    } bad[] = {{""}, {"g"}, {"g-o1,Optimise,1"}, {"g,-o1"}, {"g,-o1,Optimise"}};
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.line);
        write("COMP11.OPT", std::string("cc11\ng,-a,A,1\n") + b.line + "\ng,-b,B,2\n");
        frame.messages.clear();
        OptionSet set;
        int code = 0;
        try {
            vesk::LoadOptionFile(set, "COMP11.OPT");
        } catch (const vesk_test::ProgramEnd& end) {
            code = end.code;
        }
        EXPECT_EQ(code, 3);
        ASSERT_EQ(frame.messages.size(), 1u);
        EXPECT_EQ(frame.messages[0], std::string("Error: INCORRECT OPTIONS: ") + b.line + " IN FILE: COMP11.OPT");
    }
}

TEST_F(OptionFilesTest, AMissingOrEmptyFileIsNotLoaded) {
    OptionSet set;
    EXPECT_EQ(vesk::LoadOptionFile(set, "ASM11.OPT"), 0);
    write("ASM11.OPT", "");
    EXPECT_EQ(vesk::LoadOptionFile(set, "ASM11.OPT"), 0);
}

// The start-up load stops at the first file missing, in order, with its message.
TEST_F(OptionFilesTest, StartUpLoadNamesTheFirstMissingFile) {
    struct Step {
        const char* file;
        const char* missing;
    } steps[] = {
        {"ASM11.OPT", "Missing Asm Options File"},
        {"COMP11.OPT", "Missing Compiler Options File"},
        {"6811LKF.LKF", "Missing Linker Config File"},
        {"TESK.OPT", "Missing Tesk Options File"},
    };
    for (const Step& s : steps) {
        frame.messages.clear();
        EXPECT_EQ(vesk::LoadOptionFiles(), 0);
        EXPECT_EQ(frame.messages, std::vector<std::string>{std::string("Error: ") + s.missing});
        write(s.file, "header\n");
    }
    frame.messages.clear();
    EXPECT_EQ(vesk::LoadOptionFiles(), 1);
    EXPECT_TRUE(frame.messages.empty());
}

// Damaged files: bytes of every kind, very long lines, no line ends.
TEST_F(OptionFilesTest, DamagedFilesNeverCrashTheReaders) {
    std::string junk;
    for (int i = 0; i < 4000; ++i) junk += static_cast<char>((i * 37 + 11) % 256);
    std::string long_line = "g," + std::string(100000, 'x') + "," + std::string(50000, 'y') + ",99999999999999999999";
    for (const std::string& text : {junk, std::string("h\n") + long_line, std::string("\r\r\r"), std::string("\0g,\0", 5)}) {
        write("X.OPT", text);
        OptionSet set;
        try {
            vesk::LoadOptionFile(set, "X.OPT");
        } catch (const vesk_test::ProgramEnd&) {
        }
        vesk::LoadToolOptionFile(set, "X.OPT");
        vesk::MarkOptions(text, set, 0);
    }
    write("X.OPT", std::string("h\n") + long_line);
    OptionSet set;
    ASSERT_EQ(vesk::LoadOptionFile(set, "X.OPT"), 1);
    ASSERT_EQ(set.Options.size(), 1u);
    EXPECT_EQ(set.Options[0].Option.size(), 100000u);
    EXPECT_EQ(set.Options[0].Label.size(), 50000u);
}

}  // namespace
