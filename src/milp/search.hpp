// The state of one branch-and-bound search and its steps: the root LP, the
// open nodes (a heap over the nodes made), the incumbent that prunes them,
// how each node LP is solved, and the statistics. BranchAndBound::solve
// runs the steps in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "core/solver_result.hpp"
#include "linear/system.hpp"
#include "lp/certified/fast_path.hpp"
#include "lp/factor/standard_form.hpp"
#include "milp/incumbent.hpp"
#include "milp/integrality.hpp"
#include "milp/log_store.hpp"
#include "milp/node_heap.hpp"
#include "milp/node_solve.hpp"
#include "milp/way_choice.hpp"
#include "milp/solver.hpp"

namespace mivex::milp {

struct SearchOptions {
  std::size_t node_limit;
  NodeLpWay ways;
  bool repeats;
  bool floors;
  bool check_nodes;
  Tuning bounds_start;
  Tuning tie_lifting;
};

class Search {
 public:
  // `system`, `stats` and `cancel` must outlive the search.
  Search(const linear::LinearSystem& system, const SearchOptions& options, SearchStats& stats, Cancel& cancel);
  Search(const Search&) = delete;
  Search& operator=(const Search&) = delete;

  // Solve the root LP; the answer when the search ends there, else its
  // children are open.
  std::optional<LpResult> solve_root();
  // The next open node worth solving; none when no node is left or the
  // node limit stops the search.
  std::optional<std::size_t> next_node();
  // Its LP, in the way the way choice gives.
  NodeSolve solve(std::size_t id);
  // The solve in the statistics and the way choice.
  void count(const NodeSolve& solved);
  // An optimal node LP: its point becomes the incumbent when integral and
  // better, else the node branches.
  void settle(std::size_t id, NodeSolve solved);
  // How the search ended.
  LpResult outcome();

 private:
  NodeJob job_for(std::size_t id) const;
  // How the node's pivots are tuned (where an ancestor's numbers grew big).
  void tune(std::size_t id, lp::LpSolver& solver, NodeSolve& out);
  // For a fast path that misses: which columns' values would make the
  // node branch (none without an incumbent), and the node settled without
  // its pivots where what the miss proves allows it.
  lp::NodeFastPath::ColumnTest fractional_test() const;
  std::optional<NodeSolve> hopeless_branch(const lp::NodeMiss& miss) const;
  void add_children(const Node* parent, std::optional<double> lp_bound, const Branch& branch, double key,
                    const std::shared_ptr<const lp::WarmBasis>& warm_start, const ChildLog& log,
                    std::shared_ptr<const Rational> floor, bool bounds_paid);
  // An optimal LP point's objective in the minimised form: its children's floor.
  std::shared_ptr<const Rational> floor_of(const std::vector<Rational>& point) const;

  const linear::LinearSystem& system_;
  const SearchOptions options_;
  SearchStats& stats_;
  Cancel& cancel_;
  std::vector<std::uint64_t> integers_;
  // Every node LP is the system as read plus its bound rows: the nodes
  // share the root's matrix and add only those rows.
  std::shared_ptr<const lp::StandardForm> root_form_;
  bool eligible_;  // for the fast path at all
  // One warm floating-point model serves the fast path of every LP, the
  // root's included.
  std::optional<lp::NodeFastPath> fast_;
  // Nodes that repeat most of an ancestor's pivots make few of their own:
  // their pivots and the rest's are measured apart.
  WayChoice choice_[2];
  // Where an ancestor's exact numbers grew big (Node::bounds_paid), whether
  // the pivots decide from bounds from the first, and whether they settle
  // ties by lifting wherever it can: each pays on some programs (the first
  // on pk1 and mod008, the second on pk1) and not on others (noswot), so
  // they are measured.
  MeasuredChoice start_choice_{false, 2};
  MeasuredChoice lift_choice_{false, 4};
  LogStore logs_;  // before the nodes, whose logs point back to it
  std::vector<Node> nodes_;
  NodeHeap open_;
  Incumbent incumbent_;
  std::optional<std::size_t> unexamined_;  // the node popped when the limit stopped the search
};

}  // namespace mivex::milp
