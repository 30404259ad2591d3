#include "milp/search.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

#include "core/error.hpp"
#include "lp/solver.hpp"
#include "milp/repeated_pivots.hpp"

namespace mivex::milp {

using linear::CmpOp;
using linear::LinearConstraint;
using linear::LinearExpr;
using linear::ObjectiveSense;

namespace {

// Whether a node takes the second way of a choice the search may measure.
bool take(Tuning tuning, const MeasuredChoice& choice) {
  return tuning == Tuning::Always || (tuning == Tuning::Measured && choice.second());
}

// Each bound of the node as a constraint (lower first, then upper), to be
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

std::vector<std::uint64_t> integer_variables(const LinearSystem& system) {
  std::vector<std::uint64_t> integers;
  for (std::uint64_t var : system.variables) {
    if (system.var_info(var).is_integer) integers.push_back(var);
  }
  return integers;
}

// The fast path is worth trying where it would be on a program alone
// (lp::LpSolver's Auto), unless a test fixes the way.
bool fast_path_eligible(const lp::StandardForm& form, NodeLpWay ways) {
  return ways == NodeLpWay::FastFirst ||
         (ways == NodeLpWay::Measured && form.num_rows() + form.num_cols() >= lp::kFastPathSize);
}

}  // namespace

Search::Search(const LinearSystem& system, const SearchOptions& options, SearchStats& stats, Cancel& cancel)
    : system_(system),
      options_(options),
      stats_(stats),
      cancel_(cancel),
      integers_(integer_variables(system)),
      root_form_(lp::StandardForm::of(system)),
      eligible_(fast_path_eligible(*root_form_, options.ways)),
      choice_{WayChoice(eligible_, options.ways == NodeLpWay::FastFirst),
              WayChoice(eligible_, options.ways == NodeLpWay::FastFirst)},
      logs_(options.repeats),
      incumbent_(system.objective && system.objective->sense == ObjectiveSense::Minimize) {
  if (eligible_) fast_.emplace(system_, cancel_);
}

std::optional<LpResult> Search::solve_root() {
  ++stats_.lp_solves;
  lp::LpSolver solver(root_form_, system_);
  std::shared_ptr<const lp::WarmBasis> root_basis;
  if (fast_) {
    solver.set_fast_path(lp::LpSolver::FastPath::Always);
    solver.set_fast_solve([&](Cancel& c) {
      auto answer = fast_->solve(nullptr, nullptr, c);
      root_basis = fast_->last_basis();
      return answer;
    });
  } else {
    solver.set_fast_path(lp::LpSolver::FastPath::Off);
  }
  auto log = std::make_unique<lp::PivotLog>();
  if (options_.repeats) solver.record_log(log.get());
  LpResult result = solver.solve(cancel_);
  stats_.pivots += solver.stats().pivots;
  if (integers_.empty() || result.kind() != LpResult::Kind::Optimal) return result;
  if (all_integral(result.assignment(), integers_)) {
    check_solution(system_, integers_, result.assignment(), solver.exact_values());
    return result;
  }
  auto first = branching_variable(result.assignment(), integers_);
  if (!first) stop("fractional LP solution without a branching variable");
  add_children(nullptr, std::nullopt, *first, result.objective(), root_basis,
               logs_.for_children(std::move(log), nullptr, 0), floor_of(solver.exact_values()),
               solver.stats().bounds_paid);
  return std::nullopt;
}

std::optional<std::size_t> Search::next_node() {
  while (auto entry = open_.pop()) {
    if (stats_.nodes == options_.node_limit) {
      unexamined_ = entry->node;
      return std::nullopt;
    }
    ++stats_.nodes;
    cancel_.check();
    if (!incumbent_.survives(nodes_[entry->node].lp_bound)) continue;
    ++stats_.lp_solves;
    return entry->node;
  }
  return std::nullopt;
}

NodeJob Search::job_for(std::size_t id) const {
  const Node& node = nodes_[id];
  NodeJob job;
  job.node = id;
  job.extra = bound_rows(node);
  job.form = lp::StandardForm::extend(root_form_, job.extra);
  job.repeat = options_.repeats && node.log ? repeated_pivots(*node.log, node.bounds, node.log_bounds) : 0;
  if (job.repeat > 0) {
    job.base = node.log;
    job.second_run_repeat = repeated_second_run_pivots(*node.log, node.bounds, node.log_bounds, job.repeat);
  }
  job.repeat_class = job.repeat > 0 && 2 * job.repeat >= node.log->steps.size() ? 1 : 0;
  job.record_log = options_.repeats;
  job.check = options_.check_nodes;
  job.warm_start = node.warm_start;
  job.warm_from_pivots = eligible_;
  if (options_.floors) job.floor = node.floor;
  return job;
}

void Search::tune(std::size_t id, lp::LpSolver& solver, NodeSolve& out) {
  out.tuned = nodes_[id].bounds_paid;
  out.start_from_bounds = out.tuned && take(options_.bounds_start, start_choice_);
  out.lift_ties = out.tuned && take(options_.tie_lifting, lift_choice_);
  solver.start_from_bounds(out.start_from_bounds);
  solver.lift_ties(out.lift_ties);
}

NodeSolve Search::solve(std::size_t id) {
  NodeJob job = job_for(id);
  // Once there is an incumbent, the fast path may also settle a node
  // without its pivots (hopeless_branch), which the way choice's past
  // timings do not show: it is tried first on every node from then on.
  const lp::LpSolver::FastPath mode = fast_ && incumbent_.point && options_.ways == NodeLpWay::Measured
                                          ? lp::LpSolver::FastPath::Always
                                          : choice_[job.repeat_class].next();
  if (mode != lp::LpSolver::FastPath::Always) {
    return solve_node(job, system_, cancel_, [&](lp::LpSolver& solver, NodeSolve& out) {
      tune(id, solver, out);
      out.mode = mode;
      solver.set_fast_path(mode);
    });
  }
  // The fast path first, from the node's warm start; its children start
  // from where it ended.
  const auto start = std::chrono::steady_clock::now();
  lp::NodeMiss miss;
  std::optional<lp::FastAnswer> answer =
      fast_->solve(&job.extra, job.warm_start.get(), cancel_, &miss, fractional_test());
  std::shared_ptr<const lp::WarmBasis> warm = fast_->last_basis();
  const double fast_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!answer) {
    if (auto settled = hopeless_branch(miss)) {
      settled->seconds = fast_seconds;
      settled->warm_start = warm ? warm : job.warm_start;
      return std::move(*settled);
    }
  }
  // A miss on a node with several optima: its duals most often prove the
  // optimum itself, a higher floor than the parent's for the pivots.
  const bool raised = options_.floors && !answer && miss.floor && (!job.floor || *job.floor < *miss.floor);
  if (raised) job.floor = std::make_shared<const Rational>(std::move(*miss.floor));
  NodeSolve out = solve_node(job, system_, cancel_, [&](lp::LpSolver& solver, NodeSolve& o) {
    tune(id, solver, o);
    o.mode = mode;
    o.floor_from_duals = raised;
    if (warm) o.warm_start = warm;
    solver.set_fast_path(mode);
    solver.set_fast_solve([&](Cancel&) { return std::move(answer); });
  });
  out.seconds += fast_seconds;
  return out;
}

