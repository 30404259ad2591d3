// Best-first branch and bound over exact LP relaxations. Integer variables
// that come out fractional are bounded down and up in two child nodes; nodes
// are examined in order of their parent's LP objective, up to a fixed limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "core/solver_result.hpp"
#include "linear/rational.hpp"
#include "linear/system.hpp"
#include "lp/certified/warm_basis.hpp"
#include "lp/simplex/pivot_log.hpp"

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
  // Where the floating-point run of the fast path starts: the parent's
  // final basis (the engine's, or where the pivots alone solved it, its
  // exact one as the engine's statuses), else the nearest ancestor's that
  // had one; null if none had.
  std::shared_ptr<const lp::WarmBasis> warm_start;
  // The pivot log of the nearest ancestor solved by pivots (the root's
  // included), and how many of `bounds` it had.
  std::shared_ptr<const lp::PivotLog> log;
  std::size_t log_bounds = 0;
  // The parent's optimum in the LP's minimised form (exactly): no child's
  // is below it. Null when the parent's LP gave none.
  std::shared_ptr<const Rational> floor;
  // The nearest ancestor solved by the pivots (the root included) found
  // its exact numbers big (lp::PivotStats::bounds_paid): this LP's pivots
  // are tuned (Search::start_choice_, Search::lift_choice_).
  bool bounds_paid = false;
};

inline constexpr std::size_t MAX_NODES = 1000;
inline constexpr double INTEGRALITY_TOLERANCE = 1e-8;

// How the last solve went (for tests and benchmarks).
struct SearchStats {
  std::size_t nodes = 0;       // nodes taken from the heap, pruned ones included
  std::size_t lp_solves = 0;   // root included
  // Node LPs (the root not counted) by the way they were solved, and the
  // time each way took: the pivots alone, the fast path answering, and the
  // fast path tried without an answer (then the pivots).
  std::size_t pivots_only = 0, fast_answered = 0, fast_missed = 0;
  double pivots_only_seconds = 0, fast_answered_seconds = 0, fast_missed_seconds = 0;
  // Pivots of node LPs (the root's included), and how many of them were
  // repeated from an ancestor's log.
  std::size_t pivots = 0, repeated = 0;
  std::size_t second_run_repeated = 0;  // of them, in phase 2's second runs
  std::size_t below_floor = 0;  // node LPs whose first run of phase 2 the floor cut short
  // Node LPs whose floor the duals of a fast path that missed raised above
  // the parent's optimum.
  std::size_t floors_from_duals = 0;
  // Node LPs settled without pivots: the fast path proved their optimum no
  // better than the incumbent and a variable fractional at every optimal
  // point, so they branch into children no pop solves (Search::hopeless_branch).
  std::size_t hopeless = 0;
  double hopeless_seconds = 0;
  std::size_t from_bounds = 0;  // node LPs whose pivots decided from bounds from the first
  std::size_t lifted = 0;       // node LPs that settled ties by lifting wherever it could
};

// How node LPs are solved. Every real search measures which way is faster
// (WayChoice); tests fix one way for the whole search, the root
// included: the fast path first at any size, or the pivots alone.
enum class NodeLpWay : std::uint8_t { Measured, FastFirst, PivotsOnly };

// Where an ancestor's exact numbers grew big, whether a node LP's pivots
// decide from bounds from the first, and whether they settle ties by
// lifting wherever it can: as measured (every real search), or, for
// benchmarks that compare builds by instruction counts, never or always.
enum class Tuning : std::uint8_t { Measured, Never, Always };

class BranchAndBound {
 public:
  // `node_limit` is MAX_NODES for every real solve; tests lower it.
  explicit BranchAndBound(const LinearSystem& system, std::size_t node_limit = MAX_NODES,
                          NodeLpWay ways = NodeLpWay::Measured)
      : system_(system), node_limit_(node_limit), ways_(ways) {}

  // Optimal (proven), Feasible (best integral solution at the node limit while
  // open nodes could still hold a better one), Infeasible, Unbounded, or
  // Unknown (the root's, a node's, or the resource limit without any
  // integral solution).
  LpResult solve(Cancel& cancel = Cancel::none());

  const SearchStats& stats() const { return stats_; }

  // For tests and benchmarks: whether node LPs may take the pivots they
  // repeat from an ancestor's log (on by default); whether they take their
  // parent's optimum as a floor (lp::LpSolver::set_floor; on by default);
  // and whether every node LP the pivots solve is solved again from scratch,
  // with neither, stopping unless both made the same pivots (but for a run
  // the floor cut short) and gave the same answer.
  void set_repeats(bool on) { repeats_ = on; }
  void set_floors(bool on) { floors_ = on; }
  void check_nodes(bool on) { check_nodes_ = on; }
  // For benchmarks: the tuning of node LPs whose numbers grew big, fixed
  // (Tuning; measured by default).
  void set_bounds_start(Tuning tuning) { bounds_start_ = tuning; }
  void set_tie_lifting(Tuning tuning) { tie_lifting_ = tuning; }

 private:
  const LinearSystem& system_;
  std::size_t node_limit_;
  NodeLpWay ways_;
  SearchStats stats_;
  bool repeats_ = true;
  bool floors_ = true;
  bool check_nodes_ = false;
  Tuning bounds_start_ = Tuning::Measured;
  Tuning tie_lifting_ = Tuning::Measured;
};

}  // namespace mivex::milp
