#include "support/list_node.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

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

// A chain a -> b -> c -> d -> e -> null.
std::vector<void*> make_chain(int n) {
    std::vector<void*> nodes(static_cast<std::size_t>(n));
    void* next = nullptr;
    for (int i = n - 1; i >= 0; --i) nodes[static_cast<std::size_t>(i)] = next = vy::newnode(sizeof(Record), next);
    return nodes;
}

TEST(ListNode, FreeChain) {
    // Up to a stop node: the stop and what follows stay.
    std::vector<void*> nodes = make_chain(5);
    EXPECT_EQ(vy::freechain(nodes[0], nodes[3]), nodes[3]);
    EXPECT_EQ(vy::freechain(nodes[3], nullptr), nullptr);

    // A stop node that is not in the chain: all is freed, the result is null.
    nodes = make_chain(3);
    int elsewhere = 0;
    EXPECT_EQ(vy::freechain(nodes[0], &elsewhere), nullptr);

    // An empty run.
    nodes = make_chain(1);
    EXPECT_EQ(vy::freechain(nodes[0], nodes[0]), nodes[0]);
    EXPECT_EQ(vy::freechain(nodes[0], nullptr), nullptr);
}

}  // namespace
