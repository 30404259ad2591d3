#include "milp/node_ahead.hpp"

#include <chrono>
#include <system_error>
#include <utility>

#include "core/error.hpp"

namespace mivex::milp {

NodeSolve solve_by_pivots(const NodeJob& job, const linear::LinearSystem& system, Cancel& cancel) {
  NodeSolve out;
  out.repeat = job.repeat;
  out.path = job.path;
  out.warm_start = job.warm_start;
  lp::LpSolver solver(job.form, system, &job.extra);
  solver.set_fast_path(lp::LpSolver::FastPath::Off);
  if (job.repeat > 0) solver.resume_from(job.base, job.repeat);
  out.log = std::make_unique<lp::PivotLog>();
  if (job.record_log) solver.record_log(out.log.get());
  lp::LpSolver::Trace trace;
  if (job.check) solver.record_trace(&trace);
  const auto start = std::chrono::steady_clock::now();
  out.result = solver.solve(cancel);
  out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (out.result.kind() == LpResult::Kind::Optimal) out.exact = solver.exact_values();
  out.stats = solver.stats();
  if (job.check) check_node(job.form, system, job.extra, trace, out.result, out.exact, cancel);
  return out;
}

void check_node(const std::shared_ptr<const lp::StandardForm>& form, const linear::LinearSystem& system,
                const std::vector<linear::LinearConstraint>& extra, const lp::LpSolver::Trace& trace,
                const LpResult& result, const std::vector<linear::Rational>& exact, Cancel& cancel) {
  lp::LpSolver fresh(form, system, &extra);
  fresh.set_fast_path(lp::LpSolver::FastPath::Off);
  lp::LpSolver::Trace fresh_trace;
  fresh.record_trace(&fresh_trace);
  LpResult again = fresh.solve(cancel);
  if (fresh_trace != trace || again.kind() != result.kind() ||
      (result.kind() == LpResult::Kind::Optimal && fresh.exact_values() != exact)) {
    stop("a node LP differs from its solve from scratch");
  }
}

bool NodeAhead::ready() const {
  return job_ && answer_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

bool NodeAhead::start(NodeJob job) {
  abandon();
  job_ = std::move(job);
  std::packaged_task<NodeSolve()> task([this] { return solve_by_pivots(*job_, system_, cancel_); });
  answer_ = task.get_future();
  try {
    thread_ = std::thread(std::move(task));
  } catch (const std::system_error&) {
    answer_ = {};
    job_.reset();
    return false;
  }
  return true;
}

NodeSolve NodeAhead::take(Cancel& cancel) {
  // An interrupt while waiting leaves through the caller, whose unwinding
  // abandons the solve.
  while (answer_.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) cancel.check();
  thread_.join();
  // Whatever the outcome, the job (and the log it holds) goes on this thread.
  struct Forget {
    std::optional<NodeJob>& job;
    ~Forget() { job.reset(); }
  } forget{job_};
  return answer_.get();
}

void NodeAhead::abandon() {
  if (thread_.joinable()) {
    stop_.store(true, std::memory_order_relaxed);
    thread_.join();
    stop_.store(false, std::memory_order_relaxed);
  }
  answer_ = {};
  job_.reset();
}

}  // namespace mivex::milp
