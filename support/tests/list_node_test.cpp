#include "support/list_node.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct Record {
    vy::ListNode link;
    std::uint32_t value;
    char name[13];
};

TEST(ListNode, NewNodeIsZeroedWithLinkPreset) {
    auto* first = static_cast<Record*>(vy::newnode(sizeof(Record), nullptr));
    auto* second = static_cast<Record*>(vy::newnode(sizeof(Record), first));
    EXPECT_EQ(second->link.next, &first->link);
    EXPECT_EQ(first->link.next, nullptr);
    EXPECT_EQ(second->value, 0u);
    for (char c : second->name) EXPECT_EQ(c, 0);
    void* p = second;
    while (p) p = vy::freenode(p, static_cast<vy::ListNode*>(p)->next);
}

TEST(ListNode, FreeNodeOfNullReturnsNext) {
    int marker = 0;
    EXPECT_EQ(vy::freenode(nullptr, &marker), &marker);
}

}  // namespace
