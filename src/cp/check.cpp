#include "cp/check.hpp"

#include <algorithm>
#include <type_traits>
#include <vector>

#include "cp/exact_math.hpp"

namespace mivex::cp {

namespace {

bool linear_holds(const CpConstraint::Linear& linear, std::span<const std::int64_t> values) {
  ExactSum diff;  // sum - rhs
  for (const auto& term : linear.terms) add_product(diff, term.coeff, values[term.var]);
  diff.sub(linear.rhs);
  int sign = diff.sign();
  switch (linear.rel) {
    case CpConstraint::Rel::Le: return sign <= 0;
    case CpConstraint::Rel::Eq: return sign == 0;
    case CpConstraint::Rel::Ge: return sign >= 0;
  }
  return false;
}

bool all_different_holds(const std::vector<std::size_t>& vars, std::span<const std::int64_t> values) {
  std::vector<std::int64_t> seen;
  seen.reserve(vars.size());
  for (std::size_t var : vars) seen.push_back(values[var]);
  std::sort(seen.begin(), seen.end());
  return std::adjacent_find(seen.begin(), seen.end()) == seen.end();
}

}  // namespace

bool holds(const CpConstraint& constraint, std::span<const std::int64_t> values) {
  return std::visit(
      [&](const auto& c) -> bool {
        using Kind = std::decay_t<decltype(c)>;
        if constexpr (std::is_same_v<Kind, CpConstraint::Eq>) {
          return values[c.x] == values[c.y];
        } else if constexpr (std::is_same_v<Kind, CpConstraint::Neq>) {
          return values[c.x] != values[c.y];
        } else if constexpr (std::is_same_v<Kind, CpConstraint::Lt>) {
          return values[c.x] < values[c.y];
        } else if constexpr (std::is_same_v<Kind, CpConstraint::Le>) {
          return i128{values[c.x]} <= i128{values[c.y]} + c.c;
        } else if constexpr (std::is_same_v<Kind, CpConstraint::Linear>) {
          return linear_holds(c, values);
        } else {
          return all_different_holds(c.vars, values);
        }
      },
      constraint.kind);
}

bool is_solution(const CpProblem& problem, std::span<const std::int64_t> values) {
  if (values.size() != problem.vars.size()) return false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] < problem.vars[i].min || values[i] > problem.vars[i].max) return false;
  }
  return std::all_of(problem.constraints.begin(), problem.constraints.end(),
                     [&](const CpConstraint& c) { return holds(c, values); });
}

}  // namespace mivex::cp
