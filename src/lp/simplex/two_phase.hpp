// The textbook two-phase primal simplex on a standard form: phase 1 on the
// sum of the artificial columns, phase 2 on the objective, and phase 2 again
// after driving out artificials when its first run lifts one. With a pivot
// log of a program this one adds rows to, the pivots the caller has shown
// would make are repeated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/cancel.hpp"
#include "linear/rational.hpp"
#include "lp/factor/standard_form.hpp"
#include "lp/simplex/pivot_log.hpp"
#include "lp/simplex/revised_simplex.hpp"

namespace mivex::lp {

// What the pivots did (for tests and benchmarks).
struct PivotStats {
  std::size_t pivots = 0;     // all pivots, both phases and any second run
  bool bland = false;         // a revisited basis switched a phase to Bland's rule
  bool second_run = false;     // phase 2 ran again after driving out artificials
  bool below_floor = false;    // its first run stopped below the floor (TwoPhase::set_floor)
  std::size_t second_run_repeated = 0;  // pivots of that second run taken from a log
  bool bounds_paid = false;    // its phases decided from bounds from the start, or came to (RevisedSimplex::bounds_paid)
};

// How the pivots ended; when optimal, the basis and its basic values.
struct PivotsEnd {
  enum class Kind : std::uint8_t { Optimal, Infeasible, Unbounded };
  Kind kind;
  std::vector<linear::Rational> basic_values;
  std::vector<std::uint32_t> basis;
};

class TwoPhase {
 public:
  using Trace = std::vector<std::pair<std::size_t, std::size_t>>;
  // A basis: the column at each position.
  using Columns = std::vector<std::uint32_t>;

  explicit TwoPhase(std::shared_ptr<const StandardForm> form) : form_(std::move(form)) {}

  // As LpSolver's hooks of the same names.
  void record_trace(Trace* trace) { trace_ = trace; }
  void verify_updates(std::size_t pivots) { verify_ = pivots; }
  void record_log(PivotLog* log) { log_ = log; }
  void repeat_from(const PivotLog* base, std::size_t pivots, std::size_t second_run_pivots) {
    base_ = base;
    repeat_ = pivots;
    second_run_repeat_ = second_run_pivots;
  }

  // The program's optimum is known not to be below `floor` (branch and
  // bound: the parent's). Where phase 1 leaves artificials basic, phase 2's
  // first run may lift one above zero, and it then ends on a point that is
  // not the program's, below its optimum, and runs again. Such a run stops
  // once its objective is below the floor: the second run's answer is the
  // same, and it skips the rest of a run that would be thrown away. `more`
  // offers another floor, asked for only then; the higher one serves.
  void set_floor(std::optional<linear::Rational> floor, std::function<std::optional<linear::Rational>()> more = {}) {
    floor_ = std::move(floor);
    more_floor_ = std::move(more);
  }

  // Every phase decides from bounds from its first pivot (RevisedSimplex::start_from_bounds).
  void start_from_bounds(bool on) { start_bounded_ = on; }
  // Ties in the ratio test are settled by lifting wherever it can (RevisedSimplex::use_lifting).
  void lift_ties(bool on) { lift_ties_ = on; }

  PivotsEnd run(Cancel& cancel);
  const PivotStats& stats() const { return stats_; }

 private:
  struct RepeatPlan;
  RepeatPlan plan_repeats(bool any_artificial) const;
  void start_log(RevisedSimplex& simplex, const RepeatPlan& plan);
  // False when phase 1 shows the program infeasible; `after_phase1` is set
  // when artificials are left basic (at zero).
  bool phase1(RevisedSimplex& simplex, const RepeatPlan& plan, Cancel& cancel, std::optional<Columns>& after_phase1);
  PhaseEnd phase2(RevisedSimplex& simplex, const RepeatPlan& plan, Cancel& cancel);
  // Phase 2 again from `after_phase1`, its artificials driven out first.
  PivotsEnd second_run(RevisedSimplex& simplex, const RepeatPlan& plan, const Columns& after_phase1, Cancel& cancel);
  PhaseEnd counted(const PhaseEnd& end);  // added to the stats
  PivotsEnd run_phases(RevisedSimplex& simplex, Cancel& cancel);

  std::shared_ptr<const StandardForm> form_;
  Trace* trace_ = nullptr;
  std::size_t verify_ = 0;
  PivotLog* log_ = nullptr;
  const PivotLog* base_ = nullptr;
  std::size_t repeat_ = 0;
  std::size_t second_run_repeat_ = 0;
  std::optional<linear::Rational> floor_;
  std::function<std::optional<linear::Rational>()> more_floor_;
  bool start_bounded_ = false;
  bool lift_ties_ = false;
  std::optional<linear::Rational> floor();  // the higher of the two, when after phase 1 artificials are basic
  PivotStats stats_;
};

}  // namespace mivex::lp
