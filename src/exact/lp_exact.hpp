// Exact LP over a lowered system (every variable >= 0), with certificates.
// Floating point proposes a final basis (lp/float_propose.hpp) and exact
// arithmetic checks it: an optimum needs a feasible basic point and duals
// of the right signs with c - A^T y >= 0 (any optimal basis will do, unlike
// the `mivex` fast path, which must also prove the optimum unique). An
// optimal proposal that falls short is continued exactly from its basis
// (primal_repair.hpp). When nothing certifies, the exact pivots of
// lp/solver.hpp decide, without certificates.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "linear/rational.hpp"
#include "linear/system.hpp"
#include "lp/certified/certify.hpp"
#include "lp/certified/column_form.hpp"
#include "lp/certified/float_propose.hpp"

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

// The certified answer of the runs of `engine` (a model of `form`) from its
// current start: the simplex suited to it first, then the other from where
// that ended; a claim of infeasibility may also be proved by minimising the
// violation. Nothing when no proposal certifies.
std::optional<LpAnswer> propose_and_certify(const lp::ColumnForm& form, lp::FloatSimplex& engine, bool primal_first,
                                            Cancel& cancel);

// The answer a certificate gives (a UniqueOptimum kind stands for any
// certified optimum here).
LpAnswer from_certificate(lp::Certificate c);

// Duals y prove x optimal for `form`: signs by row side (<= rows y <= 0,
// >= rows y >= 0), c - A^T y >= 0, and c.x = b.y.
bool proves_optimum(const lp::ColumnForm& form, const std::vector<linear::Rational>& x,
                    const std::vector<linear::Rational>& y);

// Whether x = 0 satisfies every row: then the primal simplex starts
// feasible, and the dual simplex would start from a dual infeasible basis
// (unless no cost is negative, when x = 0 is optimal).
bool origin_feasible(const lp::ColumnForm& form);

}  // namespace mivex::exact
