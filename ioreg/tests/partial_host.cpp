// A debugger module that exports seven of the plug-in's eight functions:
// every one but "VyrDataMemUpdate". IORegInit must refuse it.
#include "debugger/target/plugin_exports.h"

extern "C" {
void MDIUpdate() {}
uint32_t ReadByte(uint32_t) { return 0; }
uint32_t ReadWord(uint32_t) { return 0; }
uint32_t ReadLong(uint32_t) { return 0; }
void WriteByte(uint32_t, uint32_t) {}
void WriteWord(uint32_t, uint32_t) {}
void WriteLong(uint32_t, uint32_t) {}
}
