#include "support/tableau_phase.hpp"

#include "lp/simplex/cycle_guard.hpp"
#include "support/scaled_tableau.hpp"
#include "support/tableau.hpp"

namespace mivex::lp::reference {

template <class T>
PhaseEnd run_phase(T& t, const std::vector<bool>& pass_over, Cancel& cancel, Trace* trace) {
  CycleGuard guard;
  guard.start(t.basis());
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
    if (trace != nullptr) trace->emplace_back(*entering, leaving->second);
    t.pivot(leaving->first, *entering);
    ++end.pivots;
    if (end.bland) continue;
    if (guard.pivot(leaving->first, leaving->second, *entering, moves)) end.bland = true;
  }
}

template <class T>
std::size_t drive_out_artificials(T& t, const std::vector<bool>& is_artificial, Cancel& cancel, Trace* trace) {
  std::size_t pivots = 0;
  for (std::size_t r = 1; r <= t.num_rows(); ++r) {
    std::size_t b = t.basic(r);
    if (b == T::kNone || !is_artificial[b]) continue;
    for (std::size_t j = 0; j < t.rhs_col(); ++j) {
      if (is_artificial[j] || t.sign_at(r, j) == 0) continue;
      cancel.check();
      if (trace != nullptr) trace->emplace_back(j, b);
      t.pivot(r, j);
      ++pivots;
      break;
    }
  }
  return pivots;
}

template PhaseEnd run_phase(Tableau&, const std::vector<bool>&, Cancel&, Trace*);
template PhaseEnd run_phase(ScaledTableau&, const std::vector<bool>&, Cancel&, Trace*);
template std::size_t drive_out_artificials(Tableau&, const std::vector<bool>&, Cancel&, Trace*);
template std::size_t drive_out_artificials(ScaledTableau&, const std::vector<bool>&, Cancel&, Trace*);

}  // namespace mivex::lp::reference
