// What the dispatcher needs of parts of the engine that are not built in
// yet; each answers as an engine without that part would.
#pragma once
#include <cstdint>

namespace vy {

struct FrameNode;
struct LocalRec;

// The target model's address of a variable in a frame (0 when no frame
// from it to the oldest has the variable), and its listing of a frame's
// variables, until the target model has them.
uint16_t varaddr(const LocalRec* rec, const FrameNode* frame);
void showvars(FrameNode* frame, const char* letters);

struct DebugEntry;
// The target model's lookup of the last line or function-start entry at or
// before an address (null when none), until the target model has it.
DebugEntry* lineat(uint16_t address);

}  // namespace vy
