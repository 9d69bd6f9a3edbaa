// ioreghost [LOGFILE]: the plug-in's test host on its own. It opens its
// frame, loads VYRIOREG.DLL (beside the program; the current directory must
// hold an ".iod" file), and lets the user open viewers (Target, View I/O
// Registers), refresh them as after a stop, and let the target "step"
// (every byte counts up). Target memory starts with each address's low
// byte. At the end the log of the plug-in's calls goes to LOGFILE
// (ioreghost.log when none is given).
#include <cstdio>

#include "ioreg_host.h"
#include "target_standin.h"

int main(int argc, char** argv) {
    const char* logname = argc > 1 ? argv[1] : "ioreghost.log";
    for (std::size_t i = 0; i < sizeof vy::standin::memory; ++i) vy::standin::memory[i] = static_cast<uint8_t>(i);
    if (!ioreghost::createframe(SW_SHOWNORMAL)) return 1;
    if (!ioreghost::loadplugin())
        MessageBoxA(ioreghost::frame,
                    "The plug-in was not kept: VYRIOREG.DLL must lie beside this program and the current directory "
                    "must hold an .iod file.",
                    "ioreghost", MB_OK | MB_ICONEXCLAMATION);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (ioreghost::client && TranslateMDISysAccel(ioreghost::client, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    ioreghost::freeplugin();
    if (std::FILE* log = std::fopen(logname, "w")) {
        for (const std::string& line : vy::standin::calls) std::fprintf(log, "%s\n", line.c_str());
        std::fclose(log);
    }
    return 0;
}
