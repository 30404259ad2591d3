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

}  // namespace mivex::support
