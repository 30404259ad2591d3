// The incremental repeated-basis detector against a plain set of whole
// bases, on random walks through a few small bases (so repeats are common),
// with strict objective moves now and then.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "lp/simplex/cycle_guard.hpp"

using mivex::lp::CycleGuard;

TEST(CycleGuard, AgreesWithASetOfWholeBases) {
  std::mt19937_64 rng(11);
  for (int walk = 0; walk < 300; ++walk) {
    const std::size_t m = 1 + rng() % 4, cols = m + 1 + rng() % 3;
    std::vector<std::size_t> basis(m);
    for (std::size_t p = 0; p < m; ++p) basis[p] = p;
    CycleGuard guard;
    guard.start(basis);
    std::set<std::vector<std::size_t>> seen{basis};
    for (int step = 0; step < 60; ++step) {
      const std::size_t p = rng() % m;
      std::size_t col = rng() % cols;
      while (std::find(basis.begin(), basis.end(), col) != basis.end()) col = (col + 1) % cols;
      const bool moved = rng() % 9 == 0;
      const std::size_t left = basis[p];
      basis[p] = col;
      bool expected = false;
      if (moved) {
        seen = {basis};
      } else {
        expected = !seen.insert(basis).second;
      }
      ASSERT_EQ(guard.pivot(p, left, col, moved), expected) << "walk " << walk << " step " << step;
      if (expected) break;  // a phase switches rule at the first repeat
    }
  }
}
