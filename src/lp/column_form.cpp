#include "lp/column_form.hpp"

namespace mivex::lp {

using linear::Rational;

std::optional<ColumnForm> column_form(const linear::LinearSystem& system) {
  ColumnForm f;
  f.n = system.variables.size();
  f.m = system.constraints.size();
  f.columns.resize(f.n);
  f.ops.reserve(f.m);
  f.rhs.reserve(f.m);
  for (std::size_t i = 0; i < f.m; ++i) {
    const auto& c = system.constraints[i];
    for (const auto& term : c.expr.terms) {
      if (term.var >= f.n) return std::nullopt;
      f.columns[term.var].emplace_back(i, term.coef);
    }
    f.ops.push_back(c.op);
    f.rhs.push_back(-c.expr.constant);
  }
  f.cost.assign(f.n, Rational());
  if (system.objective) {
    f.has_objective = true;
    f.maximize = system.objective->sense == linear::ObjectiveSense::Maximize;
    for (const auto& term : system.objective->expr.terms) {
      if (term.var >= f.n) return std::nullopt;
      f.cost[term.var] = f.maximize ? -term.coef : term.coef;
    }
  }
  return f;
}

}  // namespace mivex::lp
