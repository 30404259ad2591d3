#include "lp/certified/column_form.hpp"

namespace mivex::lp {

using linear::Rational;

namespace {

// Appends constraint `c` as row f.ops.size() (f.m is left to the caller).
bool add_row(ColumnForm& f, const linear::LinearConstraint& c) {
  const std::size_t i = f.ops.size();
  for (const auto& term : c.expr.terms) {
    if (term.var >= f.n) {
      for (const auto& t : c.expr.terms) {
        if (t.var < f.n && !f.columns[t.var].empty() && f.columns[t.var].back().first == i) f.columns[t.var].pop_back();
      }
      return false;
    }
    f.columns[term.var].emplace_back(i, term.coef);
  }
  f.ops.push_back(c.op);
  f.rhs.push_back(-c.expr.constant);
  return true;
}

}  // namespace

std::optional<ColumnForm> column_form(const linear::LinearSystem& system,
                                      const std::vector<linear::LinearConstraint>* extra) {
  ColumnForm f;
  f.n = system.variables.size();
  f.m = system.constraints.size() + (extra ? extra->size() : 0);
  f.columns.resize(f.n);
  f.ops.reserve(f.m);
  f.rhs.reserve(f.m);
  for (const auto& c : system.constraints) {
    if (!add_row(f, c)) return std::nullopt;
  }
  if (extra) {
    for (const auto& c : *extra) {
      if (!add_row(f, c)) return std::nullopt;
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

bool append_rows(ColumnForm& form, const std::vector<linear::LinearConstraint>& rows) {
  const std::size_t m = form.m;
  for (const auto& c : rows) {
    if (!add_row(form, c)) {
      truncate_rows(form, m);
      return false;
    }
    ++form.m;
  }
  return true;
}

void truncate_rows(ColumnForm& form, std::size_t m) {
  if (m >= form.m) return;
  for (auto& column : form.columns) {
    while (!column.empty() && column.back().first >= m) column.pop_back();
  }
  form.ops.resize(m);
  form.rhs.resize(m);
  form.m = m;
}

}  // namespace mivex::lp
