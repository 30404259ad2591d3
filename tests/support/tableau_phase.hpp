// The pivoting loop of one simplex phase, and the drive-out of artificial
// columns left basic after phase 1; for either tableau (Tableau or
// ScaledTableau).
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "core/cancel.hpp"

namespace mivex::lp::reference {

// (entering column, leaving column) of every pivot, in order.
using Trace = std::vector<std::pair<std::size_t, std::size_t>>;

struct PhaseEnd {
  bool optimal = false;       // no entering column left
  std::size_t entering = 0;   // otherwise: the column no row bounds
  std::size_t pivots = 0;
  bool bland = false;         // whether a repeated basis switched the rule
};

// Pivot until row 0 has no positive entry outside `pass_over` (optimal) or
// an entering column has no positive entry (unbounded direction). Dantzig's
// rule with lowest-index ties; once a basis repeats without the objective
// having moved, Bland's rule for the rest of the phase, which cannot cycle.
template <class T>
PhaseEnd run_phase(T& t, const std::vector<bool>& pass_over, Cancel& cancel, Trace* trace);

// For each row (in order) whose basic column is artificial, pivot in the
// lowest-index non-artificial column with a nonzero entry there; rows with
// none are redundant and keep their artificial. Returns the pivot count. Call only when every
// artificial is at zero (end of a successful phase 1).
template <class T>
std::size_t drive_out_artificials(T& t, const std::vector<bool>& is_artificial, Cancel& cancel, Trace* trace);

}  // namespace mivex::lp::reference
