// The command window's history: the last 20 commands typed, newest first,
// and a cursor that Up and Down move through them.
#pragma once
#include <deque>
#include <string>

namespace vy {

class CommandHistory {
public:
    static constexpr std::size_t LIMIT = 20;

    // Puts a command in front, dropping the oldest when 20 are kept, and
    // resets the cursor.
    void add(const std::string& command);
    // The next older entry (the newest when the cursor is reset), or null at
    // the oldest end, where the cursor stays.
    const std::string* older();
    // The next newer entry, or null at the newest end or with no cursor.
    const std::string* newer();
    void resetcursor() { cursor = NONE; }
    std::size_t size() const { return entries.size(); }
    void clear();

private:
    static constexpr std::size_t NONE = static_cast<std::size_t>(-1);
    std::deque<std::string> entries;   // [0] is the newest
    std::size_t cursor = NONE;         // the entry last shown
};

}  // namespace vy
