// What the dispatcher needs of parts of the engine that are not built in
// yet; each answers as an engine without that part would.
#pragma once
#include <cstdint>

namespace vy {

struct FrameNode;
struct LocalRec;


}  // namespace vy
