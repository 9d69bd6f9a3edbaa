// The options of ccparse as the command line sets them.
#pragma once

#include "ccparse/toolkit/toolkit.h"

namespace vy::cc {

struct FrontOptions {
    int ck = 0;  // extra type checks
    int e = 0;   // preprocess only
    int f = 0;   // single precision floats
    int l = 0;   // line information
    int md = 0;  // make dependencies
    int m = 0;   // model configuration word
    int nc = 0, ne = 0, np = 0, nw = 0, p = 0, rb = 0, sa = 0, s = 0, u = 0;
    int xd = 0, xp = 0, xx = 0, x = 0;
    const char* error_file = nullptr;
    const char* output = nullptr;
    vy::OptionList defines{60};
    vy::OptionList headers{60};
    vy::OptionList includes{60};
    const char* source = nullptr;  // the source named on the command line

    void reset();
};

extern FrontOptions opt;

}  // namespace vy::cc
