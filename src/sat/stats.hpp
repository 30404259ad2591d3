// Counters of one SAT search, for tests and benchmarks.
#pragma once

#include <cstdint>

namespace mivex::sat {

struct SearchStats {
  std::uint64_t decisions = 0;
  std::uint64_t conflicts = 0;
  std::uint64_t propagations = 0;  // trail entries taken off the propagation queue

  bool operator==(const SearchStats&) const = default;
};

}  // namespace mivex::sat
