// Run control and the program commands in the engine itself: the stop
// request, and what the commands ask of the frame and the views.
#include <string>

#include "debugger/engine/commands.h"
#include "debugger/engine/headless.h"
#include "debugger/engine/run_control.h"
#include "debugger/engine/runstate.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "engine_fixture.h"

namespace vy {
namespace {

using RunControl = EngineTest;

// bra * at 0x8000: a run that only the stop request ends.
void endlessloop() {
    const uint8_t code[] = {0x20, 0xFE};
    wrblock(0x8000, code, sizeof code);
    setpc(0x8000);
}

TEST_F(RunControl, TheStopRequestEndsARunWithinOneInstruction) {
    endlessloop();
    for (const char* command : {"g", "tgo", "g 5000"}) {
        SCOPED_TRACE(command);
        headless.polls = 0;
        headless.stopafter = 1000;
        EXPECT_EQ(run(std::string(command) + "\n"), std::string(command) + "\n");
        // One poll for the command, then one per instruction: the run ended
        // at the instruction whose poll saw the request.
        EXPECT_EQ(headless.polls, 1000u);
        EXPECT_FALSE(running());
        EXPECT_FALSE(headless.running) << "the frame is back to stopped";
        EXPECT_EQ(headless.leftstatus, "Command");
        EXPECT_EQ(getpc(), 0x8000);
        // Outside the source the stopped free run goes on by instructions.
        EXPECT_EQ(InstrMode, std::string(command) != "g 5000");
    }
    // Without any source, s, so and finish step one instruction.
    for (const char* command : {"s", "so", "finish"}) {
        SCOPED_TRACE(command);
        headless.polls = 0;
        run(std::string(command) + "\n");
        EXPECT_EQ(headless.polls, 2u);
        EXPECT_TRUE(InstrMode);
    }
    headless.stopafter = 0;
}

TEST_F(RunControl, CountedStepsWithoutSource) {
    endlessloop();
    run("u $time = 0\ng 7\ns 4\n");
    EXPECT_EQ(*timeptr, 33u);   // eleven bra of 3 cycles
}

TEST_F(RunControl, ViewsThatTheCommandsToggleAndCall) {
    EXPECT_EQ(run("wregs\nwstack\ndisa\n"), "wregs\nwstack\ndisa\n");
    EXPECT_TRUE(headless.regwindow);
    EXPECT_TRUE(headless.stackwindow);
    EXPECT_TRUE(headless.asmpane);
    run("wregs\nwstack\ndisa\n");
    EXPECT_FALSE(headless.regwindow);
    EXPECT_FALSE(headless.stackwindow);
    EXPECT_FALSE(headless.asmpane);

    // An instruction step shows the disassembly pane.
    endlessloop();
    run("si\n");
    EXPECT_TRUE(headless.asmpane);

    run("pause 1\npause\npause 0\n");
    EXPECT_EQ(headless.waits, 1u);
    EXPECT_EQ(headless.keywaits, 2u);

    EXPECT_EQ(run("sys dir /w; x 1\nsys\n"), "sys dir /w; x 1\nsys\n");
    ASSERT_EQ(headless.shelllines.size(), 2u);
    EXPECT_EQ(headless.shelllines[0], "dir /w; x 1");
    EXPECT_EQ(headless.shelllines[1], "");

    write("work.ssn", "");
    run("session /l work.ssn\nsession w2.ssn\nlayout /s sub/l.lyt\nlayout /L work.ssn\n");
    ASSERT_EQ(headless.sessions.size(), 3u);
    EXPECT_EQ(headless.sessions[0], "read session .\\work.ssn");
    EXPECT_EQ(headless.sessions[1], "write session .\\w2.ssn");
    EXPECT_EQ(headless.sessions[2], "read layout .\\work.ssn");
    EXPECT_TRUE(exists("w2.ssn"));
}

}  // namespace
}  // namespace vy
