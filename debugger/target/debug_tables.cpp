#include "debugger/target/debug_tables.h"

namespace vy {

DebugEntry* debuglist;

}  // namespace vy
