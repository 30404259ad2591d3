#include "exact/lowering.hpp"

namespace mivex::exact {

using linear::CmpOp;
using linear::LinearConstraint;
using linear::LinearExpr;
using linear::Term;

Box box_of(const Model& model) {
  Box box;
  for (const Column& c : model.columns) {
    box.lower.push_back(c.lower);
    box.upper.push_back(c.upper);
  }
  return box;
}

namespace {

// The map of column j and, for a doubly bounded one, its bound row.
ColumnMap map_column(const std::optional<Rational>& lo, const std::optional<Rational>& up,
                     linear::LinearSystem& system, std::vector<LinearConstraint>& bound_rows) {
  ColumnMap map;
  map.var = system.new_variable();
  if (lo) {
    map.shift = *lo;
    if (up) bound_rows.push_back(LinearConstraint{LinearExpr::canonical({Term{Rational(1), map.var}}, *lo - *up),
                                                  CmpOp::Le, std::nullopt});
  } else if (up) {
    map.shift = *up;
    map.sign = -1;
  } else {
    map.minus = system.new_variable();
  }
  return map;
}

// sum a_j x_j written over the lowered variables: terms and constant.
void substitute(const ColumnMap& map, const Rational& a, std::vector<Term>& terms, Rational& constant) {
  if (!map.shift.is_zero()) constant = constant + a * map.shift;
  terms.push_back(Term{map.sign > 0 ? a : -a, map.var});
  if (map.minus) terms.push_back(Term{-a, *map.minus});
}

}  // namespace

std::optional<Lowered> lower_model(const Model& model, const Box& box) {
  Lowered out;
  std::vector<LinearConstraint> bound_rows;
  for (std::size_t j = 0; j < model.columns.size(); ++j) {
    if (box.lower[j] && box.upper[j] && *box.lower[j] > *box.upper[j]) return std::nullopt;
    out.columns.push_back(map_column(box.lower[j], box.upper[j], out.system, bound_rows));
  }
  std::vector<std::vector<Term>> row_terms(model.rows.size());
  std::vector<Rational> row_constant(model.rows.size());
  for (const MatrixEntry& e : model.entries) {
    substitute(out.columns[e.column], e.value, row_terms[e.row], row_constant[e.row]);
  }
  for (std::size_t i = 0; i < model.rows.size(); ++i) {
    const Row& row = model.rows[i];
    auto add = [&](const Rational& side, CmpOp op) {
      out.system.add_constraint(LinearConstraint{LinearExpr::canonical(row_terms[i], row_constant[i] - side), op,
                                                 std::nullopt});
      out.origin.emplace_back(i);
    };
    if (row.lower && row.upper && *row.lower == *row.upper) {
      add(*row.lower, CmpOp::Eq);
      continue;
    }
    if (row.lower) add(*row.lower, CmpOp::Ge);
    if (row.upper) add(*row.upper, CmpOp::Le);
  }
  for (LinearConstraint& c : bound_rows) {
    out.system.add_constraint(std::move(c));
    out.origin.emplace_back();
  }
  std::vector<Term> cost;
  Rational constant = model.objective_constant;
  for (std::size_t j = 0; j < model.columns.size(); ++j) {
    if (!model.columns[j].cost.is_zero()) substitute(out.columns[j], model.columns[j].cost, cost, constant);
  }
  out.system.objective = linear::Objective{
      model.maximize ? linear::ObjectiveSense::Maximize : linear::ObjectiveSense::Minimize,
      LinearExpr::canonical(std::move(cost), constant)};
  return out;
}

std::vector<Rational> column_values(const Lowered& lowered, const std::vector<Rational>& v) {
  std::vector<Rational> x = column_direction(lowered, v);
  for (std::size_t j = 0; j < x.size(); ++j) x[j] = x[j] + lowered.columns[j].shift;
  return x;
}

std::vector<Rational> column_direction(const Lowered& lowered, const std::vector<Rational>& v) {
  std::vector<Rational> x;
  x.reserve(lowered.columns.size());
  for (const ColumnMap& map : lowered.columns) {
    Rational value = map.sign > 0 ? v[map.var] : -v[map.var];
    if (map.minus) value = value - v[*map.minus];
    x.push_back(std::move(value));
  }
  return x;
}

std::vector<Rational> row_multipliers(const Lowered& lowered, std::size_t rows, const std::vector<Rational>& y) {
  std::vector<Rational> out(rows);
  for (std::size_t k = 0; k < lowered.origin.size() && k < y.size(); ++k) {
    if (lowered.origin[k] && !y[k].is_zero()) out[*lowered.origin[k]] = out[*lowered.origin[k]] + y[k];
  }
  return out;
}

}  // namespace mivex::exact
