#include "lp/phase.hpp"

#include "lp/cycle_guard.hpp"
#include "lp/scaled_tableau.hpp"
#include "lp/tableau.hpp"

namespace mivex::lp {

template <class T>
PhaseEnd run_phase(T& t, const std::vector<bool>& pass_over, Cancel& cancel) {
  CycleGuard guard;
  guard.revisits(t.basis());
  PhaseEnd end;
  for (;;) {
    cancel.check();
    auto entering = end.bland ? t.find_entering_bland(pass_over) : t.find_entering(pass_over);
    if (!entering) {
      end.optimal = true;
      return end;
    }
    auto leaving = end.bland ? t.find_leaving_bland(*entering) : t.find_leaving(*entering);
    if (!leaving) {
      end.entering = *entering;
      return end;
    }
    // The objective moves exactly when the step length (the ratio) is nonzero.
    bool moves = t.sign_at(leaving->first, t.rhs_col()) != 0;
    t.pivot(leaving->first, *entering);
    ++end.pivots;
    if (end.bland) continue;
    if (moves) guard.reset();
    if (guard.revisits(t.basis())) end.bland = true;
  }
}

template <class T>
std::size_t drive_out_artificials(T& t, const std::vector<bool>& is_artificial, Cancel& cancel) {
  std::size_t pivots = 0;
  for (std::size_t r = 1; r <= t.num_rows(); ++r) {
    std::size_t b = t.basic(r);
    if (b == T::kNone || !is_artificial[b]) continue;
    for (std::size_t j = 0; j < t.rhs_col(); ++j) {
      if (is_artificial[j] || t.sign_at(r, j) == 0) continue;
      cancel.check();
      t.pivot(r, j);
      ++pivots;
      break;
    }
  }
  return pivots;
}

template PhaseEnd run_phase(Tableau&, const std::vector<bool>&, Cancel&);
template PhaseEnd run_phase(ScaledTableau&, const std::vector<bool>&, Cancel&);
template std::size_t drive_out_artificials(Tableau&, const std::vector<bool>&, Cancel&);
template std::size_t drive_out_artificials(ScaledTableau&, const std::vector<bool>&, Cancel&);

}  // namespace mivex::lp
