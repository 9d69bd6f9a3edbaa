#include "list_node.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace vy {

void* newnode(std::size_t size, void* link) {
    if (size < sizeof(ListNode)) size = sizeof(ListNode);
    void* block = std::calloc(1, size);
    if (!block) throw std::bad_alloc();
    static_cast<ListNode*>(block)->next = static_cast<ListNode*>(link);
    return block;
}

void* freenode(void* node, void* next) {
    std::free(node);
    return next;
}

void* freechain(void* first, void* stop) {
    void* node = first;
    while (node != stop) {
        if (!node) return nullptr;
        node = freenode(node, static_cast<ListNode*>(node)->next);
    }
    return stop;
}

}  // namespace vy
