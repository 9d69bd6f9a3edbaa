// The eight functions of the debugger that the I/O-register plug-in looks
// up by name in the debugger's module, declared once for both sides: the
// debugger (and the plug-in's test host) defines and exports them, the
// plug-in takes their types for the pointers it looks up.
//
// Addresses and values are 32-bit: the debugger uses the low 16 bits of an
// address and the low 8 or 16 bits of a byte or word value. Words and longs
// are big-endian in target memory.
#pragma once
#include <cstdint>

#ifndef VY_EXPORT
#ifdef _WIN32
#define VY_EXPORT __declspec(dllexport)
#else
#define VY_EXPORT
#endif
#endif

extern "C" {
// Tiles the MDI children again when the frame's arrangement is a tiling.
VY_EXPORT void MDIUpdate();
VY_EXPORT uint32_t ReadByte(uint32_t address);
VY_EXPORT uint32_t ReadWord(uint32_t address);
VY_EXPORT uint32_t ReadLong(uint32_t address);
VY_EXPORT void WriteByte(uint32_t address, uint32_t value);
VY_EXPORT void WriteWord(uint32_t address, uint32_t value);
VY_EXPORT void WriteLong(uint32_t address, uint32_t value);
// Repaints the data-memory windows (full: with a new layout); the result
// is the window walk's, which the plug-in does not use.
VY_EXPORT int32_t VyrDataMemUpdate(int32_t full);
}

namespace vy {

// The eight as the plug-in holds them, in the order it looks them up.
struct DebuggerCalls {
    decltype(&MDIUpdate) mdiupdate;
    decltype(&ReadByte) readbyte;
    decltype(&ReadWord) readword;
    decltype(&ReadLong) readlong;
    decltype(&WriteByte) writebyte;
    decltype(&WriteWord) writeword;
    decltype(&WriteLong) writelong;
    decltype(&VyrDataMemUpdate) datamemupdate;
};

// Their export names, in the same order.
inline constexpr const char* debuggercallnames[8] = {
    "MDIUpdate", "ReadByte", "ReadWord", "ReadLong", "WriteByte", "WriteWord", "WriteLong", "VyrDataMemUpdate",
};

}  // namespace vy
