// Functions of the debugger program that plug-ins look up by name; the
// target memory's accessors are among the eight of plugin_exports.h.
#pragma once
#include <cstdint>

#include "debugger/target/plugin_exports.h"

namespace vy {
struct SymRec;
}

extern "C" {
VY_EXPORT vy::SymRec* rensym(const char* name);
}
