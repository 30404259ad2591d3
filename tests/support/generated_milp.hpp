// Small random MILPs in LP text, for tests that compare two ways of running
// the same search.
#pragma once

#include <random>
#include <string>

#include "support/pick.hpp"

namespace mivex::support {

struct MilpGen {
  std::mt19937_64 rng;
  int pick(int lo, int hi) { return Pick{rng}(lo, hi); }
};

std::string generated_milp(MilpGen& g);
// Covering programs (minimise, costs of 1 and 2, rows >= k.5 or unit rows
// >= 1 or 2): most nodes have several optima, which the fast path leaves to
// the pivots.
std::string covering_milp(MilpGen& g);

}  // namespace mivex::support
