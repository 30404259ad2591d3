#include "exact/node_lps.hpp"

namespace mivex::exact {

using linear::CmpOp;
using linear::LinearConstraint;
using linear::LinearExpr;
using linear::Term;

NodeLps::NodeLps(const Lowered& lowered, Cancel& cancel) : lowered_(lowered), cancel_(cancel) {
  std::optional<lp::ColumnForm> form = lp::column_form(lowered.system);
  if (!form) stop("a lowered row names an unknown variable");
  form_ = std::move(*form);
  root_rows_ = form_.m;
  primal_first_ = origin_feasible(form_);
  if (form_.m > 0) engine_ = std::make_unique<lp::FloatSimplex>(form_, cancel);
}

// x_j = shift + sign * v (- v_minus): the bound as a row over v.
std::vector<LinearConstraint> NodeLps::rows_of(const std::vector<BoundChange>& changes) const {
  std::vector<LinearConstraint> rows;
  for (const BoundChange& c : changes) {
    const ColumnMap& map = lowered_.columns[c.column];
    std::vector<Term> terms{Term{Rational(map.sign), map.var}};
    if (map.minus) terms.push_back(Term{Rational(-1), *map.minus});
    rows.push_back(LinearConstraint{LinearExpr::canonical(std::move(terms), map.shift - c.value),
                                    c.upper ? CmpOp::Le : CmpOp::Ge, std::nullopt});
  }
  return rows;
}

LpAnswer NodeLps::exactly(const std::vector<LinearConstraint>& rows) {
  linear::LinearSystem system = lowered_.system.clone();
  for (const LinearConstraint& row : rows) system.add_constraint(row);
  return solve_exact_lp(system, cancel_);
}

NodeLps::Outcome NodeLps::solve(const std::vector<BoundChange>& changes, const lp::WarmBasis* start) {
  const std::vector<LinearConstraint> rows = rows_of(changes);
  if (!engine_ || !engine_->loaded() || !lp::append_rows(form_, rows)) return Outcome{exactly(rows), nullptr};
  // The root's form and model are restored however the solve ends.
  struct Restore {
    NodeLps& self;
    ~Restore() {
      lp::truncate_rows(self.form_, self.root_rows_);
      self.engine_->remove_rows(self.root_rows_);
    }
  } restore{*this};
  if (!engine_->add_rows(form_, root_rows_)) return Outcome{exactly(rows), nullptr};
  engine_->start_from(start);
  // A parent's optimal basis is dual feasible for the child: the dual
  // simplex repairs it.
  std::optional<LpAnswer> answer = propose_and_certify(form_, *engine_, start == nullptr && primal_first_, cancel_);
  lp::WarmBasis end = engine_->warm_basis();
  auto basis = end.column.empty() ? nullptr : std::make_shared<const lp::WarmBasis>(std::move(end));
  if (!answer) return Outcome{exactly(rows), basis};
  return Outcome{std::move(*answer), basis};
}

}  // namespace mivex::exact
