// The fast path in front of the exact simplex: a floating-point simplex
// proposes a final basis, exact arithmetic certifies what it claims, and
// only a certified answer is returned. A certified optimum is also proved to
// be the only optimal point, so it is the point the exact pivots reach too;
// infeasibility and unboundedness do not depend on the pivots at all. Hence
// the result equals the exact path's own, and anything uncertain is left to
// the exact path.
#pragma once

#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "core/solver_result.hpp"
#include "linear/rational.hpp"
#include "linear/system.hpp"
#include "lp/certify.hpp"

namespace mivex::lp {

struct FastAnswer {
  LpResult result;
  // Optimal: the exact point (by variable) and objective value, as
  // LpSolver::exact_values() and exact_objective() report them.
  std::vector<linear::Rational> values;
  linear::Rational objective;
  Certificate certificate;
};

// A certified result for `system` with the `extra` constraints (if any)
// after its own, or nothing when none was found.
std::optional<FastAnswer> fast_path_solve(const linear::LinearSystem& system,
                                          const std::vector<linear::LinearConstraint>* extra, Cancel& cancel);
inline std::optional<FastAnswer> fast_path_solve(const linear::LinearSystem& system, Cancel& cancel) {
  return fast_path_solve(system, nullptr, cancel);
}

}  // namespace mivex::lp
