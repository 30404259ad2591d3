// The open-node heap: ties come out in the fixed order, and a pop always
// gives a smallest key.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "milp/node_heap.hpp"

using namespace mivex::milp;

TEST(NodeHeap, EqualKeysComeOutInTheFixedTieOrder) {
  NodeHeap heap;
  for (std::size_t n = 0; n < 4; ++n) heap.push({1.0, n});
  std::vector<std::size_t> order;
  while (auto e = heap.pop()) order.push_back(e->node);
  EXPECT_EQ(order, (std::vector<std::size_t>{0, 2, 1, 3}));
}

TEST(NodeHeap, AlwaysPopsASmallestKey) {
  std::mt19937 rng(7);
  NodeHeap heap;
  std::multiset<double> keys;
  for (int step = 0; step < 5000; ++step) {
    if (keys.empty() || rng() % 3 != 0) {
      double key = static_cast<double>(rng() % 20);
      heap.push({key, static_cast<std::size_t>(step)});
      keys.insert(key);
    } else {
      auto e = heap.pop();
      ASSERT_TRUE(e);
      EXPECT_EQ(e->key, *keys.begin());
      keys.erase(keys.begin());
    }
  }
}
