#include "exact/solve_model.hpp"

#include "exact/branch_bound.hpp"
#include "linear/product_sum.hpp"

namespace mivex::exact {

const char* status_word(Answer::Status status) {
  switch (status) {
    case Answer::Status::Optimal: return "OPTIMAL";
    case Answer::Status::Infeasible: return "INFEASIBLE";
    case Answer::Status::Unbounded: return "UNBOUNDED";
    case Answer::Status::Feasible: return "FEASIBLE";
    case Answer::Status::Unknown: return "UNKNOWN";
  }
  return "UNKNOWN";
}

Rational objective_at(const Model& model, const std::vector<Rational>& x) {
  linear::ProductSum sum(linear::ProductSum::Words::Apart);
  for (std::size_t j = 0; j < model.columns.size(); ++j) sum.add(model.columns[j].cost, x[j]);
  return sum.value() + model.objective_constant;
}

namespace {

// Duals in the model's sense and the reduced costs c - A^T y.
void set_duals(const Model& model, const Lowered& lowered, const std::vector<Rational>& y, Answer& answer) {
  std::vector<Rational> duals = row_multipliers(lowered, model.rows.size(), y);
  if (model.maximize) {
    for (Rational& v : duals) v = -v;
  }
  std::vector<Rational> reduced;
  for (const Column& c : model.columns) reduced.push_back(c.cost);
  for (const MatrixEntry& e : model.entries) {
    if (!duals[e.row].is_zero()) reduced[e.column].sub_mul(e.value, duals[e.row]);
  }
  answer.duals = std::move(duals);
  answer.reduced_costs = std::move(reduced);
}

Answer empty_box(const Model& model, const Box& box) {
  Answer answer;
  answer.status = Answer::Status::Infeasible;
  answer.farkas = std::vector<Rational>(model.rows.size());
  for (std::size_t j = 0; j < model.columns.size(); ++j) {
    if (box.lower[j] && box.upper[j] && *box.lower[j] > *box.upper[j]) {
      answer.message = "column '" + model.columns[j].name + "' has its lower bound above its upper bound";
      break;
    }
  }
  return answer;
}

}  // namespace

Answer solve_relaxation(const Model& model, const Box& box, Cancel& cancel) {
  std::optional<Lowered> lowered = lower_model(model, box);
  if (!lowered) return empty_box(model, box);
  LpAnswer lp = solve_exact_lp(lowered->system, cancel);
  Answer answer;
  switch (lp.status) {
    case LpAnswer::Status::Optimal:
      answer.status = Answer::Status::Optimal;
      answer.x = column_values(*lowered, lp.x);
      answer.objective = objective_at(model, answer.x);
      if (lp.certified) set_duals(model, *lowered, lp.y, answer);
      break;
    case LpAnswer::Status::Infeasible:
      answer.status = Answer::Status::Infeasible;
      if (lp.certified) answer.farkas = row_multipliers(*lowered, model.rows.size(), lp.y);
      break;
    case LpAnswer::Status::Unbounded:
      answer.status = Answer::Status::Unbounded;
      if (lp.certified) {
        answer.x = column_values(*lowered, lp.x);
        answer.ray = column_direction(*lowered, lp.ray);
      }
      break;
  }
  if (!lp.certified) answer.message = "decided by the exact pivots, without a certificate";
  return answer;
}

Answer solve_model(const Model& model, const Limits& limits, Cancel& cancel) {
  if (model.has_integers()) return branch_and_bound(model, limits, cancel);
  return solve_relaxation(model, box_of(model), cancel);
}

}  // namespace mivex::exact
