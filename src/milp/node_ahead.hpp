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
#include <condition_variable>
#include <exception>
#include <functional>
#include <list>
#include <mutex>
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

// A node LP, with everything it reads owned here.
struct NodeJob {
  std::size_t node = 0;
  std::shared_ptr<const lp::StandardForm> form;  // the root's form with the node's rows
  std::vector<linear::LinearConstraint> extra;   // those rows
  std::shared_ptr<const lp::PivotLog> base;      // the log to repeat `repeat` pivots from
  std::size_t repeat = 0;
  std::size_t restart_repeat = 0;                // of the log's second run, if this LP comes to one
  std::size_t path = 0;
  bool record_log = false;
  bool check = false;  // solve again from scratch and stop unless the same
  std::shared_ptr<const lp::WarmBasis> warm_start;  // handed on unchanged
};

// Solve `job` (on any thread; it only reads `system` and the job): by the
// pivots alone, unless `setup` chooses another way on the solver (and sets
// `mode`) before it runs.
NodeSolve solve_node(const NodeJob& job, const linear::LinearSystem& system, Cancel& cancel,
                     const std::function<void(lp::LpSolver&, NodeSolve&)>& setup = {});

// Node LPs queued for a second thread, which solves them one after the
// other as soon as they come, so that it need not wait for the next one.
class NodeAhead {
 public:
  explicit NodeAhead(const linear::LinearSystem& system) : system_(system) {}
  ~NodeAhead();
  NodeAhead(const NodeAhead&) = delete;
  NodeAhead& operator=(const NodeAhead&) = delete;

  // Whether the node's LP is queued, under way, or solved and not yet taken.
  bool holds(std::size_t node) const;
  // Jobs queued or under way.
  std::size_t pending() const;
  // Whether the node's LP has been solved (or has stopped).
  bool done(std::size_t node) const;
  // Take the node's job back if its solve has not begun.
  void withdraw(std::size_t node);
  // Queue `job`; false, with nothing queued, when the system gives no thread.
  bool start(NodeJob job);
  // The node's answer, once its solve ends; while waiting `cancel` is
  // polled. The solve's own stop is rethrown here.
  NodeSolve take(std::size_t node, Cancel& cancel);
  // Forget the node: its job is dropped, or stopped if under way.
  void drop(std::size_t node);

 private:
  struct Slot {
    NodeJob job;
    std::optional<NodeSolve> answer;
    std::exception_ptr failure;
    bool running = false, finished = false, dropped = false;
  };
  void run();
  // The node's slot (not a dropped one) in `slots`, const or not; end() if none.
  template <class Slots>
  static auto find_in(Slots& slots, std::size_t node);

  const linear::LinearSystem& system_;
  mutable std::mutex mutex_;
  std::condition_variable work_, finished_;
  std::list<Slot> slots_;  // in the order queued
  std::thread thread_;
  bool quit_ = false;
  // Stops the solve under way (dropped, or the end of the search).
  std::atomic<bool> stop_{false};
  Cancel cancel_ = Cancel::when(stop_);
};

}  // namespace mivex::milp
