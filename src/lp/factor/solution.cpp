#include "lp/factor/solution.hpp"

namespace mivex::lp {

using linear::Rational;

namespace {

Value value_of(const Rational& v) {
  if (v.is_small() && v.den() == 1) return Value::integer(v.num());
  if (v.is_integer()) return Value::big_integer(v.text());
  return Value::floating(v.to_f64());
}

}  // namespace

LpResult optimal_result(const linear::LinearSystem& system, const std::vector<Rational>& values,
                        const Rational& objective) {
  Assignment model;
  model.reserve(values.size());
  for (std::size_t j = 0; j < values.size(); ++j) model.append(system.variables[j], value_of(values[j]));
  return LpResult::optimal(std::move(model), objective.to_f64());
}

}  // namespace mivex::lp
