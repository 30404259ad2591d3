#include "lp/solver.hpp"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>

#include "core/error.hpp"
#include "core/memory.hpp"
#include "lp/certified/fast_path.hpp"
#include "lp/factor/solution.hpp"

namespace mivex::lp {

namespace {

// Auto: programs of kFastPathSize and more, except the node programs of
// branch and bound (extra bound rows), whose search sets the way per node
// after timing both (a cold floating-point run per node pays on some models
// and not on others).
bool fast_path_pays(const StandardForm& form, const std::vector<linear::LinearConstraint>* extra) {
  return form.num_rows() + form.num_cols() >= kFastPathSize && (extra == nullptr || extra->empty());
}

// What a solve holds besides the factors: the matrix, and per row and per
// column a few exact numbers, doubles and indexes (pricing alone keeps five
// doubles and three flags a column).
void require_memory_for(const StandardForm& form) {
  const std::uint64_t per_line = 4 * sizeof(Rational) + 7 * sizeof(std::uint64_t);
  const std::uint64_t bytes = form.own_bytes() + (form.num_rows() + form.num_cols()) * per_line;
  require_memory(bytes, "LP with " + std::to_string(form.num_rows()) + " rows and " +
                            std::to_string(form.num_cols()) + " columns");
}

}  // namespace

bool one_gap(const LpSolver::Trace& full, const LpSolver::Trace& cut) {
  if (cut.size() > full.size()) return false;
  std::size_t k = 0;
  while (k < cut.size() && cut[k] == full[k]) ++k;
  return std::equal(cut.begin() + static_cast<std::ptrdiff_t>(k), cut.end(),
                    full.end() - static_cast<std::ptrdiff_t>(cut.size() - k));
}

LpResult LpSolver::solve(Cancel& cancel) {
  values_.clear();
  basis_.clear();
  objective_ = Rational();
  stats_ = SolveStats();
  if (system_ == nullptr) return LpResult::unknown(UnknownReason::internal("no system loaded"));
  if (!form_) form_ = StandardForm::of(*system_);
  require_memory_for(*form_);
  if (fast_path_ == FastPath::Always || (fast_path_ == FastPath::Auto && fast_path_pays(*form_, extra_))) {
    // A floor serves only where phase 1 may leave artificials basic; it
    // keeps the fast path's form and factor until the pivots end.
    FloorSource floor;
    FloorSource* wanted = form_->has_artificial() ? &floor : nullptr;
    auto answer = fast_solve_ ? fast_solve_(cancel) : fast_path_solve(*system_, extra_, cancel, wanted);
    if (answer) return take(std::move(*answer));
    return pivots(cancel, std::move(floor));
  }
  return pivots(cancel);
}

LpResult LpSolver::pivots(Cancel& cancel, FloorSource floor) {
  TwoPhase run(form_);
  run.record_trace(trace_);
  run.verify_updates(verify_);
  run.record_log(log_);
  run.repeat_from(base_.get(), repeat_, second_run_repeat_);
  run.set_floor(floor_, std::move(floor));
  run.start_from_bounds(start_bounded_);
  run.lift_ties(lift_ties_);
  const auto start = std::chrono::steady_clock::now();
  PivotsEnd end = run.run(cancel);
  static_cast<PivotStats&>(stats_) = run.stats();
  stats_.pivots_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  switch (end.kind) {
    case PivotsEnd::Kind::Infeasible: return LpResult::infeasible();
    case PivotsEnd::Kind::Unbounded: return LpResult::unbounded();
    case PivotsEnd::Kind::Optimal: break;
  }
  basis_ = end.basis;
  return finish(end.basic_values, end.basis);
}

LpResult LpSolver::take(FastAnswer answer) {
  stats_.fast_path = true;
  if (answer.result.kind() != LpResult::Kind::Optimal) return std::move(answer.result);
  return finish(std::move(answer.values));
}

LpResult LpSolver::finish(const std::vector<Rational>& basic_values, const std::vector<std::uint32_t>& basis) {
  const std::size_t n = form_->num_structural();
  std::vector<Rational> values(n);
  for (std::size_t p = 0; p < basis.size(); ++p) {
    if (basis[p] < n) values[basis[p]] = basic_values[p];
  }
  return finish(std::move(values));
}

LpResult LpSolver::finish(std::vector<Rational> values) {
  const LinearSystem& sys = *system_;
  // The solution, checked against every constraint exactly.
  values_ = std::move(values);
  for (const auto& v : values_) {
    if (v.is_negative()) stop("LP solution has a negative variable");
  }
  for (const auto& c : sys.constraints) {
    if (!c.holds_at(values_)) stop("LP solution violates a constraint");
  }
  if (extra_ != nullptr) {
    for (const auto& c : *extra_) {
      if (!c.holds_at(values_)) stop("LP solution violates a constraint");
    }
  }
  if (sys.objective) objective_ = sys.objective->expr.evaluate(values_);
  return optimal_result(sys, values_, objective_);
}

}  // namespace mivex::lp
