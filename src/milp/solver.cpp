#include "milp/solver.hpp"

#include <cmath>
#include <limits>
#include <utility>

#include "core/error.hpp"
#include "lp/solver.hpp"
#include "milp/node_heap.hpp"
#include "milp/node_solve.hpp"
#include "milp/path_choice.hpp"
#include "milp/repeated_pivots.hpp"

namespace mivex::milp {

using linear::CmpOp;
using linear::LinearConstraint;
using linear::LinearExpr;
using linear::ObjectiveSense;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// Pivot logs kept for the open nodes' repeats, in bytes at most; past that a
// node's children read an older log (or none), which only costs speed.
constexpr std::size_t kLogBudget = std::size_t{64} << 20;

bool is_integral(double v) { return std::fabs(v - std::round(v)) < INTEGRALITY_TOLERANCE; }

// The value of `var` in an LP model. The LP solver lists variable k at
// entry k, so the lookup is direct; anything else falls back to a search.
const Value* value_at(const Assignment& a, std::uint64_t var) {
  const auto& entries = a.entries();
  if (var < entries.size() && entries[var].first == var) return &entries[var].second;
  return a.get(var);
}

// Every integer variable present in the LP solution and integral.
bool all_integral(const Assignment& a, const std::vector<std::uint64_t>& integers) {
  for (std::uint64_t var : integers) {
    const Value* v = value_at(a, var);
    if (v == nullptr || !is_integral(v->as_f64())) return false;
  }
  return true;
}

struct Branch {
  std::uint64_t var;
  double value;
};

// The first integer variable whose fractional part lies strictly inside the window.
std::optional<Branch> branching_variable(const Assignment& a,
                                         const std::vector<std::uint64_t>& integers) {
  for (std::uint64_t var : integers) {
    const Value* v = value_at(a, var);
    if (v == nullptr) continue;
    double x = v->as_f64();
    double f = x - std::floor(x);
    if (f > 1e-10 && f < 0.9999999999) return Branch{var, x};
  }
  return std::nullopt;
}

// One LP solve: the result and, when optimal, the exact point.
struct LpOutcome {
  LpResult result;
  std::vector<Rational> exact;
};

LpOutcome solve_lp(lp::LpSolver& solver, Cancel& cancel) {
  LpResult result = solver.solve(cancel);
  std::vector<Rational> exact;
  if (result.kind() == LpResult::Kind::Optimal) exact = solver.exact_values();
  return {std::move(result), std::move(exact)};
}

// Each bound of the path as a constraint (lower first, then upper), to be
// appended to the system as read.
std::vector<LinearConstraint> bound_rows(const Node& node) {
  std::vector<LinearConstraint> rows;
  rows.reserve(node.bounds.size());
  for (const VarBound& b : node.bounds) {
    if (b.lower) {
      rows.push_back({LinearExpr::variable(b.var) - LinearExpr::constant_of(*b.lower), CmpOp::Ge, std::nullopt});
    }
    if (b.upper) {
      rows.push_back({LinearExpr::variable(b.var) - LinearExpr::constant_of(*b.upper), CmpOp::Le, std::nullopt});
    }
  }
  return rows;
}

// A solution handed back must hold exactly and be integral where required.
void check_solution(const LinearSystem& system, const std::vector<std::uint64_t>& integers,
                    const Assignment& model, const std::vector<Rational>& exact) {
  for (const auto& c : system.constraints) {
    if (!c.holds_at(exact)) stop("MILP solution violates a constraint");
  }
  if (!all_integral(model, integers)) stop("MILP solution is not integral");
}

}  // namespace