lp::NodeFastPath::ColumnTest Search::fractional_test() const {
  // Only where a node could be settled without its pivots (see
  // hopeless_branch): an incumbent to compare with.
  if (!incumbent_.point || !system_.objective) return {};
  return [this](std::size_t column, const Rational& value) {
    // The model shows an exact integer as one, anything else as its double,
    // which all_integral reads.
    return system_.var_info(system_.variables[column]).is_integer && !value.is_integer() &&
           std::fabs(value.to_f64() - std::round(value.to_f64())) >= INTEGRALITY_TOLERANCE;
  };
}

std::optional<NodeSolve> Search::hopeless_branch(const lp::NodeMiss& miss) const {
  // A node whose optimum is no better than the incumbent and whose pivots
  // would end on a fractional point branches into two children that no pop
  // will solve (their LP bound does not survive the incumbent): what it
  // does to the search is pushing them, with its optimum as their key. The
  // key is the exact optimum's double, as the LP would report it, and the
  // pivots' point has the fractional value that every optimum shares, so
  // the heap and the node count come out as if it had been solved.
  if (!miss.optimum || !miss.fixed) return std::nullopt;
  const Rational& constant = system_.objective->expr.constant;
  const Rational z = incumbent_.minimize ? *miss.floor + constant : constant - *miss.floor;
  const double objective = z.to_f64();
  if (incumbent_.survives(objective)) return std::nullopt;
  NodeSolve out;
  out.hopeless = NodeSolve::Hopeless{objective, Branch{system_.variables[*miss.fixed], miss.fixed_value.to_f64()}};
  out.mode = lp::LpSolver::FastPath::Always;
  return out;
}

