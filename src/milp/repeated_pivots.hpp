// How many opening pivots a node's LP repeats from the log of an ancestor's
// LP (the nearest one solved by pivots): the node's program is that one plus
// the bound rows the path added since, appended in order.
#pragma once

#include <cstddef>
#include <vector>

#include "lp/pivot_log.hpp"
#include "milp/solver.hpp"

namespace mivex::milp {

// The pivots of `log` that the program with `bounds[from..]` added is sure to
// make first (0 when nothing is sure).
std::size_t repeated_pivots(const lp::PivotLog& log, const std::vector<VarBound>& bounds, std::size_t from);

// After a solve that repeated pivots of an ancestor's log: a lower bound
// added since lowered d_j by 1, so the log's record of when d_j - 1 came
// close (read by the next lower bound on j) no longer holds.
void forget_lowered(lp::PivotLog& log, const std::vector<VarBound>& bounds, std::size_t from);

}  // namespace mivex::milp
