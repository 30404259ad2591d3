// A whole number drawn uniformly from [lo, hi] (modulo the generator's
// range, which is far larger), for the tests' generated programs.
#pragma once

#include <random>

namespace mivex::support {

struct Pick {
  std::mt19937_64& rng;
  int operator()(int lo, int hi) const { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); }
};

}  // namespace mivex::support
