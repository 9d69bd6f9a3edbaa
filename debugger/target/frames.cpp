#include "debugger/target/frames.h"

#include "debugger/target/services.h"

namespace vy {

FrameNode* topframe;
FrameNode* curframe;
RunPosition runpos;

void resetrun() {
    runflags.stepcount = 0;
    runflags.runnesting = 0;
    runflags.stepping = 1;
}

}  // namespace vy
