// Longer runs of the randomized differential tests, for a soak before a
// release: MIVEX_SOAK=N runs each such test N times as many programs, and
// MIVEX_SOAK_SEED=S draws them from other seeds. Unset, every test runs its
// usual programs, so counts it checks still hold.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace mivex::support {

inline long soak_factor() {
  const char* env = std::getenv("MIVEX_SOAK");
  const long factor = env != nullptr ? std::strtol(env, nullptr, 10) : 1;
  return factor > 1 ? factor : 1;
}

// `rounds` times the soak factor.
inline int soak_rounds(int rounds) { return static_cast<int>(rounds * soak_factor()); }

// `seed`, or another seed derived from it and MIVEX_SOAK_SEED.
inline std::uint64_t soak_seed(std::uint64_t seed) {
  const char* env = std::getenv("MIVEX_SOAK_SEED");
  if (env == nullptr) return seed;
  const std::uint64_t other = seed ^ (std::strtoull(env, nullptr, 10) * 0x9e3779b97f4a7c15ULL);
  return other != 0 ? other : seed;  // some generators need a nonzero state
}

}  // namespace mivex::support
