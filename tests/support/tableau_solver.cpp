#include "support/tableau_solver.hpp"

#include <string>

#include "core/error.hpp"
#include "support/tableau_phase.hpp"
#include "support/scaled_tableau.hpp"
#include "support/tableau.hpp"

namespace mivex::lp::reference {

using linear::CmpOp;
using linear::ObjectiveSense;

namespace {

// A dense tableau beyond this many cells would not fit in memory.
constexpr std::size_t kMaxCells = std::size_t{1} << 28;

// How a constraint row starts: its auxiliary columns and its basic column.
// Rows with a negative right-hand side are stored negated, which turns <= into
// >= and >= into <=.
enum class RowStart { Slack, SurplusArtificial, Artificial };

RowStart row_start(CmpOp op, bool negated) {
  switch (op) {
    case CmpOp::Eq: return RowStart::Artificial;
    case CmpOp::Le: return negated ? RowStart::SurplusArtificial : RowStart::Slack;
    case CmpOp::Ge: return negated ? RowStart::Slack : RowStart::SurplusArtificial;
  }
  return RowStart::Slack;
}

Value value_of(const Rational& v) {
  if (v.is_small() && v.den() == 1) return Value::integer(v.num());
  if (v.is_integer()) return Value::big_integer(v.text());
  return Value::floating(v.to_f64());
}

}  // namespace

LpResult TableauLpSolver::solve(Cancel& cancel) {
  return engine_ == Engine::Scaled ? solve_on<ScaledTableau>(cancel) : solve_on<Tableau>(cancel);
}

template <class T>
LpResult TableauLpSolver::solve_on(Cancel& cancel) {
  columns_.clear();
  values_.clear();
  objective_ = Rational();
  stats_ = SolveStats();
  auto count = [this](const PhaseEnd& end) {
    stats_.pivots += end.pivots;
    stats_.bland = stats_.bland || end.bland;
    return end;
  };
  if (!system_) return LpResult::unknown(UnknownReason::internal("no system loaded"));
  const LinearSystem& sys = *system_;
  const std::size_t n = sys.variables.size();
  const std::size_t m = sys.constraints.size();

  std::vector<RowStart> starts;
  starts.reserve(m);
  std::size_t aux = 0;
  for (const auto& c : sys.constraints) {
    starts.push_back(row_start(c.op, c.expr.constant.is_positive()));
    aux += starts.back() == RowStart::SurplusArtificial ? 2 : 1;
  }
  const std::size_t width = n + aux + 1;
  if (width > kMaxCells / (m + 1)) {
    throw MemoryRefusal("LP too large for a dense tableau: " + std::to_string(m + 1) + " rows of " +
                        std::to_string(width) + " columns");
  }

  T t(n + aux, m);
  columns_.reserve(n + aux);
  for (std::uint64_t v : sys.variables) columns_.push_back({Column::Kind::Structural, v});
  std::vector<bool> is_artificial(n + aux, false);
  auto check_var = [n](std::uint64_t var) {
    if (var >= n) stop("constraint names an unknown variable");
  };

  SparseRow row;
  std::size_t next = n;
  for (std::size_t i = 0; i < m; ++i) {
    const auto& c = sys.constraints[i];
    const std::size_t r = i + 1;
    row.clear();
    // The constraint is terms + constant (op) 0, so its right-hand side is
    // -constant; a row with a negative one is stored negated.
    const bool negated = c.expr.constant.is_positive();
    for (const auto& term : c.expr.terms) {
      check_var(term.var);
      row.emplace_back(term.var, negated ? -term.coef : term.coef);
    }
    auto add_column = [&](Column::Kind kind, int entry, bool basic) {
      row.emplace_back(next, Rational(entry));
      columns_.push_back({kind, 0});
      if (kind == Column::Kind::Artificial) is_artificial[next] = true;
      if (basic) t.set_basic(r, next);
      ++next;
    };
    switch (starts[i]) {
      case RowStart::Slack: add_column(Column::Kind::Slack, 1, true); break;
      case RowStart::Artificial: add_column(Column::Kind::Artificial, 1, true); break;
      case RowStart::SurplusArtificial:
        add_column(Column::Kind::Surplus, -1, false);
        add_column(Column::Kind::Artificial, 1, true);
        break;
    }
    if (!c.expr.constant.is_zero()) row.emplace_back(n + aux, negated ? c.expr.constant : -c.expr.constant);
    t.set_sparse_row(r, row);
  }

  // Row 0 minimises: -c for a minimisation, +c for a maximisation.
  const bool maximize = sys.objective && sys.objective->sense == ObjectiveSense::Maximize;
  if (sys.objective) {
    row.clear();
    const auto& expr = sys.objective->expr;
    for (const auto& term : expr.terms) {
      check_var(term.var);
      row.emplace_back(term.var, maximize ? term.coef : -term.coef);
    }
    if (!expr.constant.is_zero()) row.emplace_back(n + aux, maximize ? -expr.constant : expr.constant);
    t.set_sparse_row(0, row);
  }
  for (std::size_t r = 1; r <= m; ++r) t.price_out(r);

  auto artificial_basic = [&](std::size_t r) {
    std::size_t b = t.basic(r);
    return b != T::kNone && is_artificial[b];
  };

  // Phase 1: minimise the sum of the artificial columns.
  SparseRow objective_row;
  std::optional<T> after_phase1;
  bool any_artificial = false;
  for (bool a : is_artificial) any_artificial = any_artificial || a;
  if (any_artificial) {
    objective_row = t.sparse_row(0);
    SparseRow phase1_row;
    for (std::size_t j = 0; j < n + aux; ++j) {
      if (is_artificial[j]) phase1_row.emplace_back(j, Rational(-1));
    }
    t.set_sparse_row(0, phase1_row);
    for (std::size_t r = 1; r <= m; ++r) {
      if (artificial_basic(r)) t.price_out(r);
    }
    if (!count(run_phase(t, {}, cancel, trace_)).optimal) return LpResult::infeasible();
    if (!t.objective_value().is_zero()) return LpResult::infeasible();
    // Artificials still basic (at zero) may be pushed up by phase 2; keep
    // this point to start over from if that happens.
    for (std::size_t r = 1; r <= m; ++r) {
      if (artificial_basic(r)) {
        after_phase1.emplace(t);
        break;
      }
    }
    t.set_sparse_row(0, objective_row);
    for (std::size_t r = 1; r <= m; ++r) t.price_out(r);
  }

  PhaseEnd end = count(run_phase(t, is_artificial, cancel, trace_));
  // The answer is unsound when a basic artificial has left zero, or when the
  // unbounded direction would move one. Then start phase 2 again from a
  // basis without artificials in the non-redundant rows.
  auto sound = [&] {
    for (std::size_t r = 1; r <= m; ++r) {
      if (!artificial_basic(r)) continue;
      if (t.sign_at(r, end.optimal ? t.rhs_col() : end.entering) != 0) return false;
    }
    return true;
  };
  if (!sound()) {
    if (!after_phase1) stop("basic artificial column without a phase-1 basis");
    t = std::move(*after_phase1);
    stats_.second_run = true;
    stats_.pivots += drive_out_artificials(t, is_artificial, cancel, trace_);
    t.set_sparse_row(0, objective_row);
    for (std::size_t r = 1; r <= m; ++r) t.price_out(r);
    end = count(run_phase(t, is_artificial, cancel, trace_));
    if (!sound()) stop("artificial column left zero after the drive-out");
  }
  if (!end.optimal) return LpResult::unbounded();

  // The basic solution, checked against every constraint exactly.
  values_.assign(n, Rational());
  for (std::size_t r = 1; r <= m; ++r) {
    std::size_t b = t.basic(r);
    if (b < n) values_[b] = t.at(r, t.rhs_col());
  }
  for (const auto& v : values_) {
    if (v.is_negative()) stop("LP solution has a negative variable");
  }
  for (const auto& c : sys.constraints) {
    if (!c.holds_at(values_)) stop("LP solution violates a constraint");
  }
  objective_ = maximize ? -t.objective_value() : t.objective_value();
  if (sys.objective && sys.objective->expr.evaluate(values_) != objective_) {
    stop("LP objective does not match the solution");
  }
  if (!sys.objective && !objective_.is_zero()) stop("LP objective does not match the solution");

  Assignment model;
  model.reserve(n);
  for (std::size_t j = 0; j < n; ++j) model.append(columns_[j].var, value_of(values_[j]));
  return LpResult::optimal(std::move(model), objective_.to_f64());
}

}  // namespace mivex::lp::reference
