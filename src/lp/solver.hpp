// Two-phase primal simplex in exact arithmetic (a revised simplex over a
// sparse matrix). Every variable is non-negative; constraints are
// expr (<= | >= | =) 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/cancel.hpp"
#include "core/solver_result.hpp"
#include "linear/system.hpp"
#include "lp/certified/fast_path.hpp"
#include "lp/factor/standard_form.hpp"
#include "lp/simplex/pivot_log.hpp"
#include "lp/simplex/two_phase.hpp"

namespace mivex::lp {

using linear::LinearSystem;
using linear::Rational;

// How the last solve went (for tests and benchmarks).
struct SolveStats : PivotStats {
  bool fast_path = false;  // the certified fast path answered (no pivots made)
  double pivots_seconds = 0.0;  // the time the pivots took
};

// Below this many rows plus columns the pivots take a few microseconds,
// less than setting up the floating-point run of the fast path.
inline constexpr std::size_t kFastPathSize = 100;

class LpSolver {
 public:
  using Trace = std::vector<std::pair<std::size_t, std::size_t>>;

  LpSolver() = default;
  explicit LpSolver(LinearSystem system) : owned_(std::move(system)), system_(&*owned_) {}
  // A form built already (branch and bound shares one matrix among nodes):
  // the answer is checked against the constraints of `system` and of
  // `extra` (the rows the form adds, if any). Both must outlive the solver.
  LpSolver(std::shared_ptr<const StandardForm> form, const LinearSystem& system,
           const std::vector<linear::LinearConstraint>* extra = nullptr)
      : form_(std::move(form)), system_(&system), extra_(extra) {}
  // It may point into itself.
  LpSolver(const LpSolver&) = delete;
  LpSolver& operator=(const LpSolver&) = delete;

  // Solve (the system is left unchanged). Optimal, Infeasible, Unbounded,
  // or Unknown ("no system loaded") when there is none.
  LpResult solve(Cancel& cancel = Cancel::none());

  // After an Optimal solve: the exact value of every variable (by index) and
  // of the objective (zero without one).
  const std::vector<Rational>& exact_values() const { return values_; }
  // The basis (by position) the pivots ended on at an optimum; empty after
  // any other end or an answer of the fast path.
  const std::vector<std::uint32_t>& final_basis() const { return basis_; }
  const Rational& exact_objective() const { return objective_; }
  const SolveStats& stats() const { return stats_; }

  // ---- Hooks for branch and bound and for tests; solve() needs none. ----

  // When solve() tries the certified fast path (lp/fast_path.hpp), always
  // before the pivots and on the calling thread: Auto on programs large
  // enough to repay it (not on branch-and-bound nodes); Always, at any size
  // (branch and bound, whose search chooses per node); or Off (the pivots
  // alone; tests compare the paths). The answer is the same either way.
  enum class FastPath : std::uint8_t { Auto, Always, Off };
  void set_fast_path(FastPath mode) { fast_path_ = mode; }
  // What the fast path runs when solve() tries it: fast_path_solve of the
  // program unless set. Branch and bound sets its NodeFastPath here, which
  // answers the same (or nothing) from a model kept warm across nodes.
  using FastSolve = std::function<std::optional<FastAnswer>(Cancel&)>;
  void set_fast_solve(FastSolve solve) { fast_solve_ = std::move(solve); }

  // For tests: record every pivot (entering column, leaving column); and
  // refactor every `pivots` pivots, checking the updated basic values and
  // reduced costs against ones recomputed from scratch (0: off).
  void record_trace(Trace* trace) { trace_ = trace; }
  void verify_updates(std::size_t pivots) { verify_ = pivots; }

  // Branch and bound: keep in `log` what the pivots do (it is finished when
  // phase 2 first ends, optimal or not); and take the first `pivots` pivots of `base`,
  // the log of a program this one only adds rows to, repeated, when the
  // caller has shown from `base` that the pivots would repeat them.
  void record_log(PivotLog* log) { log_ = log; }
  // With `second_run_pivots`, phase 2's second run (if it comes to one) takes
  // as many of the base's second run repeated, where phase 1 repeats all of
  // the base's.
  void repeat_from(std::shared_ptr<const PivotLog> base, std::size_t pivots, std::size_t second_run_pivots = 0) {
    base_ = std::move(base);
    repeat_ = pivots;
    second_run_repeat_ = second_run_pivots;
  }
  // Branch and bound: the program's optimum in the minimised form (the
  // objective, negated when maximising, without its constant) is known not
  // to be below `floor`, the parent's. The pivots then cut short a run that
  // is bound to be thrown away (TwoPhase::set_floor); the answer is the same.
  // Where fast_path_solve misses, it may offer another floor (most often
  // the optimum itself), which solve() gives the pivots too. The pivots read
  // the floor when they start, so a fast solve (set_fast_solve) that misses
  // may set a higher one.
  void set_floor(Rational floor) { floor_ = std::move(floor); }
  // The pivots decide from bounds from the first (TwoPhase::start_from_bounds):
  // an LP of the same matrix found its exact numbers big (stats().bounds_paid).
  void start_from_bounds(bool on) { start_bounded_ = on; }
  // Ties in the ratio test are settled by lifting wherever it can (TwoPhase::lift_ties).
  void lift_ties(bool on) { lift_ties_ = on; }

 private:
  LpResult pivots(Cancel& cancel, FloorSource floor = {});  // the pivot-rule path (TwoPhase)
  LpResult take(FastAnswer answer);
  LpResult finish(const std::vector<Rational>& basic_values, const std::vector<std::uint32_t>& basis);
  // The same from the value of every variable.
  LpResult finish(std::vector<Rational> values);

  std::shared_ptr<const StandardForm> form_;  // built by the first solve when not given
  std::optional<LinearSystem> owned_;
  const LinearSystem* system_ = nullptr;
  const std::vector<linear::LinearConstraint>* extra_ = nullptr;
  std::vector<Rational> values_;
  std::vector<std::uint32_t> basis_;
  Rational objective_;
  SolveStats stats_;
  Trace* trace_ = nullptr;
  std::size_t verify_ = 0;
  PivotLog* log_ = nullptr;
  std::shared_ptr<const PivotLog> base_;
  std::size_t repeat_ = 0;
  std::size_t second_run_repeat_ = 0;
  std::optional<Rational> floor_;
  bool start_bounded_ = false;
  bool lift_ties_ = false;
  FastPath fast_path_ = FastPath::Auto;
  FastSolve fast_solve_;
};

// Whether trace `cut` is trace `full` with one stretch of pivots left out
// (or none): a run whose first run of phase 2 a floor cut short, against the
// same program's run without one.
bool one_gap(const LpSolver::Trace& full, const LpSolver::Trace& cut);

}  // namespace mivex::lp
