// Node LPs solved ahead of their turn on a second core. Best-first search
// almost always examines next the node at the top of the heap (its
// children come after it), and a node LP's answer depends only on the node
// (its bounds, and the log it may repeat pivots from), not on when or on
// which thread it is solved. So while one thread solves the node popped,
// the other solves the top of the heap; the search takes each answer at its
// node's turn, and drops those of nodes pruned meanwhile.
#pragma once

#include <atomic>
#include <cstddef>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "core/cancel.hpp"
#include "core/solver_result.hpp"
#include "linear/constraint.hpp"
#include "linear/rational.hpp"
#include "linear/system.hpp"
#include "lp/pivot_log.hpp"
#include "lp/solver.hpp"
#include "lp/standard_form.hpp"

namespace mivex::milp {

// What solving a node LP gives the search.
struct NodeSolve {
  LpResult result = LpResult::unknown(UnknownReason(UnknownReason::Kind::ResourceLimit));
  std::vector<linear::Rational> exact;              // the point, when optimal
  std::unique_ptr<lp::PivotLog> log;                // this run's, for the children to repeat from
  std::shared_ptr<const lp::WarmBasis> warm_start;  // where the children's fast path starts
  std::size_t repeat = 0;                           // pivots taken from the ancestor's log
  std::size_t path = 0;                             // which path choice measures this node
  lp::SolveStats stats;
  lp::LpSolver::FastPath mode = lp::LpSolver::FastPath::Off;
  double seconds = 0.0;
};

// A node LP by the pivots alone, with everything it reads owned here.
struct NodeJob {
  std::size_t node = 0;
  std::shared_ptr<const lp::StandardForm> form;  // the root's form with the node's rows
  std::vector<linear::LinearConstraint> extra;   // those rows
  std::shared_ptr<const lp::PivotLog> base;      // the log to repeat `repeat` pivots from
  std::size_t repeat = 0;
  std::size_t path = 0;
  bool record_log = false;
  bool check = false;  // solve again from scratch and stop unless the same
  std::shared_ptr<const lp::WarmBasis> warm_start;  // handed on unchanged
};

// Solve `job` (on any thread; it only reads `system` and the job).
NodeSolve solve_by_pivots(const NodeJob& job, const linear::LinearSystem& system, Cancel& cancel);

// A node LP against the same LP from scratch, with no pivots taken from a
// log and both runs of phase 2 on this thread: the same pivots and the same
// answer, or a stop.
void check_node(const std::shared_ptr<const lp::StandardForm>& form, const linear::LinearSystem& system,
                const std::vector<linear::LinearConstraint>& extra, const lp::LpSolver::Trace& trace,
                const LpResult& result, const std::vector<linear::Rational>& exact, Cancel& cancel);

// One node LP at a time on a second thread.
class NodeAhead {
 public:
  explicit NodeAhead(const linear::LinearSystem& system) : system_(system) {}
  ~NodeAhead() { abandon(); }
  NodeAhead(const NodeAhead&) = delete;
  NodeAhead& operator=(const NodeAhead&) = delete;

  // The node whose LP is under way or solved and not yet taken.
  std::optional<std::size_t> node() const { return job_ ? std::optional<std::size_t>(job_->node) : std::nullopt; }
  bool busy() const { return job_.has_value(); }
  bool ready() const;
  // Start `job`; false, with nothing started, when the system gives no thread.
  bool start(NodeJob job);
  // The answer, once the solve ends; while waiting `cancel` is polled, and
  // an interrupt stops the solve. The solve's own stop is rethrown here.
  NodeSolve take(Cancel& cancel);
  // Stop the solve and forget it.
  void abandon();

 private:
  const linear::LinearSystem& system_;
  std::optional<NodeJob> job_;
  std::future<NodeSolve> answer_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  Cancel cancel_{[](void* stop) { return static_cast<std::atomic<bool>*>(stop)->load(std::memory_order_relaxed); },
                 &stop_};
};

}  // namespace mivex::milp
