#include "debugger/target/run_state.h"

namespace vy {

RunFlags runflags;
MemEvent* memevents;
CommandReader reader;
EventRecord* eventlist;
EventRecord* datahit;
uint8_t LoadAbortFlag;
uint8_t LoadFailed;

}  // namespace vy
