// Exact LP over a lowered system (every variable >= 0), with certificates.
// Floating point proposes a final basis (lp/float_propose.hpp) and exact
// arithmetic checks it: an optimum needs a feasible basic point and duals
// of the right signs with c - A^T y >= 0 (any optimal basis will do, unlike
// the `mivex` fast path, which must also prove the optimum unique). When no
// proposal certifies, the exact pivots of lp/solver.hpp decide, without
// certificates.
#pragma once

#include <cstdint>
#include <vector>

#include "core/cancel.hpp"
#include "linear/rational.hpp"
#include "linear/system.hpp"

namespace mivex::exact {

struct LpAnswer {
  enum class Status : std::uint8_t { Optimal, Infeasible, Unbounded };
  Status status = Status::Infeasible;
  // Optimal and Unbounded: a feasible point, by lowered variable.
  std::vector<linear::Rational> x;
  // Optimal: the duals of the minimisation (c, or -c when maximising);
  // Infeasible: Farkas multipliers. By lowered row; empty when uncertified.
  std::vector<linear::Rational> y;
  // Unbounded: x + t * ray stays feasible and improves; empty when uncertified.
  std::vector<linear::Rational> ray;
  bool certified = false;
};

LpAnswer solve_exact_lp(const linear::LinearSystem& system, Cancel& cancel);

}  // namespace mivex::exact
