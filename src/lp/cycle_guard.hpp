// Detects a simplex phase returning to a basis it has already visited since
// its objective last changed strictly; from such a basis the same pivots
// would repeat forever. Bases are compared exactly (the hash only buckets).
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace mivex::lp {

class CycleGuard {
 public:
  // Forget every basis: the objective has just changed strictly.
  void reset() { seen_.clear(); }
  // Record `basis`; true when it had been recorded before.
  bool revisits(const std::vector<std::size_t>& basis) {
    Key key(basis.begin(), basis.end());
    return !seen_.insert(std::move(key)).second;
  }

 private:
  using Key = std::vector<std::uint32_t>;
  struct Hash {
    std::size_t operator()(const Key& key) const {
      std::uint64_t h = 1469598103934665603ull;
      for (std::uint32_t c : key) h = (h ^ c) * 1099511628211ull;
      return static_cast<std::size_t>(h);
    }
  };
  std::unordered_set<Key, Hash> seen_;
};

}  // namespace mivex::lp
