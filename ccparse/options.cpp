#include "ccparse/options.h"

namespace vy::cc {

FrontOptions opt;

void FrontOptions::reset() {
    ck = e = f = l = md = m = nc = ne = np = nw = p = rb = sa = s = u = 0;
    xd = xp = xx = x = 0;
    error_file = output = source = nullptr;
    defines.reset(60);
    headers.reset(60);
    includes.reset(60);
}

}  // namespace vy::cc
