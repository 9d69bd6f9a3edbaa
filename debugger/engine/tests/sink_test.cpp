// The output sink: the two captures, the command window and AUTOCMD.
#include <cstring>
#include <string>

#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/headless.h"
#include "debugger/engine/sink.h"
#include "debugger/target/output.h"
#include "debugger/target/services.h"
#include "engine_fixture.h"

namespace vy {
namespace {

using Sink = EngineTest;

void out(const char* text) { WinOutput(text, static_cast<uint32_t>(std::strlen(text))); }

TEST_F(Sink, TwoCapturesInOneMessageLieOneAfterTheOther) {
    char* first = WinitFakeIo();
    out("one");
    dbputs({"+", "1"});
    WinStopFakeIo();
    char* second = WinitFakeIo();
    out("two");
    WinStopFakeIo();
    EXPECT_NE(first, second);
    EXPECT_STREQ(first, "one+1");
    EXPECT_STREQ(second, "two");
    EXPECT_EQ(shown(), "");
    out("window");
    EXPECT_EQ(shown(), "window");
    EXPECT_STREQ(second, "two");   // readable until the next reset
    WinSetFakeIo();
    EXPECT_STREQ(capture1.storage, "");
}

TEST_F(Sink, CaptureTwoWinsOverCaptureOne) {
    char* one = WinitFakeIo();
    char* two = WinStartFakeIo2();
    out("monitor");
    WinStopFakeIo2();
    out("value");
    WinStopFakeIo();
    EXPECT_STREQ(two, "monitor");
    EXPECT_STREQ(one, "value");
    // Starting capture 2 again empties it.
    two = WinStartFakeIo2();
    EXPECT_STREQ(two, "");
    WinStopFakeIo2();
}

TEST_F(Sink, ACaptureIsCutAtTheEndOfItsStorageAndStaysEnded) {
    std::string big(30000, 'x');
    char* text = WinitFakeIo();
    WinOutput(big.data(), static_cast<uint32_t>(big.size()));
    out("more");
    EXPECT_EQ(std::strlen(text), CAPTURESIZE - 2);   // one NUL before it, one after
    char* next = WinitFakeIo();
    out("lost");
    EXPECT_STREQ(next, "");
    EXPECT_EQ(std::strlen(text), CAPTURESIZE - 2);
    WinStopFakeIo();
    WinSetFakeIo();
    text = WinitFakeIo();
    out("room again");
    EXPECT_STREQ(text, "room again");
    WinStopFakeIo();
}

TEST_F(Sink, AClosedCommandWindowDropsOutputUnlessAutocmdOpensIt) {
    headless.cmdwindowopen = false;
    out("dropped");
    EXPECT_EQ(headless.cmdwindow, "");
    EXPECT_EQ(headless.cmdwindowopened, 0);
    AutoCmd = true;
    out("shown");
    EXPECT_EQ(headless.cmdwindowopened, 1);
    EXPECT_EQ(shown(), "shown");
}

TEST_F(Sink, RedirectedOutputIsWrittenWhetherOrNotTheWindowIsOpen) {
    ASSERT_EQ(setoutput("o.out", false), 1);
    out("seen\n");
    headless.cmdwindowopen = false;
    out("unseen\n");
    setoutput("", false);
    out("after\n");
    EXPECT_EQ(lflines(read("o.out")), "seen\nunseen\n");
}

TEST_F(Sink, LongOutputReachesTheWindowWholeInPieces) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += std::to_string(i) + ",";
    WinOutput(text.data(), static_cast<uint32_t>(text.size()));
    EXPECT_EQ(shown(), text);
}

TEST_F(Sink, FormattedOutputOfTheTargetModelReachesTheSink) {
    outprintf("A: 0x%hl(%l)\n", 0x1234, 4660);
    EXPECT_EQ(shown(), "A: 0x1234(4660)\n");
    char* text = WinitFakeIo();
    cmdprintf("T: 0x%hl\n", 0x8000);   // forced to the command window
    WinStopFakeIo();
    EXPECT_STREQ(text, "");
    EXPECT_EQ(shown(), "T: 0x8000\n");
}

}  // namespace
}  // namespace vy
