// Small random MILPs in LP text, for tests that compare two ways of running
// the same search.
#pragma once

#include <random>
#include <string>

namespace mivex::support {

struct MilpGen {
  std::mt19937_64 rng;
  int pick(int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); }
};

std::string generated_milp(MilpGen& g);

}  // namespace mivex::support
