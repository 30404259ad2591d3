// The plain CDCL search, written step by step with no optimisation: the
// watch list copied before each walk, a fresh mark array per conflict, a
// linear scan per decision. It serves as the oracle the fast Solver must match
// decision for decision; it is never used to answer a caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/cancel.hpp"
#include "core/solver_result.hpp"
#include "sat/stats.hpp"

namespace mivex::sat {

class ReferenceSolver {
 public:
  void add_clause(std::span<const std::int32_t> dimacs);
  SolverResult solve(Cancel& cancel = Cancel::none());
  const SearchStats& stats() const { return stats_; }
  // Every learnt clause in DIMACS form, in the order learnt.
  const std::vector<std::vector<std::int32_t>>& learnt_log() const { return learnt_log_; }

 private:
  struct Lit {
    std::size_t var;
    bool positive;
    bool operator==(const Lit&) const = default;
  };
  struct Clause {
    std::vector<Lit> lits;
    bool learnt = false;
    bool removed = false;
    Lit watch[2] = {};  // the two watched literals, first two at creation
  };
  struct TrailEntry {
    std::optional<std::size_t> reason;
    std::size_t var;
    bool value;
    std::size_t level;
  };

  static std::size_t code(Lit l) { return 2 * l.var + (l.positive ? 1 : 0); }
  std::size_t level() const { return trail_lim_.size() - 1; }
  // 1 true, 0 false, 2 unassigned
  int lit_value(Lit l) const;
  void ensure_vars(std::size_t n);
  void assign(Lit l, std::optional<std::size_t> reason);
  std::size_t push_clause(std::vector<Lit> lits, bool learnt);
  std::optional<std::size_t> propagate();
  void resolve_conflict(std::size_t conflict);
  void backjump(std::size_t b);
  std::optional<std::size_t> decide() const;

  std::vector<Clause> clauses_;
  std::size_t num_vars_ = 0;
  std::vector<std::uint8_t> values_;
  std::vector<std::optional<std::size_t>> trail_pos_;
  std::vector<TrailEntry> trail_;
  std::vector<std::size_t> trail_lim_{0};
  std::size_t qhead_ = 0;
  std::vector<std::vector<std::size_t>> watches_;
  std::vector<double> activity_;
  double var_inc_ = 1.0;
  double decay_ = 0.95;
  SearchStats stats_;
  std::vector<std::vector<std::int32_t>> learnt_log_;
};

}  // namespace mivex::sat
