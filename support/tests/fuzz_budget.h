// The budget of the fuzz tests: every one runs a fixed small number of
// generated cases in a normal run, so that the whole test run stays short,
// and takes a larger number from the environment for a search offline:
//
//   VY_FUZZ_CASES=100000 VY_FUZZ_SEED=7 ctest -R Fuzz
//
// VY_FUZZ_CASES sets the number of cases of each fuzz test, VY_FUZZ_SEED
// changes the first seed (each test adds it to its own, so two tests never
// draw the same sequence).
#pragma once

#include <cstdlib>

namespace vytest {

// The number of cases: VY_FUZZ_CASES when set, else `native` (`windows` in
// the Windows build, whose tests run under Wine and slower).
inline int fuzzcases(int native, int windows) {
    if (const char* n = std::getenv("VY_FUZZ_CASES")) return std::atoi(n);
#ifdef _WIN32
    return windows;
#else
    return native;
#endif
}

// The first seed: the test's own, moved by VY_FUZZ_SEED when set.
inline unsigned fuzzseed(unsigned own) {
    const char* n = std::getenv("VY_FUZZ_SEED");
    return n ? own + static_cast<unsigned>(std::atoi(n)) : own;
}

}  // namespace vytest
