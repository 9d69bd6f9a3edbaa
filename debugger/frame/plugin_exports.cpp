// The data-memory notice that the I/O-register plug-in calls after it wrote
// a register: the frame's refresh of the data memory windows.
#include "debugger/engine/hooks.h"
#include "debugger/target/plugin_exports.h"

int32_t VyrDataMemUpdate(int32_t full) {
    vy::VyrDataMemUpdate(full);
    return 1;
}
