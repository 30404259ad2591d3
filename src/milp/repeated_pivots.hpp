// How many opening pivots a node's LP repeats from the log of an ancestor's
// LP (the nearest one solved by pivots): the node's program is that one plus
// the bound rows the node added since, appended in order.
#pragma once

#include <cstddef>
#include <vector>

#include "lp/simplex/pivot_log.hpp"
#include "milp/solver.hpp"

namespace mivex::milp {

// The pivots of `log` that the program with `bounds[from..]` added is sure to
// make first (0 when nothing is sure).
std::size_t repeated_pivots(const lp::PivotLog& log, const std::vector<VarBound>& bounds, std::size_t from);

// The same for phase 2's second run, given that `repeat` pivots of the log
// are repeated: it starts from the basis phase 1 ended with, which is the
// log's (with the added rows' slacks) when all of phase 1 is repeated and
// only upper-bound rows were added. Its drive-out pivots leave every value
// as it is, so an upper bound changes a choice only once phase 2 would take
// x_j past it, as in the first run.
std::size_t repeated_second_run_pivots(const lp::PivotLog& log, const std::vector<VarBound>& bounds, std::size_t from,
                                    std::size_t repeat);

// After a solve that repeated pivots of an ancestor's log: a lower bound
// added since lowered d_j by 1, so the log's record of when d_j - 1 came
// close (read by the next lower bound on j) no longer holds.
void forget_lowered(lp::PivotLog& log, const std::vector<VarBound>& bounds, std::size_t from);

}  // namespace mivex::milp
