#include "lp/phase.hpp"

#include "lp/cycle_guard.hpp"

namespace mivex::lp {

PhaseEnd run_phase(Tableau& t, const std::vector<bool>& pass_over, Cancel& cancel) {
  CycleGuard guard;
  guard.revisits(t.basis());
  bool bland = false;
  for (;;) {
    cancel.check();
    auto entering = bland ? t.find_entering_bland(pass_over) : t.find_entering(pass_over);
    if (!entering) return {true, 0};
    auto leaving = bland ? t.find_leaving_bland(*entering) : t.find_leaving(*entering);
    if (!leaving) return {false, *entering};
    // The objective moves exactly when the step length (the ratio) is nonzero.
    bool moves = !t.at(leaving->first, t.rhs_col()).is_zero();
    t.pivot(leaving->first, *entering);
    if (bland) continue;
    if (moves) guard.reset();
    if (guard.revisits(t.basis()) && !moves) bland = true;
  }
}

void drive_out_artificials(Tableau& t, const std::vector<bool>& is_artificial, Cancel& cancel) {
  for (std::size_t r = 1; r <= t.num_rows(); ++r) {
    std::size_t b = t.basic(r);
    if (b == Tableau::kNone || !is_artificial[b]) continue;
    for (std::size_t j = 0; j < t.rhs_col(); ++j) {
      if (is_artificial[j] || t.at(r, j).is_zero()) continue;
      cancel.check();
      t.pivot(r, j);
      break;
    }
  }
}

}  // namespace mivex::lp
