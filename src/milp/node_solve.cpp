#include "milp/node_solve.hpp"

#include <chrono>
#include <utility>

#include "core/error.hpp"
#include "lp/certified/warm_basis.hpp"

namespace mivex::milp {

namespace {

// A node LP against the same LP from scratch, with no pivots taken from a
// log and no floor: the same pivots, but for the rest of a first run of
// phase 2 that the floor cut short, and the same answer, or a stop.
void check_node(const std::shared_ptr<const lp::StandardForm>& form, const linear::LinearSystem& system,
                const std::vector<linear::LinearConstraint>& extra, const lp::LpSolver::Trace& trace,
                const LpResult& result, const std::vector<linear::Rational>& exact, bool cut_short, Cancel& cancel) {
  lp::LpSolver fresh(form, system, &extra);
  fresh.set_fast_path(lp::LpSolver::FastPath::Off);
  lp::LpSolver::Trace fresh_trace;
  fresh.record_trace(&fresh_trace);
  LpResult again = fresh.solve(cancel);
  const bool same_pivots = cut_short ? lp::one_gap(fresh_trace, trace) : fresh_trace == trace;
  if (!same_pivots || again.kind() != result.kind() ||
      (result.kind() == LpResult::Kind::Optimal && fresh.exact_values() != exact)) {
    stop("a node LP differs from its solve from scratch");
  }
}

}  // namespace

NodeSolve solve_node(const NodeJob& job, const linear::LinearSystem& system, Cancel& cancel,
                     const std::function<void(lp::LpSolver&, NodeSolve&)>& setup) {
  NodeSolve out;
  out.repeat = job.repeat;
  out.repeat_class = job.repeat_class;
  out.warm_start = job.warm_start;
  lp::LpSolver solver(job.form, system, &job.extra);
  solver.set_fast_path(lp::LpSolver::FastPath::Off);
  // The opening pivots this LP is sure to share with an ancestor's.
  if (job.repeat > 0) solver.repeat_from(job.base, job.repeat, job.second_run_repeat);
  if (job.floor) solver.set_floor(*job.floor);
  out.log = std::make_unique<lp::PivotLog>();
  if (job.record_log) solver.record_log(out.log.get());
  lp::LpSolver::Trace trace;
  if (job.check) solver.record_trace(&trace);
  if (setup) setup(solver, out);
  const auto start = std::chrono::steady_clock::now();
  out.result = solver.solve(cancel);
  out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (out.result.kind() == LpResult::Kind::Optimal) out.exact = solver.exact_values();
  out.stats = solver.stats();
  // The children's fast path starts best where this LP ended. A node the
  // pivots alone solved has no engine basis of its own to hand on, so it
  // hands on the engine's statuses for its exact final basis.
  if (job.warm_from_pivots && out.mode == lp::LpSolver::FastPath::Off && !solver.final_basis().empty()) {
    if (auto warm = lp::warm_basis_of(*job.form, solver.final_basis(), system, &job.extra)) {
      out.warm_start = std::make_shared<const lp::WarmBasis>(std::move(*warm));
    }
  }
  if (job.check && !out.stats.fast_path) check_node(job.form, system, job.extra, trace, out.result, out.exact, out.stats.below_floor, cancel);
  return out;
}

}  // namespace mivex::milp
