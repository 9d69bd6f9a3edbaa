#include "debugger/engine/sink.h"

#include <algorithm>
#include <cstring>

#include "debugger/engine/channels.h"
#include "debugger/engine/hooks.h"

namespace vy {

CaptureBuffer capture1, capture2;
bool AutoCmd;

// Appends what still fits; the last byte of the storage stays for the NUL.
static void captureappend(CaptureBuffer& c, const char* text, uint32_t length) {
    uint32_t room = CAPTURESIZE - 1 - c.write;
    uint32_t n = std::min(length, room);
    std::memcpy(c.storage + c.write, text, n);
    c.write += n;
    c.storage[c.write] = '\0';
}

static void captureempty(CaptureBuffer& c) {
    c.write = 0;
    c.storage[0] = '\0';
}

void resetcapture() {
    captureempty(capture1);
    captureempty(capture2);
    capture1.on = capture2.on = false;
}

char* WinStartFakeIo2() {
    captureempty(capture2);
    capture2.on = true;
    return capture2.storage;
}

void WinStopFakeIo2() { capture2.on = false; }

void CmdOutput(const char* text, uint32_t length) {
    if (RedirectOn) redirwrite(text, length);
    if (!CmdWindowOpen()) {
        if (!AutoCmd) return;
        OpenCmdWindow();
        if (!CmdWindowOpen()) return;
    }
    // The window takes NUL-ended pieces of at most 255 bytes.
    char staging[256];
    while (length > 0) {
        uint32_t n = std::min<uint32_t>(length, sizeof staging - 1);
        std::memcpy(staging, text, n);
        staging[n] = '\0';
        CmdWindowOutput(staging);
        text += n;
        length -= n;
    }
}

void WinOutput(const char* text, uint32_t length) {
    if (capture2.on) captureappend(capture2, text, length);
    else if (capture1.on) captureappend(capture1, text, length);
    else CmdOutput(text, length);
}

}  // namespace vy

using namespace vy;

char* WinitFakeIo() {
    capture1.on = true;
    capture1.storage[capture1.write] = '\0';
    if (capture1.write < CAPTURESIZE - 1) ++capture1.write;
    capture1.storage[capture1.write] = '\0';
    return capture1.storage + capture1.write;
}

void WinSetFakeIo() { captureempty(capture1); }

void WinStopFakeIo() { capture1.on = false; }
