// vyrsim when memory runs out, apart from the target model's headers (the
// tool library's `progname` is a function, the target model's a name).
#include <gtest/gtest.h>

#include <string>

#include "ccparse/toolkit/tests/tool_harness.h"
#include "debugger/target/tools/vyrsim.h"

namespace {

// An "#error" line naming the file, status 1, as in the passes, never an
// abort.
TEST(Vyrsim, RunningOutOfMemoryIsAnErrorLine) {
    std::string errors;
    EXPECT_EQ(vytest::memory_runs_out(vyrsim_main, {"vyrsim", "nosuch.s19", "regs"}, errors), 1);
    EXPECT_EQ(errors, "#error vyrsim nosuch.s19:0 no memory\n");
}

}  // namespace
