#include "milp/integrality.hpp"

#include <cmath>

#include "milp/solver.hpp"

namespace mivex::milp {

namespace {

bool is_integral(double v) { return std::fabs(v - std::round(v)) < INTEGRALITY_TOLERANCE; }

// The value of `var` in an LP model. The LP solver lists variable k at
// entry k, so the lookup is direct; anything else falls back to a search.
const Value* value_at(const Assignment& a, std::uint64_t var) {
  const auto& entries = a.entries();
  if (var < entries.size() && entries[var].first == var) return &entries[var].second;
  return a.get(var);
}

}  // namespace

bool all_integral(const Assignment& a, const std::vector<std::uint64_t>& integers) {
  for (std::uint64_t var : integers) {
    const Value* v = value_at(a, var);
    if (v == nullptr || !is_integral(v->as_f64())) return false;
  }
  return true;
}

std::optional<Branch> branching_variable(const Assignment& a, const std::vector<std::uint64_t>& integers) {
  for (std::uint64_t var : integers) {
    const Value* v = value_at(a, var);
    if (v == nullptr) continue;
    double x = v->as_f64();
    double f = x - std::floor(x);
    if (f > 1e-10 && f < 0.9999999999) return Branch{var, x};
  }
  return std::nullopt;
}

}  // namespace mivex::milp
