#include "milp/repeated_pivots.hpp"

#include <algorithm>
#include <unordered_map>

namespace mivex::milp {

std::size_t repeated_pivots(const lp::PivotLog& log, const std::vector<VarBound>& bounds, std::size_t from) {
  if (!log.complete) return 0;
  std::size_t shared = log.steps.size();
  std::unordered_map<std::uint64_t, int> lowers;
  for (std::size_t k = from; k < bounds.size(); ++k) {
    const VarBound& b = bounds[k];
    if (b.var >= log.close.size()) return 0;
    if (b.upper) {
      // x_j <= f: a slack row (f >= 0) that binds once x_j would pass f.
      if (b.upper->is_negative()) return 0;
      shared = std::min(shared, log.first_above(b.var, *b.upper));
    } else if (b.lower) {
      // x_j >= c: an artificial in phase 1 that lowers d_j by 1 (a second
      // one would lower it by 2, which the log does not follow); phase 1
      // cannot end the same while it is basic and above zero.
      if (b.lower->is_negative() || !log.has_phase1 || ++lowers[b.var] > 1) return 0;
      shared = std::min({shared, static_cast<std::size_t>(log.close[b.var]), log.phase1});
    }
  }
  return shared;
}

std::size_t repeated_second_run_pivots(const lp::PivotLog& log, const std::vector<VarBound>& bounds, std::size_t from,
                                    std::size_t repeat) {
  const lp::PivotLog* second = log.second_run.get();
  if (second == nullptr || !second->complete || !log.has_phase1 || repeat == 0 || repeat < log.phase1) return 0;
  std::size_t shared = second->steps.size();
  for (std::size_t k = from; k < bounds.size(); ++k) {
    const VarBound& b = bounds[k];
    if (!b.upper || b.upper->is_negative()) return 0;
    shared = std::min(shared, second->first_above(b.var, *b.upper));
  }
  return shared < second->drive_out ? 0 : shared;
}

void forget_lowered(lp::PivotLog& log, const std::vector<VarBound>& bounds, std::size_t from) {
  for (std::size_t k = from; k < bounds.size(); ++k) {
    if (bounds[k].lower && bounds[k].var < log.close.size()) log.close[bounds[k].var] = 0;
  }
}

}  // namespace mivex::milp
