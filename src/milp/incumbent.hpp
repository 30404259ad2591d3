// The best integral solution found so far, and the pruning it allows: a
// node is worth solving only if its parent's LP bound beats it.
#pragma once

#include <limits>
#include <optional>
#include <vector>

#include "core/assignment.hpp"
#include "linear/rational.hpp"

namespace mivex::milp {

struct Incumbent {
  explicit Incumbent(bool minimize)
      : minimize(minimize), objective(minimize ? kInf : -kInf) {}

  // A node with this LP bound (none for the root's children) may still
  // hold a better solution.
  bool survives(const std::optional<double>& lp_bound) const {
    if (minimize) return lp_bound.value_or(-kInf) < objective;
    return objective < lp_bound.value_or(kInf);
  }
  bool improves(double z) const { return minimize ? z < objective : z > objective; }
  // Keep an integral point of objective `z` if it is better.
  void offer(double z, Assignment&& at, std::vector<linear::Rational>&& exact_at) {
    if (!improves(z)) return;
    objective = z;
    point = std::move(at);
    exact = std::move(exact_at);
  }

  static constexpr double kInf = std::numeric_limits<double>::infinity();
  bool minimize;
  double objective;
  std::optional<Assignment> point;
  std::vector<linear::Rational> exact;
};

}  // namespace mivex::milp
