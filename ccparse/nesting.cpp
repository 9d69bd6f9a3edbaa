#include "ccparse/nesting.h"

#include "ccparse/diag.h"

namespace vy::cc {

NestingGuard::NestingGuard(Nesting& nesting, int limit) : nesting_(nesting), ok_(++nesting.depth <= limit) {
    if (!ok_ && !nesting.reported) {
        nesting.reported = true;
        puterr("nesting too deep");
    }
}

}  // namespace vy::cc
