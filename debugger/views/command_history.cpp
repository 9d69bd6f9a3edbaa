#include "debugger/views/command_history.h"

namespace vy {

void CommandHistory::add(const std::string& command) {
    if (entries.size() == LIMIT) entries.pop_back();
    entries.push_front(command);
    cursor = NONE;
}

const std::string* CommandHistory::older() {
    std::size_t next = cursor == NONE ? 0 : cursor + 1;
    if (next >= entries.size()) return nullptr;
    cursor = next;
    return &entries[cursor];
}

const std::string* CommandHistory::newer() {
    if (cursor == NONE || cursor == 0) return nullptr;
    --cursor;
    return &entries[cursor];
}

void CommandHistory::clear() {
    entries.clear();
    cursor = NONE;
}

}  // namespace vy
