// Integrality of LP points: which integer variables came out fractional,
// and the one to branch on.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/assignment.hpp"

namespace mivex::milp {

// Every integer variable present in the LP solution and integral.
bool all_integral(const Assignment& a, const std::vector<std::uint64_t>& integers);

struct Branch {
  std::uint64_t var;
  double value;
};

// The first integer variable whose fractional part lies strictly inside the window.
std::optional<Branch> branching_variable(const Assignment& a, const std::vector<std::uint64_t>& integers);

}  // namespace mivex::milp
