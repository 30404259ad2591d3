// Best-first branch and bound over exact LP relaxations. Integer variables
// that come out fractional are bounded down and up in two child nodes; nodes
// are examined in order of their parent's LP objective, up to a fixed limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "core/solver_result.hpp"
#include "linear/rational.hpp"
#include "linear/system.hpp"

namespace mivex::milp {

using linear::LinearSystem;
using linear::Rational;

// One branching decision: exactly one of the two bounds is set.
struct VarBound {
  std::uint64_t var;
  std::optional<Rational> lower;
  std::optional<Rational> upper;
};

struct Node {
  std::optional<double> lp_bound;  // the parent's LP objective; none for the root's children
  std::vector<VarBound> bounds;    // oldest first
  std::uint64_t depth;
};

inline constexpr std::size_t MAX_NODES = 1000;
inline constexpr double INTEGRALITY_TOLERANCE = 1e-8;

// How the last solve went (for tests and benchmarks).
struct SearchStats {
  std::size_t nodes = 0;       // nodes taken from the heap, pruned ones included
  std::size_t lp_solves = 0;   // root included
};

class BranchAndBound {
 public:
  // `node_limit` is MAX_NODES for every real solve; tests lower it.
  explicit BranchAndBound(const LinearSystem& system, std::size_t node_limit = MAX_NODES)
      : system_(system), node_limit_(node_limit) {}

  // Optimal (proven), Feasible (best integral solution at the node limit while
  // open nodes could still hold a better one), Infeasible, Unbounded, or
  // Unknown (the root's, a node's, or the resource limit without any
  // integral solution).
  LpResult solve(Cancel& cancel = Cancel::none());

  const SearchStats& stats() const { return stats_; }

 private:
  const LinearSystem& system_;
  std::size_t node_limit_;
  SearchStats stats_;
};

}  // namespace mivex::milp
