// The Optimal result of an LP solve from its exact point: the model and the
// objective as both solve paths report them.
#pragma once

#include <vector>

#include "core/solver_result.hpp"
#include "linear/rational.hpp"
#include "linear/system.hpp"

namespace mivex::lp {

// One model entry per variable of `system`, in column order: an exact
// integer as Value::integer (Value::big_integer beyond 64 bits), any other
// value as the nearest double. `objective` is the exact objective value
// (zero without an objective).
LpResult optimal_result(const linear::LinearSystem& system, const std::vector<linear::Rational>& values,
                        const linear::Rational& objective);

}  // namespace mivex::lp