void Search::count(const NodeSolve& solved) {
  choice_[solved.repeat_class].record(solved.mode, solved.seconds);
  if (solved.hopeless) {
    ++stats_.hopeless;
    stats_.hopeless_seconds += solved.seconds;
    return;
  }
  if (solved.tuned && !solved.stats.fast_path) {
    // Per pivot made: the tuning leaves the pivots as they are, and nodes
    // differ most in how many they make.
    const std::size_t repeated = std::min(solved.repeat + solved.stats.second_run_repeated, solved.stats.pivots);
    const double made = static_cast<double>(std::max<std::size_t>(1, solved.stats.pivots - repeated));
    start_choice_.record(solved.start_from_bounds, solved.stats.pivots_seconds, made);
    lift_choice_.record(solved.lift_ties, solved.stats.pivots_seconds, made);
    if (solved.start_from_bounds) ++stats_.from_bounds;
    if (solved.lift_ties) ++stats_.lifted;
  }
  stats_.pivots += solved.stats.pivots;
  if (solved.stats.below_floor) ++stats_.below_floor;
  if (solved.floor_from_duals) ++stats_.floors_from_duals;
  if (!solved.stats.fast_path) {
    stats_.repeated += solved.repeat + solved.stats.second_run_repeated;
    stats_.second_run_repeated += solved.stats.second_run_repeated;
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
}

void Search::settle(std::size_t id, NodeSolve solved) {
  if (solved.hopeless) {
    // Its children only need to be there, with the key and bound the
    // pivots would have given them: none of them is solved.
    Node parent = nodes_[id];
    const double z = solved.hopeless->objective;
    add_children(&parent, z, solved.hopeless->branch, z, solved.warm_start, ChildLog{}, nullptr, parent.bounds_paid);
    return;
  }
  if (solved.result.kind() != LpResult::Kind::Optimal) return;
  const double z = solved.result.objective();
  if (all_integral(solved.result.assignment(), integers_)) {
    incumbent_.offer(z, std::move(solved.result.assignment()), std::move(solved.exact));
    return;
  }
  auto branch = branching_variable(solved.result.assignment(), integers_);
  if (!branch) stop("fractional LP solution without a branching variable");
  // `nodes_` grows below: copy what the children need first.
  Node parent = nodes_[id];
  add_children(&parent, z, *branch, z, solved.warm_start,
               logs_.for_children(std::move(solved.log), &parent, solved.stats.fast_path ? 0 : solved.repeat),
               floor_of(solved.exact), solved.stats.fast_path ? parent.bounds_paid : solved.stats.bounds_paid);
}

std::shared_ptr<const Rational> Search::floor_of(const std::vector<Rational>& point) const {
  if (point.size() != root_form_->num_structural()) return nullptr;
  return std::make_shared<const Rational>(root_form_->objective_at(point));
}

void Search::add_children(const Node* parent, std::optional<double> lp_bound, const Branch& branch, double key,
                          const std::shared_ptr<const lp::WarmBasis>& warm_start, const ChildLog& log,
                          std::shared_ptr<const Rational> floor, bool bounds_paid) {
  const std::uint64_t depth = parent ? parent->depth + 1 : 1;
  for (int up = 0; up < 2; ++up) {
    Node child{lp_bound, parent ? parent->bounds : std::vector<VarBound>{}, depth, warm_start, log.log, log.bounds, floor, bounds_paid};
    Rational bound = Rational::from_f64(up ? std::ceil(branch.value) : std::floor(branch.value));
    child.bounds.push_back(up ? VarBound{branch.var, std::move(bound), std::nullopt}
                              : VarBound{branch.var, std::nullopt, std::move(bound)});
    nodes_.push_back(std::move(child));
    open_.push({key, nodes_.size() - 1});
  }
}

LpResult Search::outcome() {
  if (!incumbent_.point) {
    if (stats_.nodes >= options_.node_limit) return LpResult::unknown(UnknownReason(UnknownReason::Kind::ResourceLimit));
    return LpResult::infeasible();
  }
  check_solution(system_, integers_, *incumbent_.point, incumbent_.exact);
  // Stopped by the limit: the incumbent is proven optimal only if no node
  // left unexamined could still improve on it.
  bool open_improvable = false;
  if (unexamined_) {
    open_improvable = incumbent_.survives(nodes_[*unexamined_].lp_bound);
    for (const auto& e : open_.entries()) open_improvable = open_improvable || incumbent_.survives(nodes_[e.node].lp_bound);
  }
  if (open_improvable) return LpResult::feasible(std::move(*incumbent_.point));
  return LpResult::optimal(std::move(*incumbent_.point), incumbent_.objective);
}

}  // namespace mivex::milp
