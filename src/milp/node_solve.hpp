// One node LP of branch and bound: what solving it reads (the node's rows,
// the ancestor's log it may repeat pivots from) and what it gives the search.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "core/solver_result.hpp"
#include "linear/constraint.hpp"
#include "linear/rational.hpp"
#include "linear/system.hpp"
#include "lp/simplex/pivot_log.hpp"
#include "lp/solver.hpp"
#include "lp/factor/standard_form.hpp"
#include "milp/integrality.hpp"

namespace mivex::milp {

// What solving a node LP gives the search.
struct NodeSolve {
  LpResult result = LpResult::unknown(UnknownReason(UnknownReason::Kind::ResourceLimit));
  std::vector<linear::Rational> exact;              // the point, when optimal
  std::unique_ptr<lp::PivotLog> log;                // this run's, for the children to repeat from
  std::shared_ptr<const lp::WarmBasis> warm_start;  // where the children's fast path starts
  std::size_t repeat = 0;                           // pivots taken from the ancestor's log
  std::size_t repeat_class = 0;  // which way choice measures this node (see Search)
  lp::SolveStats stats;
  lp::LpSolver::FastPath mode = lp::LpSolver::FastPath::Off;
  // Whether the search tuned the pivots (an ancestor's numbers were big),
  // and how (lp::LpSolver::start_from_bounds, lp::LpSolver::lift_ties).
  bool tuned = false;
  bool start_from_bounds = false;
  bool lift_ties = false;
  double seconds = 0.0;
  bool floor_from_duals = false;  // the fast path missed, and its duals raised the floor
  // Settled without its pivots (Search::hopeless_branch): its optimum, no
  // better than the incumbent, and a variable fractional at every optimal
  // point. It has no result; it branches into children no pop will solve.
  struct Hopeless {
    double objective;
    Branch branch;
  };
  std::optional<Hopeless> hopeless;
};

// A node LP, with everything it reads owned here.
struct NodeJob {
  std::size_t node = 0;
  std::shared_ptr<const lp::StandardForm> form;  // the root's form with the node's rows
  std::vector<linear::LinearConstraint> extra;   // those rows
  std::shared_ptr<const lp::PivotLog> base;      // the log to repeat `repeat` pivots from
  std::size_t repeat = 0;
  std::size_t second_run_repeat = 0;                // of the log's second run, if this LP comes to one
  std::size_t repeat_class = 0;  // whether it repeats at least half its ancestor's logged pivots
  bool record_log = false;
  bool check = false;  // solve again from scratch and stop unless the same
  std::shared_ptr<const lp::WarmBasis> warm_start;  // handed on unless the pivots alone solve it
  bool warm_from_pivots = false;  // then the children's fast path starts from their final basis
  std::shared_ptr<const linear::Rational> floor;     // lp::LpSolver::set_floor, when known
};

// Solve `job` (it only reads `system` and the job): by the
// pivots alone, unless `setup` chooses another way on the solver (and sets
// `mode`) before it runs.
NodeSolve solve_node(const NodeJob& job, const linear::LinearSystem& system, Cancel& cancel,
                     const std::function<void(lp::LpSolver&, NodeSolve&)>& setup = {});

}  // namespace mivex::milp
