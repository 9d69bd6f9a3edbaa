// The monitor list and the refresh of the views that follow the target.
#include <string>
#include <vector>

#include "debugger/engine/assertions.h"
#include "debugger/engine/headless.h"
#include "debugger/engine/monitors.h"
#include "engine_fixture.h"
#include "sample_program.h"

namespace vy {
namespace {

class Monitors : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        loadsample();
        shown();
    }

    static std::vector<std::string> texts() {
        std::vector<std::string> t;
        for (MonitorRecord* m = monitors; m; m = m->next) t.push_back(std::to_string(m->number) + " " + m->text);
        return t;
    }
};

TEST_F(Monitors, NumbersFormatsAndWrittenLines) {
    run("monit /s str\nmonit uc, sc\nmonit /s str\n");
    EXPECT_EQ(texts(), (std::vector<std::string>{"1 str", "2 uc", "3 sc"}));
    EXPECT_EQ(findmonit(1)->format, 'S');
    run("del /m str\nmonit /c arr[1]\n");
    EXPECT_EQ(texts(), (std::vector<std::string>{"1 arr[1]", "2 uc", "3 sc"}));
    EXPECT_STREQ(monittext(2), "uc");
    EXPECT_STREQ(monittext(9), "");
    monitcell("tick", 0x300, 928);
    EXPECT_EQ(findmonit(4)->text, "[tick].w");
    EXPECT_EQ(findmonit(4)->size, 'w');
    EXPECT_EQ(findmonit(4)->celladdress, 0x300u);
    setmonfmt(findmonit(2), 'o');
    run("write m.in\n");
    EXPECT_EQ(lflines(read("m.in")), "monit /c arr[1]\nmonit /o uc\nmonit sc\nmonit /x [tick].w\n");

    rmmonit(9);
    EXPECT_EQ(headless.boxes, std::vector<std::string>{"monitor not found\n"});
    rmmonit(-1);
    EXPECT_EQ(monitors, nullptr);
    EXPECT_EQ(monitorcount, 0u);
}

TEST_F(Monitors, TheFollowersAreRefreshedInOrder) {
    headless.viewcalls.clear();
    run("monit uc\n");
    EXPECT_EQ(headless.viewcalls, (std::vector<std::string>{"SetMonitorCount 1", "IORegRefresh", "VyrDataMemUpdate 0",
                                                            "UpdateVarsWindows", "RefreshMonitors 1",
                                                            "KernelUpdate"}));
    // Unchanged: painted over; none and the window closed: not at all.
    headless.viewcalls.clear();
    chkasserts();
    EXPECT_EQ(headless.viewcalls, (std::vector<std::string>{"IORegRefresh", "VyrDataMemUpdate 0",
                                                            "UpdateVarsWindows", "RefreshMonitors 0",
                                                            "KernelUpdate"}));
    rmmonit(-1);
    headless.viewcalls.clear();
    chkasserts();
    EXPECT_EQ(headless.viewcalls,
              (std::vector<std::string>{"IORegRefresh", "VyrDataMemUpdate 0", "UpdateVarsWindows", "KernelUpdate"}));
    // While a source trace is replayed the views show the trace.
    norefresh = true;
    headless.viewcalls.clear();
    chkasserts();
    EXPECT_TRUE(headless.viewcalls.empty());
    norefresh = false;
}

}  // namespace
}  // namespace vy
