#include "lp/column_form.hpp"

namespace mivex::lp {

using linear::Rational;

std::optional<ColumnForm> column_form(const linear::LinearSystem& system,
                                      const std::vector<linear::LinearConstraint>* extra) {
  ColumnForm f;
  f.n = system.variables.size();
  f.m = system.constraints.size() + (extra ? extra->size() : 0);
  f.columns.resize(f.n);
  f.ops.reserve(f.m);
  f.rhs.reserve(f.m);
  auto add = [&f](const linear::LinearConstraint& c) {
    const std::size_t i = f.ops.size();
    for (const auto& term : c.expr.terms) {
      if (term.var >= f.n) return false;
      f.columns[term.var].emplace_back(i, term.coef);
    }
    f.ops.push_back(c.op);
    f.rhs.push_back(-c.expr.constant);
    return true;
  };
  for (const auto& c : system.constraints) {
    if (!add(c)) return std::nullopt;
  }
  if (extra) {
    for (const auto& c : *extra) {
      if (!add(c)) return std::nullopt;
    }
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
