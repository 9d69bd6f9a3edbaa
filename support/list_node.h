// List nodes: every record kept in a list starts with its link.
#pragma once
#include <cstddef>

namespace vy {

struct ListNode {
    ListNode* next;
};

// A zero-filled block of `size` bytes (at least one link) whose first word
// holds `link`. Push onto a list by passing the old head as `link`.
void* newnode(std::size_t size, void* link);

// Frees `node` when it is not null and returns `next`, so that a whole list
// goes in one loop: p = freenode(p, p->next).
void* freenode(void* node, void* next);

// Frees the nodes of a chain from `first` up to, not including, `stop`.
// Returns `stop`, or null when the chain ended before reaching it.
void* freechain(void* first, void* stop);

}  // namespace vy