LpResult BranchAndBound::solve(Cancel& cancel) {
  stats_ = SearchStats();
  std::vector<std::uint64_t> integers;
  for (std::uint64_t var : system_.variables) {
    if (system_.var_info(var).is_integer) integers.push_back(var);
  }

  // Every node LP is the system as read plus its bound rows: the nodes
  // share the root's matrix and add only those rows.
  auto root_form = lp::StandardForm::of(system_);
  // The fast path is worth trying where it would be on a program alone
  // (lp::LpSolver's Auto), unless a test fixes the way.
  const bool eligible = paths_ == NodeLpPath::FastFirst ||
                        (paths_ == NodeLpPath::Measured &&
                         root_form->num_rows() + root_form->num_cols() >= lp::kFastPathSize);
  // One warm floating-point model serves the fast path of every LP below,
  // the root's included.
  std::optional<lp::NodeFastPath> fast;
  if (eligible) fast.emplace(system_, cancel);
  auto fast_solve = [&](const std::vector<LinearConstraint>* rows, const lp::WarmBasis* start,
                        Cancel& c) -> std::optional<lp::FastAnswer> { return fast->solve(rows, start, c); };
  std::shared_ptr<const lp::WarmBasis> root_basis;
  ++stats_.lp_solves;
  lp::LpSolver root_solver(root_form, system_);
  if (fast) {
    root_solver.set_fast_path(lp::LpSolver::FastPath::Always);
    root_solver.set_fast_solve([&](Cancel& c) {
      auto answer = fast_solve(nullptr, nullptr, c);
      root_basis = fast->last_basis();
      return answer;
    });
  } else {
    root_solver.set_fast_path(lp::LpSolver::FastPath::Off);
  }
  auto root_log = std::make_unique<lp::PivotLog>();
  if (repeats_) root_solver.record_log(root_log.get());
  LpOutcome root = solve_lp(root_solver, cancel);
  stats_.pivots += root_solver.stats().pivots;
  if (integers.empty() || root.result.kind() != LpResult::Kind::Optimal) return std::move(root.result);
  if (all_integral(root.result.assignment(), integers)) {
    check_solution(system_, integers, root.result.assignment(), root.exact);
    return std::move(root.result);
  }

  const bool minimize = system_.objective && system_.objective->sense == ObjectiveSense::Minimize;
  // A node is worth solving only if its parent's bound beats the incumbent.
  double incumbent_objective = minimize ? kInf : -kInf;
  auto survives = [&](const std::optional<double>& lp_bound) {
    if (minimize) return lp_bound.value_or(-kInf) < incumbent_objective;
    return incumbent_objective < lp_bound.value_or(kInf);
  };
  auto improves = [&](double z) { return minimize ? z < incumbent_objective : z > incumbent_objective; };

  // Bytes of the pivot logs alive; declared before the nodes that hold them.
  std::size_t log_bytes = 0;
  // The log a node's children read (and how many bounds it had): its own
  // when complete and within the budget, else the one it read.
  struct ChildLog {
    std::shared_ptr<const lp::PivotLog> log;
    std::size_t bounds = 0;
  };
  auto children_log = [&](std::unique_ptr<lp::PivotLog> log, const Node* node, std::size_t repeated) {
    ChildLog inherited{node ? node->log : nullptr, node ? node->log_bounds : 0};
    if (!repeats_ || !log->complete) return inherited;
    if (node != nullptr && repeated > 0) forget_lowered(*log, node->bounds, node->log_bounds);
    const std::size_t bytes = log->bytes();
    if (log_bytes + bytes > kLogBudget) return inherited;
    log_bytes += bytes;
    std::shared_ptr<const lp::PivotLog> kept(log.release(), [&log_bytes, bytes](const lp::PivotLog* p) {
      log_bytes -= bytes;
      delete p;
    });
    return ChildLog{std::move(kept), node ? node->bounds.size() : 0};
  };

  std::vector<Node> nodes;
  NodeHeap heap;
  auto add_children = [&](const Node* parent, std::optional<double> lp_bound, const Branch& branch,
                          double key, const std::shared_ptr<const lp::WarmBasis>& warm_start, const ChildLog& log) {
    const std::uint64_t depth = parent ? parent->depth + 1 : 1;
    for (int up = 0; up < 2; ++up) {
      Node child{lp_bound, parent ? parent->bounds : std::vector<VarBound>{}, depth, warm_start, log.log, log.bounds};
      Rational bound = Rational::from_f64(up ? std::ceil(branch.value) : std::floor(branch.value));
      child.bounds.push_back(up ? VarBound{branch.var, std::move(bound), std::nullopt}
                                : VarBound{branch.var, std::nullopt, std::move(bound)});
      nodes.push_back(std::move(child));
      heap.push({key, nodes.size() - 1});
    }
  };

  auto first = branching_variable(root.result.assignment(), integers);
  if (!first) stop("fractional LP solution without a branching variable");
  add_children(nullptr, std::nullopt, *first, root.result.objective(), root_basis,
               children_log(std::move(root_log), nullptr, 0));

  std::optional<Assignment> incumbent;
  std::vector<Rational> incumbent_exact;
  std::optional<std::size_t> unexamined;  // the node popped when the limit stopped the search
  // Nodes that repeat most of an ancestor's pivots make few of their own:
  // their pivots and the rest's are measured apart.
  NodePathChoice paths[2] = {NodePathChoice(eligible, paths_ == NodeLpPath::FastFirst),
                             NodePathChoice(eligible, paths_ == NodeLpPath::FastFirst)};
  auto path_of = [&](const Node& node, std::size_t repeat) -> std::size_t {
    return repeat > 0 && 2 * repeat >= node.log->steps.size() ? 1 : 0;
  };
  auto repeat_of = [&](const Node& node) -> std::size_t {
    return repeats_ && node.log ? repeated_pivots(*node.log, node.bounds, node.log_bounds) : 0;
  };

  // What solving node `id` takes, its ancestor's log among it.
  auto job_for = [&](std::size_t id) {
    const Node& node = nodes[id];
    NodeJob job;
    job.node = id;
    job.extra = bound_rows(node);
    job.form = lp::StandardForm::extend(root_form, job.extra);
    job.repeat = repeat_of(node);
    if (job.repeat > 0) {
      job.base = node.log;
      job.restart_repeat = repeated_restart_pivots(*node.log, node.bounds, node.log_bounds, job.repeat);
    }
    job.path = path_of(node, job.repeat);
    job.record_log = repeats_;
    job.check = check_nodes_;
    job.warm_start = node.warm_start;
    return job;
  };

  // A node LP solved in the way the search chose.
  auto solve_here = [&](std::size_t id) {
    const NodeJob job = job_for(id);
    return solve_node(job, system_, cancel, [&](lp::LpSolver& solver, NodeSolve& out) {
      out.mode = paths[out.path].next();
      solver.set_fast_path(out.mode);
      // The children start from this node's final basis if it has one, else
      // from where this node started.
      if (out.mode == lp::LpSolver::FastPath::Always) {
        solver.set_fast_solve([&](Cancel& c) {
          auto answer = fast_solve(&job.extra, out.warm_start.get(), c);
          if (auto end = fast->last_basis()) out.warm_start = std::move(end);
          return answer;
        });
      }
    });
  };

  while (auto entry = heap.pop()) {
    if (stats_.nodes == node_limit_) {
      unexamined = entry->node;
      break;
    }
    ++stats_.nodes;
    cancel.check();
    const std::size_t id = entry->node;
    if (!survives(nodes[id].lp_bound)) continue;

    ++stats_.lp_solves;
    NodeSolve solved = solve_here(id);

    paths[solved.path].record(solved.mode, solved.seconds);
    stats_.pivots += solved.stats.pivots;
    if (!solved.stats.fast_path) {
      stats_.repeated += solved.repeat + solved.stats.restart_repeated;
      stats_.restart_repeated += solved.stats.restart_repeated;
    }
    if (solved.mode != lp::LpSolver::FastPath::Always) {
      ++stats_.pivots_only;
      stats_.pivots_only_seconds += solved.seconds;
    } else if (solved.stats.fast_path) {
      ++stats_.fast_answered;
      stats_.fast_answered_seconds += solved.seconds;
    } else {
      ++stats_.fast_missed;
      stats_.fast_missed_seconds += solved.seconds;
    }
    // An LP that could not finish says nothing about the node; claiming an
    // optimum without it would be unfounded.
    if (solved.result.kind() == LpResult::Kind::Unknown) return std::move(solved.result);
    if (solved.result.kind() != LpResult::Kind::Optimal) continue;

    const double z = solved.result.objective();
    if (all_integral(solved.result.assignment(), integers)) {
      if (improves(z)) {
        incumbent_objective = z;
        incumbent = std::move(solved.result.assignment());
        incumbent_exact = std::move(solved.exact);
      }
      continue;
    }
    auto branch = branching_variable(solved.result.assignment(), integers);
    if (!branch) stop("fractional LP solution without a branching variable");
    // `nodes` grows below: copy what the children need first.
    Node parent = nodes[id];
    add_children(&parent, z, *branch, z, solved.warm_start,
                 children_log(std::move(solved.log), &parent, solved.stats.fast_path ? 0 : solved.repeat));
  }

  if (!incumbent) {
    if (stats_.nodes >= node_limit_) return LpResult::unknown(UnknownReason(UnknownReason::Kind::ResourceLimit));
    return LpResult::infeasible();
  }
  check_solution(system_, integers, *incumbent, incumbent_exact);
  // Stopped by the limit: the incumbent is proven optimal only if no node
  // left unexamined could still improve on it.
  bool open_improvable = false;
  if (unexamined) {
    open_improvable = survives(nodes[*unexamined].lp_bound);
    for (const auto& e : heap.entries()) open_improvable = open_improvable || survives(nodes[e.node].lp_bound);
  }
  if (open_improvable) return LpResult::feasible(std::move(*incumbent));
  return LpResult::optimal(std::move(*incumbent), incumbent_objective);
}

}  // namespace mivex::milp
